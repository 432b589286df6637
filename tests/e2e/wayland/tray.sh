#!/usr/bin/env bash
# The mixer's tray icon in a Wayland session (sway, swaybar's StatusNotifier tray), driven over
# the session bus as the panel drives it. One case per run:
#   tray.sh <mixer program> at-start|late-panel|restarted-panel|no-panel
set -euo pipefail
program=$1
case_name=$2
# shellcheck source=tests/e2e/wayland/session.sh
source "$(dirname "$(readlink -f "$0")")/session.sh"
become_session_user

start_with_panel() {
    start_session 0
    poll panel_up || fail "the panel did not start"
    run_mixer
    poll item_registered || fail "the icon did not register"
}

open_from_icon() {
    activate
    poll window_shown || fail "the icon did not show the window"
}

# In tray mode the close box only hides the window.
close_to_tray() {
    close_window
    poll eval '! window_shown' || fail "the close box did not hide the window"
    kill -0 "$mixer" || fail "closing the window ended the program"
}

# With the panel there at start, the window waits hidden for the icon; the icon shows it, its
# close box hides it again, and Exit from the icon's menu ends the program.
at_start() {
    start_with_panel
    ! window_shown || fail "the window showed before the icon was used"
    open_from_icon
    shoot window
    close_to_tray
    click_menu_item E_xit
    expect_success "Exit from the icon's menu"
}

# A panel 6 s after the mixer: the window starts as the main window; the icon comes when the
# panel does, and from then on the close box only hides the window.
late_panel() {
    start_session 6
    run_mixer
    poll window_shown || fail "without a panel the window did not show"
    poll test -s "$work/bar.pid" || fail "the panel did not start"
    poll item_registered || fail "the late panel got no icon"
    shoot panel
    close_to_tray
    open_from_icon
}

# The panel ends and comes back: without it the window is shown as the main window; the icon
# comes back with the panel, and with it tray mode.
restarted_panel() {
    start_with_panel
    stop_panel
    poll window_shown || fail "without a panel the hidden window stayed out of reach"
    start_panel
    poll item_registered || fail "the icon did not come back with the panel"
    shoot back
    close_to_tray
    open_from_icon
}

# No panel at all: the window is the program's main window and closing it ends the program.
no_panel() {
    start_session none
    run_mixer
    poll window_shown || fail "without a panel the window did not show"
    shoot window
    close_window
    expect_success "Closing the window"
}

case $case_name in
at-start) at_start ;;
late-panel) late_panel ;;
restarted-panel) restarted_panel ;;
no-panel) no_panel ;;
*) fail "unknown case" ;;
esac
echo "PASS ($case_name)"
