#!/usr/bin/env bash
# Takes a picture of every window (main window, lock warning, Preferences, About) in each of
# the font families given, as a desktop with a window manager shows them: a private X display
# with openbox, a private JACK server, fontconfig told to prefer the family to any other.
# Usage: scripts/window-screenshots.sh [build folder] [output folder] [family...]
#   (defaults: build, <build>/screenshots, "DejaVu Sans" "Liberation Sans")
# Writes <output>/<Family>-{lock-warning,main,preferences,about}.png.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build=${1:-build}
out=${2:-$build/screenshots}
shift $(($# > 2 ? 2 : $#))
families=("$@")
((${#families[@]} > 0)) || families=("DejaVu Sans" "Liberation Sans")

# shellcheck source=scripts/screen-session.sh
source scripts/screen-session.sh
require_tools Xvfb openbox xdotool jackd jack_midi_dump
build_programs
mkdir -p "$out"

# The one visible window whose title matches, once it is there.
window_named() {
    poll xdotool search --onlyvisible --name "$1"
    xdotool search --onlyvisible --name "$1" | head -n1
}

start_display
start_window_manager
start_jack "vireo-shots-$$"

# One run of the mixer in one family: every window in turn, then Exit.
shoot() {
    local family=$1 tag=${1// /}
    local home="$work/$tag"
    prepare_home "$home"
    cat >"$home/fonts.conf" <<EOF
<?xml version="1.0"?>
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <match target="pattern">
    <edit name="family" mode="prepend" binding="strong"><string>$family</string></edit>
  </match>
</fontconfig>
EOF
    FONTCONFIG_FILE="$home/fonts.conf" start_mixer "$home"
    local mixer=${pids[-1]}

    # Showing the main window brings up the lock warning (it is on by default).
    poll xdotool search --name '^Sonexa Vireo Mixer -'
    xdotool search --name '^Sonexa Vireo Mixer -' | head -n1 | xargs xdotool windowactivate 2>/dev/null || true
    local warning
    warning=$(window_named '^Sonexa Vireo Mixer$')
    sleep 0.5
    "$grab" "$warning" "$out/$tag-lock-warning.png"
    xdotool windowactivate --sync "$warning" key Return

    local main
    main=$(window_named '^Sonexa Vireo Mixer -')
    xdotool windowactivate --sync "$main"
    if ! xdotool getwindowgeometry --shell "$main" | grep -qx WIDTH=632; then
        xdotool key alt+m
        poll sh -c "xdotool getwindowgeometry --shell $main | grep -qx WIDTH=632"
    fi
    sleep 0.5
    "$grab" "$main" "$out/$tag-main.png"

    xdotool key --delay 300 alt+o p
    local preferences
    preferences=$(window_named '^Preferences$')
    sleep 0.5
    "$grab" "$preferences" "$out/$tag-preferences.png"
    xdotool windowactivate --sync "$preferences" key Escape
    poll sh -c "! xdotool search --onlyvisible --name '^Preferences$'"

    xdotool windowactivate --sync "$main"
    sleep 0.5
    xdotool key --delay 300 alt+o Right a # Alt+H is "Refres&h"
    local about
    about=$(window_named '^About Sonexa Vireo Mixer$')
    sleep 0.5
    "$grab" "$about" "$out/$tag-about.png"
    xdotool windowactivate --sync "$about" key Escape

    kill -TERM "$mixer"
    wait "$mixer" || true
    echo "wrote $out/$tag-{lock-warning,main,preferences,about}.png"
}

for family in "${families[@]}"; do
    shoot "$family"
done
