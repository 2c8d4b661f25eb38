#!/usr/bin/env bash
# Builds Velmora and starts it.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake -S . -B build -G Ninja -DBUILD_TESTING=OFF >/dev/null
cmake --build build --target velmora
exec build/bin/velmora
