#!/usr/bin/env bash
# End to end under Xvfb: with empty XDG folders Velmora creates its data folder and history files, shows its
# splash and then the main window "Velmora"; a second start leaves the first running, raises it, and exits.
# (Without a window manager nothing can ask the window to close; the in-process tests cover the shut-down.)
# Then a record typed into the record form by hand is stored in the new book, shown and edited again, and
# deleted; a record started from a postal code gets the dictionary's address.
# Usage: startup.sh <program> <table-row counter>   (run inside xvfb-run)
set -euo pipefail
program=$1
rows=$2
source "$(dirname "$0")/common.sh"

# No disc drive exists here; a disc folder keeps the no-drive message away so the test sees the windows.
mkdir -p "$work/disc" "$data"
printf '[HIDDEN PARAMETER]\r\nPath=%s\r\n' "$work/disc" > "$data/Mirvale18.ini"

# Visible windows titled Velmora other than the splash (untitled windows carry the program's name too).
main_windows() {
  for w in $(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null); do
    xdotool getwindowgeometry "$w" | grep -q 'Geometry: 512x400' || echo "$w"
  done
}
has_main_window() { [ -n "$(main_windows)" ]; }
# A new record opens with the telephone number's look-up; Escape closes it without taking anything.
cancel_lookup() {
  wait_for 30 xdotool search --onlyvisible --name '^検索$' || fail "no telephone look-up for the new record"
  sleep 0.5
  xdotool windowfocus "$(xdotool search --onlyvisible --name '^検索$' | head -n 1)" 2>/dev/null || true
  xdotool key Escape
  wait_for 30 sh -c "! xdotool search --onlyvisible --name '^検索$'" || fail "the look-up did not close"
}

"$program" & pid=$!

# The splash: an undecorated 512 x 400 window, before the main window appears.
wait_for 60 sh -c "xwininfo -root -tree | grep -q '512x400'" || fail "no splash window"
has_main_window && fail "main window shown while the splash is up"
wait_for 60 has_main_window || fail "no main window titled Velmora"
xwininfo -root -tree | grep -q '512x400' && fail "splash still up beside the main window"

[ -f "$data/Data/History/Post.mtd" ] || fail "Post.mtd not copied"
[ -f "$data/Data/History/Honor.mtd" ] || fail "Honor.mtd not copied"
grep -q 'DataPath=' "$data/Mirvale18.ini" || fail "data root not written back"
[ -f "$data/Category/OxaCatm.DB" ] || fail "default category tables not copied"

# No book yet: a notice, then the book dialog in create mode with the default name. Enter closes the notice,
# Enter leaves the name field for OK, Enter creates and opens the book.
notice() { [ "$(xdotool search --onlyvisible --name '^Velmora$' | wc -l)" -ge 2 ]; }
wait_for 30 notice || fail "no notice before the book dialog"
xdotool key Return
wait_for 30 xdotool search --onlyvisible --name 'アドレス帳の作成' || fail "no book dialog"
sleep 0.3
xdotool key Return; sleep 0.3
xdotool key Return
wait_for 30 xdotool search --onlyvisible --name '^Velmora - ' || fail "book not opened"
book="$data/Data/Adrs/アドレス/Adrs.DB"
[ -f "$book" ] || fail "no table file for the new book"
head -c 16 "$book" | grep -q 'SQLite format 3' && fail "table file not encrypted"
main=$(xdotool search --onlyvisible --name '^Velmora - ' | head -n 1)

# Take the focus away, start again: the second process ends and the first gets its window back in front.
start=$(date +%s)
timeout 10 "$program" || fail "second start did not end cleanly"
[ $(( $(date +%s) - start )) -le 15 ] || fail "second start took too long"
kill -0 "$pid" || fail "first instance ended"
wait_for 5 sh -c "[ \"\$(xdotool getwindowfocus)\" = \"$main\" ]" || fail "first window not brought to the front"

# Register a record by hand: 番号検索 opens the record form for a new record and its telephone look-up; close
# the look-up, type a telephone number into its field and press 登録.
xdotool key ctrl+n
wait_for 30 xdotool search --onlyvisible --name 'アドレス帳情報登録' || fail "no record form"
cancel_lookup
form=$(xdotool search --onlyvisible --name 'アドレス帳情報登録' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$form")"
sleep 0.5
xdotool mousemove $((X + 140)) $((Y + 109)) click 1
xdotool type --delay 20 '0312345678'
xdotool mousemove $((X + 45)) $((Y + 607)) click 1
answer_boxes
wait_for 30 sh -c "[ \"\$('$rows' '$data/Data/Adrs/アドレス/' Adrs.DB 2>/dev/null)\" = 1 ]" \
  || fail "the typed record was not stored"
[ "$("$rows" "$data/Data/Adrs/アドレス/" Adrs.DB Tel)" = 0312345678 ] || fail "the number was not stored as digits"

# Edit it: 照会 (Ctrl+I) shows the selected record; a new number and 変更 store it.
xdotool windowfocus "$main" 2>/dev/null || true
xdotool key ctrl+i
wait_for 30 xdotool search --onlyvisible --name 'アドレス帳情報照会' || fail "the record was not shown"
form=$(xdotool search --onlyvisible --name 'アドレス帳情報照会' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$form")"
sleep 0.5
xdotool mousemove $((X + 140)) $((Y + 109)) click 1
xdotool key ctrl+a
xdotool type --delay 20 '0667778888'
xdotool mousemove $((X + 132)) $((Y + 607)) click 1
answer_boxes
wait_for 30 sh -c "[ \"\$('$rows' '$data/Data/Adrs/アドレス/' Adrs.DB Tel 2>/dev/null)\" = 0667778888 ]" \
  || fail "the edited number was not stored"

# Delete it from the record form: 削除, and Yes to the question.
xdotool search --onlyvisible --name 'アドレス帳情報照会' >/dev/null 2>&1 || { xdotool windowfocus "$main" 2>/dev/null || true; xdotool key ctrl+i; }
wait_for 30 xdotool search --onlyvisible --name 'アドレス帳情報照会' || fail "the record was not shown for deleting"
form=$(xdotool search --onlyvisible --name 'アドレス帳情報照会' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$form")"
xdotool mousemove $((X + 218)) $((Y + 607)) click 1
wait_for 30 sh -c "[ \"\$(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null | wc -l)\" -ge 1 ]" || fail "no question before deleting"
sleep 0.3
xdotool key alt+y
wait_for 30 sh -c "[ \"\$('$rows' '$data/Data/Adrs/アドレス/' Adrs.DB 2>/dev/null)\" = 0 ]" || fail "the record was not deleted"

# A new record from its postal code: typed in 郵便番号, Enter moves to the look-up button and presses it, Enter
# twice takes the town the dictionary offers, and 登録 stores the address it filled in.
xdotool search --onlyvisible --name 'アドレス帳情報' >/dev/null 2>&1 || { xdotool windowfocus "$main" 2>/dev/null || true; }
xdotool key ctrl+n
wait_for 30 xdotool search --onlyvisible --name 'アドレス帳情報登録' || fail "no record form for the postal code"
cancel_lookup
form=$(xdotool search --onlyvisible --name 'アドレス帳情報登録' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$form")"
sleep 0.5
xdotool mousemove $((X + 140)) $((Y + 109)) click 1
xdotool key Tab Tab Tab Tab Tab Tab
xdotool type --delay 20 '1000001'
xdotool key Return; sleep 0.3
xdotool key Return
wait_for 30 xdotool search --onlyvisible --name '^検索$' || fail "no dictionary window"
sleep 0.5
# Enter in its city list moves to the towns, Enter there decides.
xdotool windowfocus "$(xdotool search --onlyvisible --name '^検索$' | head -n 1)" 2>/dev/null || true
xdotool key Return; sleep 0.3
xdotool key Return
wait_for 30 sh -c "! xdotool search --onlyvisible --name '^検索$'" || fail "the dictionary window stayed open"
xdotool mousemove $((X + 45)) $((Y + 607)) click 1
answer_boxes
wait_for 30 sh -c "[ \"\$('$rows' '$data/Data/Adrs/アドレス/' Adrs.DB Pos 2>/dev/null)\" = 1000001 ]" \
  || fail "the record of the postal code was not stored"
[ "$("$rows" "$data/Data/Adrs/アドレス/" Adrs.DB JisCode)" = 13101 ] || fail "the municipality code was not stored"
[ "$("$rows" "$data/Data/Adrs/アドレス/" Adrs.DB Adrs1 | iconv -f SHIFT_JIS -t UTF-8)" = 千代田区 ] \
  || fail "the dictionary's address was not stored"
echo "PASS"
