# shellcheck shell=bash
# Sourced by the Wayland suite: each case in a session of its own, as an ordinary user (sway
# refuses root): sway headless, swaybar as its panel and StatusNotifier tray, a private session
# bus, a private JACK server with jack_midi_dump as the mixer's device (poll, start_jack and
# prepare_home come from the screenshot scripts). The caller sets `program` and `case_name`.
# shellcheck disable=SC2154
session_user=vireo-session
suite=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
# shellcheck source=scripts/screen-session.sh
source "$suite/screen-session.sh" 2>/dev/null || source "$suite/../../../scripts/screen-session.sh"

# As root: runs the case again as the session's user, on copies that user can read, and ends
# with its status.
become_session_user() {
    ((EUID == 0)) || return 0
    id "$session_user" &>/dev/null || useradd --system --no-create-home --home-dir /nonexistent \
        --shell /usr/sbin/nologin "$session_user" || id "$session_user" >/dev/null
    local copy status=0
    copy=$(mktemp -d)
    cp "$program" "$suite"/*.sh "$copy/"
    [[ -f $suite/screen-session.sh ]] || cp "$suite/../../../scripts/screen-session.sh" "$copy/"
    # A sanitizer build keeps its options, and its suppressions where that user can read them.
    local lsan=${LSAN_OPTIONS:-}
    if [[ $lsan =~ suppressions=([^:]+) ]]; then
        cp "${BASH_REMATCH[1]}" "$copy/lsan.supp"
        lsan=${lsan/"${BASH_REMATCH[1]}"/$copy/lsan.supp}
    fi
    # Qt's libraries keep no frame pointers: the full unwinder lets suppressions match by function.
    local asan=${ASAN_OPTIONS:+$ASAN_OPTIONS:fast_unwind_on_malloc=0}
    chmod -R a+rX "$copy"
    runuser -u "$session_user" -- env -i PATH="$PATH" LANG=C.UTF-8 VIREO_SHOTS="${VIREO_SHOTS:-}" \
        ASAN_OPTIONS="$asan" LSAN_OPTIONS="$lsan" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
        bash "$copy/$(basename "$0")" "$copy/$(basename "$program")" "$case_name" || status=$?
    rm -rf "$copy"
    exit "$status"
}

# Bus, JACK and compositor; the panel starts $1 seconds after sway, or never for "none".
start_session() {
    export XDG_RUNTIME_DIR=$work/run HOME=$work/run
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    { read -r DBUS_SESSION_BUS_ADDRESS && read -r bus; } < <(dbus-daemon --session --fork \
        --print-address=1 --print-pid=1)
    export DBUS_SESSION_BUS_ADDRESS
    pids+=("$bus")
    start_jack vireo-wayland
    jack_started=1
    printf '%s\n' 'xwayland disable' 'output HEADLESS-1 resolution 1024x768' >"$work/sway.conf"
    if [[ $1 != none ]]; then # the panel notes its process id, to be ended as by a crash
        printf '#!/bin/sh\nsleep %s\necho $$ >"%s"\nexec swaybar "$@"\n' "$1" "$work/bar.pid" \
            >"$work/bar.sh"
        chmod +x "$work/bar.sh"
        printf 'bar {\n id panel\n swaybar_command %s\n tray_output *\n}\n' "$work/bar.sh" \
            >>"$work/sway.conf"
    fi
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
    pids+=($!)
    poll compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" || fail "sway did not start"
    SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock")
    WAYLAND_DISPLAY=$(basename "$(compgen -G "$XDG_RUNTIME_DIR/wayland-[0-9]")")
    export SWAYSOCK WAYLAND_DISPLAY
}

# Ends everything one at a time from the last, the mixer first, then has the JACK server's
# name give its slot back (JACK has few per machine).
cleanup() {
    [[ -s $work/bar.pid ]] && { kill "$(cat "$work/bar.pid")" 2>/dev/null || true; }
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null && { wait "${pids[i]}" 2>/dev/null || true; }
    done
    if [[ -n ${jack_started:-} ]]; then
        jackd -n "$JACK_DEFAULT_SERVER" -d dummy &>/dev/null &
        poll jack_lsp || true
        kill $! && { wait $! 2>/dev/null || true; }
        rm -f /dev/shm/jack_"$JACK_DEFAULT_SERVER"_* /dev/shm/jack_sem.*_"$JACK_DEFAULT_SERVER"_*
    fi
    rm -rf "$work"
}

stop_panel() {
    poll test -s "$work/bar.pid" || fail "the panel never started"
    kill "$(cat "$work/bar.pid")"
}
start_panel() {
    swaybar -b panel &>/dev/null &
    pids+=($!)
}

# The mixer on Qt's wayland platform; `mixer` is its process id.
run_mixer() {
    prepare_home "$work/home" '"No Warning"=dword:00000001' # no lock warning in front
    QT_QPA_PLATFORM=wayland HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
        XDG_CONFIG_DIRS="$work/home/xdg" XDG_DATA_HOME="$work/home/data" \
        "$program" >"$work/mixer.log" 2>&1 &
    mixer=$!
    pids+=("$mixer")
}

fail() {
    echo "FAIL ($case_name): $*" >&2
    cat "$work/mixer.log" >&2 2>/dev/null || true
    exit 1
}

# The mixer's main window is in sway's tree while it is shown.
window_shown() { swaymsg -r -t get_tree | grep -q '"name": *"Sonexa Vireo Mixer - '; }
close_window() { swaymsg '[title="^Sonexa Vireo Mixer - "] kill' >/dev/null; }

bus_call() { dbus-send --session --print-reply --dest="$1" "${@:2}" 2>/dev/null; }
watcher_property() {
    bus_call org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher string:"$1"
}
panel_up() { watcher_property IsStatusNotifierHostRegistered | grep -q 'boolean true'; }

# The bus name of the mixer's item among those the panel's watcher lists.
item() {
    for entry in $(watcher_property RegisteredStatusNotifierItems | grep -o '"[^"]*"' | tr -d '"'); do
        bus_call org.freedesktop.DBus / org.freedesktop.DBus.GetConnectionUnixProcessID \
            string:"${entry%%/*}" | grep -q "uint32 $mixer\$" && echo "${entry%%/*}" && return
    done
    return 0
}
item_registered() { [[ -n $(item) ]]; }

# A left click on the icon, and a click on an item of its menu (by its label, _ for &), as
# the panel sends them.
activate() {
    bus_call "$(item)" /StatusNotifierItem org.kde.StatusNotifierItem.Activate int32:0 int32:0 \
        >/dev/null
}
click_menu_item() {
    local id
    id=$(bus_call "$(item)" /MenuBar com.canonical.dbusmenu.GetLayout int32:0 int32:-1 \
        array:string:label | awk -v label="\"$1\"" '/struct {/ { head = 1; next }
            head && /int32/ { id = $2; head = 0 } index($0, label) && !found { print id; found = 1 }')
    [[ -n $id ]] || fail "no menu item $1"
    bus_call "$(item)" /MenuBar com.canonical.dbusmenu.Event int32:"$id" string:clicked \
        variant:int32:0 uint32:0 >/dev/null
}

# Waits until the mixer has ended; fails unless it ended with status 0.
expect_success() {
    poll sh -c "! kill -0 $mixer" || fail "$1 did not end the program"
    local status=0
    wait "$mixer" || status=$?
    ((status == 0)) || fail "$1 ended the program with status $status"
}

# A picture of the screen, kept when VIREO_SHOTS names a folder; a window just mapped is
# given a moment to draw.
shoot() {
    [[ -d ${VIREO_SHOTS:-} ]] || return 0
    sleep 1
    grim "$VIREO_SHOTS/$case_name-$1.png" || true
}
