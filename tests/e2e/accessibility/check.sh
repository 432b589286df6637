#!/usr/bin/env bash
# The mixer as a screen reader meets it: started with Qt's accessibility bridge on, beside a
# private session bus and its accessibility bus, read through AT-SPI (read_tree.py): the names
# and levels of its sliders and fields, and the levels a hand-off from a second start announces.
# Usage: check.sh <mixer program>
set -euo pipefail
[[ -n ${VIREO_PRIVATE_SESSION_BUS:-} ]] || VIREO_PRIVATE_SESSION_BUS=1 exec dbus-run-session -- "$0" "$@"
build=$(dirname "$(realpath "$1")")
here=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
cd "$here/../../.."
# shellcheck source=scripts/screen-session.sh
source scripts/screen-session.sh
launcher=/usr/libexec/at-spi-bus-launcher
require_tools Xvfb jackd jack_midi_dump dbus-send "$launcher"

start_display
start_jack "vireo-a11y-$$"
"$launcher" --launch-immediately >/dev/null 2>&1 &
pids+=($!)
# This launcher owns the name once it is up; asking for the bus's address would start another.
poll sh -c 'dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus | grep -q "boolean true"'

home="$work/home"
prepare_home "$home"
mkdir -p "$home/data/sonexa-vireo-mixer"
printf '%s\n' '[Mixer Settings]' 'Volume Level=100' 'A/D Part Level=90' 'Reverb Level=40' \
    'Chorus Level=30' 'Variation Level=20' 'Dry Level=10' >"$home/data/sonexa-vireo-mixer/Default.mix"
printf '%s\n' '[Mixer Settings]' 'Volume Level=50' 'Dry Level=77' >"$work/Evening.mix"
session_bus=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 start_mixer "$home"

/usr/bin/python3 "$here/read_tree.py" "$work/listening" "Master Volume=100" "MIDI Volume=127" \
    "MIDI Reverb=0" "MIDI Chorus=0" "Digital Volume=90" "Digital Reverb=40" "Digital Chorus=30" \
    "Variation=20" "Dry=10" -- "Master Volume=50" "Dry=77" &
reader=$!
pids+=("$reader")
while kill -0 "$reader" 2>/dev/null && [[ ! -e "$work/listening" ]]; do sleep 0.1; done
[[ ! -e "$work/listening" ]] || start_mixer "$home" "$work/Evening.mix"
wait "$reader"
