#!/usr/bin/env bash
# Takes docs/screenshot.png: the main window with its MIDI CONTROL panel unfolded, after a
# load of a sample settings file, on a private X display and a private JACK server.
# Usage: scripts/screenshot.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build=${1:-build}
out=docs/screenshot.png

for tool in Xvfb xdotool jackd jack_midi_dump; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done
[[ -f "$build/CMakeCache.txt" ]] || cmake --preset default -B "$build" >/dev/null
cmake --build "$build" --target sonexa-vireo-mixer vireo_window_grab >/dev/null
grab="$build/tests/e2e/program/vireo_window_grab"

work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' INT TERM

# Polls a command for up to ten seconds.
poll() {
    for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "timed out waiting for: $*" >&2
    return 1
}

exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null &
pids+=($!)
read -r -t 30 number <&3 || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number"

export JACK_DEFAULT_SERVER="vireo-shot-$$" JACK_NO_START_SERVER=1
jackd -n "$JACK_DEFAULT_SERVER" -d dummy >/dev/null 2>&1 &
pids+=($!)
poll jack_lsp
jack_midi_dump midi-monitor >/dev/null 2>&1 &
pids+=($!)
poll sh -c 'jack_lsp | grep -q "^midi-monitor:input$"'

mkdir -p "$work/config/sonexa-vireo-mixer" "$work/xdg/sonexa-vireo-mixer" "$work/data" "$work/run"
chmod 700 "$work/run"
cat >"$work/xdg/sonexa-vireo-mixer/machine.reg" <<'EOF'
REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\Brenmark\Sonexa Vireo Mixer\1.0]
"Checked Device"=dword:00000001
EOF
cat >"$work/config/sonexa-vireo-mixer/user.reg" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Brenmark\Sonexa Vireo Mixer\Settings]
"DeviceName"="midi-monitor:input"
"No Warning"=dword:00000001
"PosX"=dword:00000000
"PosY"=dword:00000000
EOF
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

env -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb HOME="$work" \
    XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/xdg" XDG_DATA_HOME="$work/data" \
    XDG_RUNTIME_DIR="$work/run" "$build/sonexa-vireo-mixer" "$work/Jazz Club.mix" &
pids+=($!)
poll xdotool search --onlyvisible --name '^Sonexa Vireo Mixer - Jazz Club'
window=$(xdotool search --onlyvisible --name '^Sonexa Vireo Mixer - Jazz Club' | head -n1)

# Alt+M unfolds the MIDI CONTROL panel: the window grows to 632 pixels.
xdotool windowfocus --sync "$window" key alt+m
poll sh -c "xdotool getwindowgeometry --shell $window | grep -qx WIDTH=632"
mkdir -p docs
XDG_RUNTIME_DIR="$work/run" "$grab" "$window" "$out"
echo "wrote $out"
