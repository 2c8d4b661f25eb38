#!/usr/bin/env bash
# End to end under Xvfb: a book of 100,000 records opens at once, and the window answers while the user pages
# through the list, selects every row and reloads it.
# Usage: large_book.sh <program> <book maker>   (run inside xvfb-run)
set -euo pipefail
program=$1
make_book=$2
source "$(dirname "$0")/common.sh"

mkdir -p "$work/disc" "$data/Data/Adrs"
"$make_book" "$data/Data/Adrs/Book/" 100000 || fail "could not make the book"
printf '[HIDDEN PARAMETER]\r\nPath=%s\r\n[OPERATION]\r\nViewSplash=0\r\n[BASE]\r\nDataPath=%s\r\nAdrsName=Book\r\nInfo=0\r\n[UPDATE]\r\nUpdateCheck=0\r\n' \
  "$work/disc" "$data/Data/" > "$data/Mirvale18.ini"

start=$(date +%s%N)
"$program" & pid=$!
wait_for 60 xdotool search --onlyvisible --name '^Velmora - Book$' || fail "the book did not open"
opened=$(( ($(date +%s%N) - start) / 1000000 ))
echo "the book of 100,000 records opened in ${opened} ms (program start included)"
main=$(xdotool search --onlyvisible --name '^Velmora - Book$' | head -n 1)

# Each step must leave the window answering within a second: a second start is answered by the first
# instance's event loop, so it returns only while that loop runs.
answers() {
  local t0=$(date +%s%N)
  timeout 10 "$program" || return 1
  [ $(( ($(date +%s%N) - t0) / 1000000 )) -lt 3000 ]
}
xdotool windowfocus "$main" 2>/dev/null || true
for key in Page_Down Page_Down Page_Down End Home ctrl+a F5; do
  xdotool key "$key"
  answers || fail "the window stopped answering after $key"
done
kill -0 "$pid" || fail "the program ended"
echo "PASS"
