#!/usr/bin/env bash
# End to end under Xvfb: with empty XDG folders Velmora creates its data folder and history files, shows its
# splash and then the main window "Velmora"; a second start leaves the first running, raises it, and exits.
# (Without a window manager nothing can ask the window to close; the in-process tests cover the shut-down.)
# Then a record typed into the record form by hand is stored in the new book, shown and edited again, and
# deleted. Last a record is filled with the keyboard alone, through a real input method, from 電話番号 to 登録:
# a postal code and an address from the dictionary window, a name through the name-reading pop-up.
# Usage: startup.sh <program> <table-row counter>   (run inside xvfb-run; it starts its own D-Bus session)
set -euo pipefail
program=$1
rows=$2
source "$(dirname "$0")/common.sh"
start_input_method

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

close_information_dialog

create_first_book
[ -f "$book/Adrs.DB" ] || fail "no table file for the new book"
head -c 16 "$book/Adrs.DB" | grep -q 'SQLite format 3' && fail "table file not encrypted"

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

# A new record with the keyboard alone, through the input method.
enter_record_by_keyboard
table() { "$rows" "$data/Data/Adrs/アドレス/" Adrs.DB "$@"; }
wait_for 30 sh -c "[ \"\$('$rows' '$data/Data/Adrs/アドレス/' Adrs.DB Pos 2>/dev/null)\" = 1000001 ]" \
  || fail "the record typed with the keyboard was not stored"
[ "$(table JisCode)" = 13101 ] || fail "the municipality code was not stored"
[ "$(table Adrs1 | iconv -f SHIFT_JIS -t UTF-8)" = 千代田区 ] || fail "the dictionary's address was not stored"
[ "$(table NameKana | iconv -f SHIFT_JIS -t UTF-8)" = "ｻﾄｳ ﾀﾛｳ" ] || fail "the reading was not stored: $(table NameKana | iconv -f SHIFT_JIS -t UTF-8)"
# The name is kept in UTF-16 escapes: 佐藤, the ideographic space, and the given name's first form.
table NameKanji | grep -q '^@4F50@85E4@3000@....@....$' || fail "the written name was not stored: $(table NameKanji)"
echo "PASS"
