# shellcheck shell=bash
# Sourced by the Wayland suite: one case, one session of its own. sway on the headless backend
# with swaybar as its panel and StatusNotifier tray, a private session bus, a private JACK
# server with jack_midi_dump as the mixer's device, and the mixer on Qt's wayland platform.
# sway refuses root: as root, the case runs again as an ordinary user made for it.
# The caller sets `program` (the mixer) and `case_name`.
# shellcheck disable=SC2154 # program and case_name come from the caller
session_user=vireo-session
suite=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
# poll, start_jack and prepare_home come from the screenshot scripts' session.
# shellcheck source=scripts/screen-session.sh
source "$suite/screen-session.sh" 2>/dev/null || source "$suite/../../../scripts/screen-session.sh"

# As root: copies the program and the suite where the session's user can read them, runs the
# case as that user and ends with its status. Otherwise returns at once.
become_session_user() {
    ((EUID == 0)) || return 0
    id "$session_user" >/dev/null 2>&1 ||
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
            "$session_user" || id "$session_user" >/dev/null || exit 1
    local copy status=0
    copy=$(mktemp -d)
    cp "$program" "$suite"/*.sh "$copy/"
    [[ -f $suite/screen-session.sh ]] || cp "$suite/../../../scripts/screen-session.sh" "$copy/"
    chmod -R a+rX "$copy"
    runuser -u "$session_user" -- env -i PATH="$PATH" LANG=C.UTF-8 VIREO_SHOTS="${VIREO_SHOTS:-}" \
        QT_LOGGING_RULES="${QT_LOGGING_RULES:-}" \
        bash "$copy/$(basename "$0")" "$copy/$(basename "$program")" "$case_name" || status=$?
    rm -rf "$copy"
    exit "$status"
}

# The user's session: bus, compositor, JACK. `bar_delay` is how long the panel waits after
# sway has started; "none" gives no panel.
start_session() {
    local bar_delay=$1
    export XDG_RUNTIME_DIR=$work/run HOME=$work/run
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    local bus_pid
    { read -r DBUS_SESSION_BUS_ADDRESS && read -r bus_pid; } < <(dbus-daemon --session --fork \
        --print-address=1 --print-pid=1)
    export DBUS_SESSION_BUS_ADDRESS
    pids+=("$bus_pid")
    start_jack vireo-wayland
    jack_started=1
    write_sway_config "$bar_delay"
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
    pids+=($!)
    poll compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" || fail "sway did not start"
    SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock")
    WAYLAND_DISPLAY=$(basename "$(compgen -G "$XDG_RUNTIME_DIR/wayland-[0-9]")")
    export SWAYSOCK WAYLAND_DISPLAY
}

# Ends what the session started, one at a time from the last, the mixer first, and then makes
# sure that the JACK server's name gives its slot back (JACK has few per machine).
cleanup() {
    local i
    [[ -s $work/bar.pid ]] && { kill "$(cat "$work/bar.pid")" 2>/dev/null || true; }
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null && { wait "${pids[i]}" 2>/dev/null || true; }
    done
    if [[ -n ${jack_started:-} ]]; then
        jackd -n "$JACK_DEFAULT_SERVER" -d dummy >/dev/null 2>&1 &
        poll jack_lsp || true
        kill $! && { wait $! 2>/dev/null || true; }
        rm -f /dev/shm/jack_"$JACK_DEFAULT_SERVER"_* /dev/shm/jack_sem.*_"$JACK_DEFAULT_SERVER"_*
    fi
    rm -rf "$work"
}

# The panel is started through a script that waits first and notes its process id.
write_sway_config() {
    printf '%s\n' 'xwayland disable' 'output HEADLESS-1 resolution 1024x768' >"$work/sway.conf"
    [[ $1 == none ]] && return
    printf '#!/bin/sh\nsleep %s\necho $$ >"%s"\nexec swaybar "$@"\n' "$1" "$work/bar.pid" \
        >"$work/bar.sh"
    chmod +x "$work/bar.sh"
    printf 'bar {\n    id panel\n    swaybar_command %s\n    tray_output *\n}\n' \
        "$work/bar.sh" >>"$work/sway.conf"
}

# Ends the panel, as a crash or a restart would, and starts it again by hand.
stop_panel() {
    poll test -s "$work/bar.pid" || fail "the panel never started"
    kill "$(cat "$work/bar.pid")"
}
start_panel() {
    swaybar -b panel >/dev/null 2>&1 &
    pids+=($!)
}

# The mixer on the wayland platform with its device on the JACK server; `mixer` is its id.
run_mixer() {
    prepare_home "$work/home"
    QT_QPA_PLATFORM=wayland HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
        XDG_CONFIG_DIRS="$work/home/xdg" XDG_DATA_HOME="$work/home/data" \
        "$program" >"$work/mixer.log" 2>&1 &
    mixer=$!
    pids+=("$mixer")
}

fail() {
    echo "FAIL ($case_name): $*" >&2
    echo "--- mixer" >&2
    cat "$work/mixer.log" >&2 2>/dev/null || true
    exit 1
}

# The mixer's main window as sway has it: there while it is shown.
window_shown() {
    swaymsg -r -t get_tree | grep -q '"name": *"Sonexa Vireo Mixer - '
}
close_window() {
    swaymsg '[title="^Sonexa Vireo Mixer - "] kill' >/dev/null
}

# A property of the panel's StatusNotifierWatcher, as dbus-send prints it.
watcher_property() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher \
        /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
        string:org.kde.StatusNotifierWatcher string:"$1" 2>/dev/null
}
panel_up() { watcher_property IsStatusNotifierHostRegistered | grep -q 'boolean true'; }

# The bus name of the mixer's StatusNotifierItem among those the watcher lists.
item() {
    local entry name
    for entry in $(watcher_property RegisteredStatusNotifierItems | grep -o '"[^"]*"' | tr -d '"'); do
        name=${entry%%/*}
        dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
            org.freedesktop.DBus.GetConnectionUnixProcessID string:"$name" 2>/dev/null |
            grep -q "uint32 $mixer\$" && echo "$name" && return
    done
    return 0
}
item_registered() { [[ -n $(item) ]]; }

# A left click on the icon, as the panel sends it.
activate() {
    dbus-send --session --print-reply --dest="$(item)" /StatusNotifierItem \
        org.kde.StatusNotifierItem.Activate int32:0 int32:0 >/dev/null
}

# Clicks the item of the icon's menu whose label (with _ for its mnemonic) is $1.
click_menu_item() {
    local id
    id=$(dbus-send --session --print-reply --dest="$(item)" /MenuBar \
        com.canonical.dbusmenu.GetLayout int32:0 int32:-1 array:string:label |
        awk -v label="\"$1\"" '/struct {/ { head = 1; next }
            head && /int32/ { id = $2; head = 0 } index($0, label) { print id; exit }')
    [[ -n $id ]] || fail "no menu item $1"
    dbus-send --session --print-reply --dest="$(item)" /MenuBar com.canonical.dbusmenu.Event \
        int32:"$id" string:clicked variant:int32:0 uint32:0 >/dev/null
}

# Waits until the mixer has ended, and fails unless it ended with status 0.
expect_success() {
    poll sh -c "! kill -0 $mixer" || fail "$1 did not end the program"
    local status=0
    wait "$mixer" || status=$?
    ((status == 0)) || fail "$1 ended the program with status $status"
}

# A picture of the whole output, kept in $VIREO_SHOTS when that names a folder.
shoot() {
    [[ -n ${VIREO_SHOTS:-} && -d $VIREO_SHOTS ]] || return 0
    grim "$VIREO_SHOTS/$case_name-$1.png" || true
}
