#!/usr/bin/env bash
# Runs a command where the mixer can reach a MIDI port and a display. On a machine with an
# ALSA sequencer or a running JACK server the command runs as it is. Otherwise a private JACK
# server on the dummy driver is started for it, with jack_midi_dump as the receiving port
# (what it receives goes to build/run-midi.log), and stopped when the command ends.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
export JACK_NO_START_SERVER=1

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    echo "No display: the mixer runs on Qt's offscreen platform." >&2
    export QT_QPA_PLATFORM=offscreen
fi

if [[ -e /dev/snd/seq ]] || jack_lsp >/dev/null 2>&1; then
    exec "$@"
fi

server="vireo-run-$$"
log=build/run-midi.log
jackd -n "$server" -d dummy >/dev/null 2>&1 &
jackd_pid=$!
dump_pid=
program_pid=
cleanup() {
    for pid in $program_pid $dump_pid $jackd_pid; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 143' INT TERM
export JACK_DEFAULT_SERVER="$server"
for _ in $(seq 50); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done
jack_midi_dump >"$log" 2>/dev/null &
dump_pid=$!
for _ in $(seq 50); do jack_lsp | grep -q '^midi-monitor:' && break; sleep 0.1; done
echo "No MIDI system here: started a private JACK server \"$server\"; MIDI received goes to $log." >&2
# The mixer's own port (its "MIDI Mapper") is wired to the dump once it appears.
(for _ in $(seq 100); do
    own=$(jack_lsp 2>/dev/null | grep -m1 '^Sonexa Vireo Mixer:' || true)
    if [[ -n "$own" ]]; then jack_connect "$own" midi-monitor:input 2>/dev/null; break; fi
    sleep 0.1
done) &
"$@" &
program_pid=$!
wait "$program_pid"
