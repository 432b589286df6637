#!/usr/bin/env bash
# Takes docs/screenshot.png: the main window with its MIDI CONTROL panel unfolded, after a
# load of a sample settings file, on a private X display and a private JACK server.
# Usage: scripts/screenshot.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build=${1:-build}
out=docs/screenshot.png

# shellcheck source=scripts/screen-session.sh
source scripts/screen-session.sh
require_tools Xvfb xdotool jackd jack_midi_dump
build_programs
start_display
start_jack "vireo-shot-$$"
prepare_home "$work" '"No Warning"=dword:00000001' '"PosX"=dword:00000000' '"PosY"=dword:00000000'
cat >"$work/Jazz Club.mix" <<'EOF'
[Mixer Settings]
Volume Level=100
MIDI Level=90
MIDI Reverb Level=40
MIDI Chorus Level=30
A/D Part Level=110
Reverb Level=20
Chorus Level=10
Variation Level=64
Dry Level=80
Reverb Effect=Hall2
Chorus Effect=Chorus4
Variation Effect=Vocal
Lock=0
Periodic Refresh=1
EOF

start_mixer "$work" "$work/Jazz Club.mix"
poll xdotool search --onlyvisible --name '^Sonexa Vireo Mixer - Jazz Club'
window=$(xdotool search --onlyvisible --name '^Sonexa Vireo Mixer - Jazz Club' | head -n1)

# Alt+M unfolds the MIDI CONTROL panel: the window grows to 632 pixels.
xdotool windowfocus --sync "$window" key alt+m
poll sh -c "xdotool getwindowgeometry --shell $window | grep -qx WIDTH=632"
mkdir -p docs
XDG_RUNTIME_DIR="$work/run" "$grab" "$window" "$out"
echo "wrote $out"
