#!/usr/bin/env bash
# Builds the default preset and makes the Debian package in its build folder:
# build/sonexa-vireo-mixer_<version>_<arch>.deb (another folder may be given as the argument).
# Install it with: sudo apt install ./build/sonexa-vireo-mixer_*.deb
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build=${1:-build}
cmake --preset default -B "$build" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
cpack --config "$build/CPackConfig.cmake" -B "$build"
ls -1 "$build"/sonexa-vireo-mixer_*.deb
