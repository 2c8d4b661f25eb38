#!/usr/bin/env bash
# Builds Velmora with its tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh --test
jobs=$(nproc)
cmake -S . -B build -G Ninja -DBUILD_TESTING=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" "$@"
