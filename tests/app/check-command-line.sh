#!/usr/bin/env bash
# Runs the program with --help, -h and --version where it could not start: no display, a Qt
# platform that needs one, no JACK server to be started, and a runtime folder of its own in
# which an instance search would leave its lock. Each must answer on standard output alone
# and end with status 0.
# Usage: check-command-line.sh <program> <version> <scratch folder>
set -uo pipefail
program=$1
version=$2
scratch=$3
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

rm -rf "$scratch"
mkdir -p "$scratch/run" "$scratch/home"
chmod 700 "$scratch/run"
run() {
    env -i PATH="$PATH" HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/run" \
        QT_QPA_PLATFORM=xcb JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER=vireo-none \
        timeout 20 "$program" "$@" >"$scratch/out" 2>"$scratch/err"
}

for option in --help -h; do
    run "$option"
    status=$?
    ((status == 0)) || fail "$option ended with status $status: $(cat "$scratch/err")"
    [[ -s $scratch/err ]] && fail "$option wrote on standard error: $(cat "$scratch/err")"
    grep -q '^Usage: sonexa-vireo-mixer \[FILE\.mix\]$' "$scratch/out" ||
        fail "$option printed no usage line: $(cat "$scratch/out")"
    grep -q 'already running' "$scratch/out" ||
        fail "$option does not say that a running mixer is handed the file"
done

run --version
status=$?
((status == 0)) || fail "--version ended with status $status: $(cat "$scratch/err")"
[[ $(cat "$scratch/out") == "sonexa-vireo-mixer $version" ]] ||
    fail "--version printed '$(cat "$scratch/out")', not 'sonexa-vireo-mixer $version'"

leftovers=$(find "$scratch/run" "$scratch/home" -mindepth 1)
[[ -z $leftovers ]] || fail "the program left files behind: $leftovers"

((failures == 0)) && rm -rf "$scratch"
exit $((failures > 0))
