#!/usr/bin/python3
"""Reads the running mixer through AT-SPI, as a screen reader does.

Usage: read_tree.py READY_FILE NAME=LEVEL... -- NAME=LEVEL...
The sliders and fields named before "--" show those levels at start, every one is named, and
so are the effect lists. Then, listening, it creates READY_FILE (the caller hands the mixer
another file) until those named after "--" announce their new levels.
"""
import sys
import time

import pyatspi
from gi.repository import GLib

WAIT_SECONDS = 30
LEVEL_ROLES = ("slider", "spin button")


def descendants(node):
    for child in filter(None, node):
        yield child
        yield from descendants(child)


def wait_for_frame(name):
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        for app in filter(None, pyatspi.Registry.getDesktop(0)):
            for window in filter(None, app):
                if window.getRole() == pyatspi.ROLE_FRAME and window.name == name:
                    return window
        time.sleep(0.2)
    sys.exit(f"no window named {name!r} on the accessibility bus")


def levels(arguments):
    return {(name, role): int(level) for name, level in (a.rsplit("=", 1) for a in arguments)
            for role in LEVEL_ROLES}


def read(frame):
    """The levels of the sliders and fields by name and role, and the effect lists' names."""
    heard, lists = {}, set()
    for node in descendants(frame):
        role = node.getRoleName()
        if role in LEVEL_ROLES + ("combo box",) and not node.name:
            sys.exit(f"an unnamed {role} in {frame.name!r}")
        if role in LEVEL_ROLES:
            heard[(node.name, role)] = int(node.queryValue().currentValue)
        elif role == "combo box":
            lists.add(node.name)
    return heard, lists


def listen_for_changes(ready_file, wanted):
    announced = {}
    loop = GLib.MainLoop()

    def on_value(event):
        key = (event.source.name, event.source.getRoleName())
        if key in wanted:
            announced[key] = int(event.source.queryValue().currentValue)
            if announced == wanted:
                loop.quit()

    pyatspi.Registry.registerEventListener(on_value, "object:property-change:accessible-value")
    GLib.timeout_add_seconds(WAIT_SECONDS, loop.quit)
    GLib.idle_add(lambda: open(ready_file, "w").close())
    loop.run()
    return announced


def main():
    split = sys.argv.index("--")
    at_start, after_handoff = levels(sys.argv[2:split]), levels(sys.argv[split + 1:])
    heard, lists = read(wait_for_frame("Sonexa Vireo Mixer - Default"))
    if heard != at_start:
        sys.exit(f"the start reads {heard}, not {at_start}")
    if lists != {"Reverb effect", "Chorus effect", "Variation effect"}:
        sys.exit(f"the effect lists are called {lists}")
    announced = listen_for_changes(sys.argv[1], after_handoff)
    if announced != after_handoff:
        sys.exit(f"after the hand-off the mixer announced {announced}, not {after_handoff}")
    wait_for_frame("Sonexa Vireo Mixer - Evening")


if __name__ == "__main__":
    main()
