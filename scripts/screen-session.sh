# shellcheck shell=bash
# Sourced by the screenshot scripts: a private X display, a private JACK server with
# jack_midi_dump as the mixer's device, a private home for the mixer, and their cleanup.
# The caller has set `build`; this sets `grab` and `work` and ends what it started on exit.
# shellcheck disable=SC2154,SC2034 # build comes from the caller, grab goes to it

# Fails unless every tool named is installed.
require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
    done
}

# Builds the mixer and the window grabber.
build_programs() {
    [[ -f "$build/CMakeCache.txt" ]] || cmake --preset default -B "$build" >/dev/null
    cmake --build "$build" --target sonexa-vireo-mixer vireo_window_grab >/dev/null
    grab="$build/tests/e2e/program/vireo_window_grab"
}

work=$(mktemp -d)
pids=()
# Last started, first ended, each waited for: the mixer leaves the JACK server and the display
# before they go.
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
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

# A private X display, 1024x768, as DISPLAY.
start_display() {
    exec 3<> <(:)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null &
    pids+=($!)
    read -r -t 30 number <&3 || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$number"
}

# openbox on the display, once it manages it.
start_window_manager() {
    openbox --sm-disable >/dev/null 2>&1 &
    pids+=($!)
    poll sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
}

# A JACK server named $1 on the dummy driver with jack_midi_dump's midi-monitor:input on it.
start_jack() {
    export JACK_DEFAULT_SERVER="$1" JACK_NO_START_SERVER=1
    jackd -n "$JACK_DEFAULT_SERVER" -d dummy >/dev/null 2>&1 &
    pids+=($!)
    poll jack_lsp
    jack_midi_dump midi-monitor >/dev/null 2>&1 &
    pids+=($!)
    poll sh -c 'jack_lsp | grep -q "^midi-monitor:input$"'
}

# The folders of a mixer home at $1, with the first-run probe done and midi-monitor:input as
# the device; further lines ($2...) go into the user's settings.
prepare_home() {
    local home=$1
    shift
    mkdir -p "$home/config/sonexa-vireo-mixer" "$home/xdg/sonexa-vireo-mixer" "$home/data" "$home/run"
    chmod 700 "$home/run"
    printf '%s\n' 'REGEDIT4' '' '[HKEY_LOCAL_MACHINE\SOFTWARE\Brenmark\Sonexa Vireo Mixer\1.0]' \
        '"Checked Device"=dword:00000001' >"$home/xdg/sonexa-vireo-mixer/machine.reg"
    printf '%s\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Brenmark\Sonexa Vireo Mixer\Settings]' \
        '"DeviceName"="midi-monitor:input"' "$@" >"$home/config/sonexa-vireo-mixer/user.reg"
}

# Runs the mixer on the display with the home at $1 and the further arguments, in the
# background; its process id is added to pids. Variables set before the call reach it too.
# It stays off the session bus unless `session_bus` is set.
start_mixer() {
    local home=$1 off_bus=(-u DBUS_SESSION_BUS_ADDRESS)
    shift
    [[ -z ${session_bus:-} ]] || off_bus=()
    env -u WAYLAND_DISPLAY "${off_bus[@]}" QT_QPA_PLATFORM=xcb HOME="$home" \
        XDG_CONFIG_HOME="$home/config" XDG_CONFIG_DIRS="$home/xdg" XDG_DATA_HOME="$home/data" \
        XDG_RUNTIME_DIR="$home/run" "$build/sonexa-vireo-mixer" "$@" &
    pids+=($!)
}
