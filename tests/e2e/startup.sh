#!/usr/bin/env bash
# End to end under Xvfb: with empty XDG folders Velmora creates its data folder and history files, shows its
# splash and then the main window "Velmora"; a second start leaves the first running, raises it, and exits.
# (Without a window manager nothing can ask the window to close; the in-process tests cover the shut-down.)
# Then a record typed into the record form by hand is stored in the new book, shown and edited again, and
# deleted. Last a record is filled with the keyboard alone, through a real input method, from 電話番号 to 登録:
# a postal code and an address from the dictionary window, a name through the name-reading pop-up.
# Usage: startup.sh <program> <table-row counter>   (run inside xserver.sh; it starts its own D-Bus session)
set -euo pipefail
program=$1
rows=$2
source "$(dirname "$0")/common.sh"
start_input_method

# No disc drive exists here; a disc folder keeps the no-drive message away so the test sees the windows. The
# usual umask: the data folder and the settings made here are open to others, as an earlier start left them.
umask 022
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
# The data folder and all in it are the user's alone: what the start made, and what it found open.
open_to_others=$(find "$data" \( -type d ! -perm 700 \) -o \( -type f ! -perm 600 \))
[ -z "$open_to_others" ] || fail "open to other users: $open_to_others"

# Take the focus away, start again: the second process ends and the first gets its window back in front.
start=$(date +%s)
timeout 10 "$program" || fail "second start did not end cleanly"
[ $(( $(date +%s) - start )) -le 15 ] || fail "second start took too long"
kill -0 "$pid" || fail "first instance ended"
wait_for 5 sh -c "[ \"\$(xdotool getwindowfocus)\" = \"$main\" ]" || fail "first window not brought to the front"

# Register a record by hand: 番号検索 opens the record form for a new record and its telephone look-up; close
# the look-up, type a telephone number into its field and press 登録. The form's controls are found on the
# accessibility bus by role and name.
stored() {  # <value> [<field>]: the book holds that many records, or its one record that value in the field
  [ "$("$rows" "$data/Data/Adrs/アドレス/" Adrs.DB ${2:-} 2>/dev/null)" = "$1" ]
}
xdotool key ctrl+n
wait_for 30 shown 'アドレス帳情報登録' || fail "no record form"
cancel_lookup
# Nothing gives the form the keyboard back when the look-up closes: no window manager runs here.
focus_dialog 'アドレス帳情報登録'
atspi focus 'アドレス帳情報登録' text 電話番号 || fail "no telephone field on the record form"
xdotool type --delay 20 '0312345678'
atspi holds 'アドレス帳情報登録' text 電話番号 0312345678 || fail "the number did not arrive in its field"
# A name set as a screen reader sets it, longer than the field: the field keeps its 15 characters, as typing.
atspi text 'アドレス帳情報登録' text 名前 "$(printf '名%.0s' {1..35})" || fail "the name field took no text"
atspi holds 'アドレス帳情報登録' text 名前 "$(printf '名%.0s' {1..15})" || fail "the name set over the bus was not cut"
look record-typed
atspi press 'アドレス帳情報登録' 'push button' 登録 || fail "no 登録 on the record form"
answer_until 30 stored 1 || fail "the typed record was not stored"
stored 0312345678 Tel || fail "the number was not stored as digits"
stored "$(printf '@540D%.0s' {1..15})" NameKanji || fail "the name was not stored as the field showed it"

# Edit it: 照会 (Ctrl+I) shows the selected record; a new number and 変更 store it.
focus_main
xdotool key ctrl+i
atspi focus 'アドレス帳情報照会' text 電話番号 || fail "the record was not shown"
xdotool key ctrl+a
xdotool type --delay 20 '0667778888'
atspi holds 'アドレス帳情報照会' text 電話番号 0667778888 || fail "the new number did not arrive in its field"
atspi press 'アドレス帳情報照会' 'push button' 変更 || fail "no 変更 on the record form"
answer_until 30 stored 0667778888 Tel || fail "the edited number was not stored"

# Delete it from the record form: 削除, and Yes to the question, whose default is No.
shown 'アドレス帳情報照会' >/dev/null 2>&1 || { focus_main; xdotool key ctrl+i; }
atspi press 'アドレス帳情報照会' 'push button' 削除 || fail "the record was not shown for deleting"
atspi window '^Velmora$' || fail "no question before deleting"
look record-delete-question
atspi press '^Velmora$' 'push button' 'はい(Y)' || fail "no はい in the question"
wait_for 30 stored 0 || fail "the record was not deleted"

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
