#!/usr/bin/env bash
# End to end under Xvfb: a book of 100,000 records, listed in the order of a case-insensitive column, opens at
# once, and the window itself answers while the user pages through the list, selects every row and reloads it.
# Usage: large_book.sh <program> <book maker>   (run inside xserver.sh)
set -euo pipefail
program=$1
make_book=$2
source "$(dirname "$0")/common.sh"

mkdir -p "$work/disc" "$data/Data/Adrs"
"$make_book" "$data/Data/Adrs/Book/" 100000 || fail "could not make the book"
printf '[HIDDEN PARAMETER]\r\nPath=%s\r\n[OPERATION]\r\nViewSplash=0\r\n[BASE]\r\nDataPath=%s\r\nAdrsName=Book\r\nInfo=0\r\n[UPDATE]\r\nUpdateCheck=0\r\n' \
  "$work/disc" "$data/Data/" > "$data/Mirvale18.ini"
# Listed by company name (会社名順).
printf '[SORT]\r\nSortType=5\r\nSortDir=1\r\n' > "$data/Data/AdrsList.ini"

start=$(date +%s%N)
"$program" & pid=$!
wait_for 60 xdotool search --onlyvisible --name '^Velmora - Book$' || fail "the book did not open"
opened=$(( ($(date +%s%N) - start) / 1000000 ))
echo "the book of 100,000 records opened in ${opened} ms (program start included)"
main=$(xdotool search --onlyvisible --name '^Velmora - Book$' | head -n 1)

# What the window shows now. Only the program's own event loop repaints it: a frozen window keeps its pixels
# whatever keys arrive.
shot() { import -window "$main" rgb:- 2>/dev/null | md5sum; }
# A key must change what the window shows within three seconds.
answers() {
  local before=$1
  for _ in $(seq 30); do
    [ "$(shot)" != "$before" ] && return 0
    sleep 0.1
  done
  return 1
}

# Still: the same picture twice a moment apart, so that a change seen after a key is the key's own.
settled() {
  local last now
  last=$(shot)
  for _ in $(seq 30); do
    sleep 0.2
    now=$(shot)
    [ "$now" = "$last" ] && return 0
    last=$now
  done
  return 1
}

# The first click focuses the list and selects a row. It is a click on a row of the list, whose place on the
# screen is all a row has: the bus would have to walk the cells of 100,000 rows to name one.
focus_main
settled || fail "the window kept changing after it opened"
before=$(shot)
xdotool mousemove --window "$main" 200 200 click 1
answers "$before" || fail "the window did not answer a click"
for key in Page_Down Page_Down End Home ctrl+a F5 Down; do
  settled || fail "the window kept changing before $key"
  before=$(shot)
  xdotool key "$key"
  # A reload shows the same rows: the next key (Down) proves the window answers after it.
  [ "$key" = F5 ] && continue
  answers "$before" || fail "the window stopped answering after $key"
done
kill -0 "$pid" || fail "the program ended"
echo "PASS"
