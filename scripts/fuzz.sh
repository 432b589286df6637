#!/usr/bin/env bash
# Builds the "fuzz" preset and runs each reader's fuzzer for a bounded time, starting from its
# seed corpus in tests/fuzz/corpus/<target>/ (copied, so the repository is never written).
# Exits non-zero when a fuzzer finds a failing input; the input is kept in build-fuzz/findings/.
#
# Usage: scripts/fuzz.sh [seconds per target] [target...]
#   targets: profile integer hive instance (default: all); seconds default to $FUZZ_SECONDS or 20.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

seconds=${1:-${FUZZ_SECONDS:-20}}
(($# > 0)) && shift
targets=("$@")
((${#targets[@]} > 0)) || targets=(profile integer hive instance)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}"

binaries=build-fuzz/fuzz
findings=build-fuzz/findings
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
for target in "${targets[@]}"; do
    cp -r "tests/fuzz/corpus/$target" "$work/$target"
    options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
             -dict="tests/fuzz/dict/$target.dict" -artifact_prefix="$findings/$target-")
    # A hand-off path may be longer than libFuzzer's default input size.
    [[ $target == instance ]] && options+=(-max_len=8192)
    log="$work/$target.log"
    if "$binaries/fuzz_$target" "${options[@]}" "$work/$target" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
        echo "fuzz_$target: ${runs:-?} runs in ${seconds} s, ${speed:-?}/s, no finding"
    else
        echo "fuzz_$target: FINDING (input kept under $findings/)" >&2
        tail -n 60 "$log" >&2
        status=1
    fi
done
exit "$status"
