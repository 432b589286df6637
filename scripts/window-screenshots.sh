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

for tool in Xvfb openbox xdotool jackd jack_midi_dump; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done
[[ -f "$build/CMakeCache.txt" ]] || cmake --preset default -B "$build" >/dev/null
cmake --build "$build" --target sonexa-vireo-mixer vireo_window_grab >/dev/null
grab="$build/tests/e2e/program/vireo_window_grab"
mkdir -p "$out"

work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' INT TERM

# Polls a command for up to twenty seconds.
poll() {
    for _ in $(seq 200); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "timed out waiting for: $*" >&2
    return 1
}

# The one visible window whose title matches, once it is there.
window_named() {
    poll xdotool search --onlyvisible --name "$1"
    xdotool search --onlyvisible --name "$1" | head -n1
}

exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null &
pids+=($!)
read -r -t 30 number <&3 || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
poll sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

export JACK_DEFAULT_SERVER="vireo-shots-$$" JACK_NO_START_SERVER=1
jackd -n "$JACK_DEFAULT_SERVER" -d dummy >/dev/null 2>&1 &
pids+=($!)
poll jack_lsp
jack_midi_dump midi-monitor >/dev/null 2>&1 &
pids+=($!)
poll sh -c 'jack_lsp | grep -q "^midi-monitor:input$"'

# One run of the mixer in one family: every window in turn, then Exit.
shoot() {
    local family=$1 tag=${1// /}
    local home="$work/$tag"
    mkdir -p "$home/config/sonexa-vireo-mixer" "$home/xdg/sonexa-vireo-mixer" "$home/data" "$home/run"
    chmod 700 "$home/run"
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenmark\\Sonexa Vireo Mixer\\1.0]\n"Checked Device"=dword:00000001\n' \
        >"$home/xdg/sonexa-vireo-mixer/machine.reg"
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Brenmark\\Sonexa Vireo Mixer\\Settings]\n"DeviceName"="midi-monitor:input"\n' \
        >"$home/config/sonexa-vireo-mixer/user.reg"
    cat >"$home/fonts.conf" <<EOF
<?xml version="1.0"?>
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <match target="pattern">
    <edit name="family" mode="prepend" binding="strong"><string>$family</string></edit>
  </match>
</fontconfig>
EOF
    env -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb HOME="$home" \
        FONTCONFIG_FILE="$home/fonts.conf" XDG_CONFIG_HOME="$home/config" \
        XDG_CONFIG_DIRS="$home/xdg" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run" \
        "$build/sonexa-vireo-mixer" &
    local mixer=$!
    pids+=("$mixer")

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
