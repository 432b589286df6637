#!/usr/bin/env bash
# Starts the mixer with Qt's accessibility bridge on, beside a private session bus and its
# accessibility bus, and reads its windows through AT-SPI (read_tree.py) as a screen reader
# would: the names and levels of the sliders and fields, and the levels a hand-off from a
# second start announces.
# Usage: check.sh <mixer program>
set -euo pipefail
if [[ -z ${VIREO_PRIVATE_SESSION_BUS:-} ]]; then
    VIREO_PRIVATE_SESSION_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
program=$(realpath "$1")
here=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
cd "$here/../../.."

build=$(dirname "$program")
# shellcheck source=scripts/screen-session.sh
source scripts/screen-session.sh
launcher=/usr/libexec/at-spi-bus-launcher
require_tools Xvfb jackd jack_midi_dump xprop "$launcher"

start_display
start_jack "vireo-a11y-$$"
"$launcher" --launch-immediately >/dev/null 2>&1 &
pids+=($!)
# Waits for this launcher to own its name: asking for the address would start another one.
poll sh -c 'dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus | grep -q "boolean true"'

home="$work/home"
prepare_home "$home"
mkdir -p "$home/data/sonexa-vireo-mixer"
printf '%s\n' '[Mixer Settings]' 'Volume Level=100' 'A/D Part Level=90' 'Reverb Level=40' \
    'Chorus Level=30' 'Variation Level=20' 'Dry Level=10' >"$home/data/sonexa-vireo-mixer/Default.mix"
session_bus=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 start_mixer "$home"

# The levels of the start; then, while the reader listens, a second start hands the mixer
# another file, whose levels the sliders must announce.
printf '%s\n' '[Mixer Settings]' 'Volume Level=50' 'Dry Level=77' >"$work/Evening.mix"
/usr/bin/python3 "$here/read_tree.py" "$work/listening" "Master Volume=100" "Digital Volume=90" \
    "Digital Reverb=40" "Digital Chorus=30" "Variation=20" "Dry=10" -- "Master Volume=50" "Dry=77" &
reader=$!
pids+=("$reader")
while kill -0 "$reader" 2>/dev/null && [[ ! -e "$work/listening" ]]; do sleep 0.1; done
[[ ! -e "$work/listening" ]] || start_mixer "$home" "$work/Evening.mix"
wait "$reader"
