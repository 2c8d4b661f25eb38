# Shared by the end-to-end scripts: private XDG folders in a temporary work folder, the program's data folder,
# and the helpers to fail and to wait. Sourced after `set -euo pipefail`.
work=$(mktemp -d)
pid=
imepid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; [ -n "$imepid" ] && kill "$imepid" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_CONFIG_DIRS=$work/etc
unset QT_QPA_PLATFORM
data=$XDG_DATA_HOME/Oxa/Mirvale18

fail() { echo "FAIL: $*"; [ -n "${E2E_SHOT:-}" ] && import -window root "$E2E_SHOT" 2>/dev/null; exit 1; }

# Waits until a command succeeds, up to the given seconds.
wait_for() {
  local seconds=$1; shift
  for _ in $(seq $((seconds * 10))); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

# Dialogs have no window manager here: a point of the newest visible window of that name, a negative offset
# counting from its right or bottom edge.
# A book "Book" of three sample records in the data folder, and the settings that open it at start without
# the splash, the information window or the update check; $work/out for what the run writes.
make_sample_book() {  # <book maker>
  mkdir -p "$work/disc" "$work/out" "$data/Data/Adrs"
  "$1" "$data/Data/Adrs/Book/" 3 || fail "could not make the book"
  printf '[HIDDEN PARAMETER]\r\nPath=%s\r\n[OPERATION]\r\nViewSplash=0\r\n[BASE]\r\nDataPath=%s\r\nAdrsName=Book\r\nInfo=0\r\n[UPDATE]\r\nUpdateCheck=0\r\n' \
    "$work/disc" "$data/Data/" > "$data/Mirvale18.ini"
}

# Starts the program on that book and waits for its main window: pid and main are set.
start_on_book() {  # <program>
  "$1" & pid=$!
  wait_for 60 xdotool search --onlyvisible --name '^Velmora - Book$' || fail "the book did not open"
  main=$(xdotool search --onlyvisible --name '^Velmora - Book$' | head -n 1)
}

click_in() {  # <window name> <x> <y>
  local w
  w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1)
  eval "$(xdotool getwindowgeometry --shell "$w")"
  local x=$2 y=$3
  [ "$x" -lt 0 ] && x=$((WIDTH + x))
  [ "$y" -lt 0 ] && y=$((HEIGHT + y))
  xdotool mousemove $((X + x)) $((Y + y)) click 1
}

# Puts text into the focused field through the clipboard: xdotool types characters outside the keyboard map
# by remapping a key for each, which an X server under load can take in the wrong order or lose.
paste_text() {
  printf '%s' "$1" | xclip -selection clipboard 2>/dev/null
  sleep 0.2
  xdotool key ctrl+v
}

# Whatever the program asks on the way (a question, a summary) is answered with its default button.
answer_boxes() {
  for _ in 1 2 3; do
    sleep 0.8
    [ "$(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null | wc -l)" -ge 1 ] && xdotool key Return
  done
  return 0
}

# A real input method for the program started after it: the ibus daemon with its Anthy engine, in Latin input
# until the script switches it on with Ctrl+J. Needs a D-Bus session (the script runs under dbus-run-session).
start_input_method() {
  export XDG_CACHE_HOME=$work/cache GSETTINGS_BACKEND=keyfile
  gsettings set org.freedesktop.ibus.engine.anthy.common input-mode 3 || fail "no Anthy settings"
  # The engine is a Python program that needs the system's Python with its GObject bindings.
  PATH=/usr/bin:$PATH ibus-daemon --xim=false --panel=disable --replace >/dev/null 2>&1 & imepid=$!
  wait_for 30 sh -c "ibus address 2>/dev/null | grep -q unix" || fail "the input method did not start"
  IBUS_ADDRESS=$(ibus address); export IBUS_ADDRESS
  engine_on() { ibus engine anthy >/dev/null 2>&1; ibus engine 2>/dev/null | grep -q anthy; }
  wait_for 30 engine_on || fail "no Anthy engine"
  export QT_IM_MODULE=ibus
}
