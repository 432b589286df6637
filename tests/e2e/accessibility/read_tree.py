#!/usr/bin/python3
"""Reads the running mixer through AT-SPI, as a screen reader does, and checks what it hears.

Usage: read_tree.py READY_FILE NAME=LEVEL... -- NAME=LEVEL...

The levels before "--" are those the mixer shows after its start; then the reader listens
for value changes, creates READY_FILE (the caller then hands the mixer another settings
file) and waits until the sliders named after "--" announce their new levels.
"""
import sys
import time

import pyatspi
from gi.repository import GLib

APP_TITLE = "Sonexa Vireo Mixer"
WAIT_SECONDS = 30


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def descendants(node):
    for child in node:
        if child is not None:
            yield child
            yield from descendants(child)


def mixer_windows():
    desktop = pyatspi.Registry.getDesktop(0)
    return [window for app in desktop if app is not None for window in app if window is not None]


def wait_for_window(role, name_start):
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        for window in mixer_windows():
            if window.getRole() == role and window.name.startswith(name_start):
                return window
        time.sleep(0.2)
    names = [(w.getRoleName(), w.name) for w in mixer_windows()]
    fail(f"no {pyatspi.Role(role)} named {name_start!r}...; windows: {names}")


def levels(arguments):
    return {name: int(value) for name, value in (a.rsplit("=", 1) for a in arguments)}


def check_controls(frame, expected):
    """Every slider and numeric field is named; the named ones show the expected levels."""
    heard = {}
    for node in descendants(frame):
        if node.getRole() not in (pyatspi.ROLE_SLIDER, pyatspi.ROLE_SPIN_BUTTON):
            continue
        if not node.name:
            fail(f"an unnamed {node.getRoleName()} in {frame.name!r}")
        heard.setdefault(node.name, []).append(int(node.queryValue().currentValue))
        print(f"{node.getRoleName()} {node.name!r} = {heard[node.name][-1]}")
    for name, level in expected.items():
        if heard.get(name) != [level, level]:
            fail(f"slider and field {name!r} read {heard.get(name)}, not {level}")


def listen_for_changes(ready_file, wanted):
    """Hands the mixer a file once listening; returns the last level each control in `wanted`
    (by name and role) announced."""
    announced = {}
    loop = GLib.MainLoop()

    def on_value(event):
        source = event.source
        key = (source.name, source.getRoleName())
        if key in wanted:
            announced[key] = int(source.queryValue().currentValue)
            if announced == wanted:
                loop.quit()

    pyatspi.Registry.registerEventListener(on_value, "object:property-change:accessible-value")
    GLib.timeout_add_seconds(WAIT_SECONDS, loop.quit)
    GLib.idle_add(lambda: open(ready_file, "w").close())
    loop.run()
    return announced


def main():
    ready_file = sys.argv[1]
    split = sys.argv.index("--")
    at_start, after_handoff = levels(sys.argv[2:split]), levels(sys.argv[split + 1:])

    frame = wait_for_window(pyatspi.ROLE_FRAME, f"{APP_TITLE} - Default")
    check_controls(frame, at_start)
    wanted = {(name, role): level for name, level in after_handoff.items()
              for role in ("slider", "spin button")}
    announced = listen_for_changes(ready_file, wanted)
    if announced != wanted:
        fail(f"after the hand-off the mixer announced {announced}, not {wanted}")
    wait_for_window(pyatspi.ROLE_FRAME, f"{APP_TITLE} - Evening")
    print("the mixer reads as it should over AT-SPI")


if __name__ == "__main__":
    main()
