#!/usr/bin/env bash
# Builds Velmora and starts it.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake -S . -B build -G Ninja -DBUILD_TESTING=OFF >/dev/null
cmake --build build --target velmora
# The sample business directory stands in for installed directory data, unless the user has their own.
data="${XDG_DATA_HOME:-$HOME/.local/share}/Oxa/Mirvale18"
if [ ! -e "$data/HddInst.ini" ]; then
  mkdir -p "$data"
  printf '[HDD]\r\nInstalled=1\r\nFolder=%s/\r\n' "$PWD/build/sample" > "$data/HddInst.ini"
fi
exec build/bin/velmora
