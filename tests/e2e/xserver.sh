#!/usr/bin/env bash
# Runs a command on an X server of its own (Xvfb, 1280×1024 at 24 bits unless told) and ends the server with it.
# The server chooses a free display itself and names it once it takes connections: end-to-end tests run side by
# side, and a display chosen by looking for a free one first can be taken by another test in between, whose
# server then goes with that test while this one still draws on it.
# --screen WxH gives the screen that size; --panel N runs a window manager (openbox) that frames the windows
# and keeps N pixels at the screen's top for a desktop panel, as the available area it tells the program.
# Usage: xserver.sh [--screen WxH] [--panel N] COMMAND [ARG...]
set -euo pipefail
screen=1280x1024
panel=
while [ $# -gt 0 ]; do
  case "$1" in
    --screen) screen=$2; shift 2 ;;
    --panel) panel=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: xserver.sh [--screen WxH] [--panel N] COMMAND [ARG...]" >&2; exit 2; }
named=$(mktemp)
config=
said=
server=
manager=
stop() {
  [ -n "$manager" ] && kill "$manager" 2>/dev/null && wait "$manager" 2>/dev/null
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -f "$named" ${config:+"$config"} ${said:+"$said"}
}
trap stop EXIT
trap 'exit 143' TERM INT
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$named" >/dev/null 2>&1 &
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
if [ -n "$panel" ]; then
  config=$(mktemp --suffix=.xml)
  printf '<?xml version="1.0"?>\n<openbox_config xmlns="http://openbox.org/3.4/rc"><margins><top>%s</top></margins></openbox_config>\n' \
    "$panel" > "$config"
  said=$(mktemp)
  # On a machine starting many servers at once a client's first connection has been seen refused just after the
  # server named its display: the manager is started once a client has connected, and started again should it
  # still end at its start.
  for _ in $(seq 600); do
    xprop -root >/dev/null 2>&1 && break
    kill -0 "$server" 2>/dev/null || { echo "xserver.sh: Xvfb ended after it named its display" >&2; exit 1; }
    sleep 0.1
  done
  for attempt in 1 2 3; do
    openbox --sm-disable --config-file "$config" >"$said" 2>&1 &
    manager=$!
    # The manager has taken the screen once it tells the area it leaves to the windows.
    for _ in $(seq 600); do
      xprop -root _NET_WORKAREA 2>/dev/null | grep -q "= 0, $panel," && break 2
      kill -0 "$manager" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$manager" 2>/dev/null && break
    wait "$manager" 2>/dev/null || true
    manager=
    [ "$attempt" -lt 3 ] || { echo "xserver.sh: the window manager ended at its start:" >&2; cat "$said" >&2; exit 1; }
    sleep 1
  done
  xprop -root _NET_WORKAREA 2>/dev/null | grep -q "= 0, $panel," \
    || { echo "xserver.sh: the window manager kept no panel within 60 s" >&2; exit 1; }
fi
set +e
"$@"
status=$?
set -e
exit "$status"
