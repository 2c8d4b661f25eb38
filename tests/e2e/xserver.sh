#!/usr/bin/env bash
# Runs a command on an X server of its own (Xvfb, 1280×1024 at 24 bits) and ends the server with it. The server
# chooses a free display itself and names it once it takes connections: end-to-end tests run side by side, and
# a display chosen by looking for a free one first can be taken by another test in between, whose server then
# goes with that test while this one still draws on it.
# Usage: xserver.sh COMMAND [ARG...]
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: xserver.sh COMMAND [ARG...]" >&2; exit 2; }
named=$(mktemp)
server=
stop() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -f "$named"
}
trap stop EXIT
trap 'exit 143' TERM INT
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$named" >/dev/null 2>&1 &
server=$!
# Generous on a busy machine; the server names its display as soon as it takes connections.
for _ in $(seq 1200); do
  [ -n "$(cat "$named")" ] && break
  kill -0 "$server" 2>/dev/null || { echo "xserver.sh: Xvfb ended before it took connections" >&2; exit 1; }
  sleep 0.1
done
display=$(tr -d '\n' < "$named")
[ -n "$display" ] || { echo "xserver.sh: Xvfb named no display within 120 s" >&2; exit 1; }
export DISPLAY=":$display"
set +e
"$@"
status=$?
set -e
exit "$status"
