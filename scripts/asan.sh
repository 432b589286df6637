#!/usr/bin/env bash
# Builds the "asan" preset (AddressSanitizer and UndefinedBehaviorSanitizer) and runs every
# test under it. Extra arguments go to ctest, e.g. scripts/asan.sh -L e2e or -R mixer.
# The sanitizers' options and suppressions come with the preset's test environment.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
start=$SECONDS
cmake --preset asan >/dev/null
cmake --build --preset asan --parallel "$(nproc)"
status=0
ctest --preset asan "$@" || status=$?
echo "asan: build and tests took $((SECONDS - start)) s" >&2
exit "$status"
