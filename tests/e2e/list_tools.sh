#!/usr/bin/env bash
# End to end under Xvfb: the list tools as a user drives them. The word search finds a record, which is copied
# into another book; the batch change writes a keyword into every selected record; a column is shown and a
# keyword renamed; the filter narrows the list and the duplicate display of the records that share a name
# replaces it at the next start. What each tool stored is checked in the table files and, after the program
# ends, in its settings.
# Usage: list_tools.sh <program> <book maker> <table-row counter>   (run inside xvfb-run)
set -euo pipefail
program=$1
make_book=$2
rows=$3
source "$(dirname "$0")/common.sh"

adrs=$data/Data/Adrs
mkdir -p "$work/disc" "$adrs"
"$make_book" "$adrs/Book/" 300 || fail "could not make the book"
"$make_book" "$adrs/Other/" 0 || fail "could not make the second book"
printf '[HIDDEN PARAMETER]\r\nPath=%s\r\n[OPERATION]\r\nViewSplash=0\r\n[BASE]\r\nDataPath=%s\r\nAdrsName=Book\r\nInfo=0\r\n[UPDATE]\r\nUpdateCheck=0\r\n' \
  "$work/disc" "$data/Data/" > "$data/Mirvale18.ini"

"$program" & pid=$!
wait_for 60 xdotool search --onlyvisible --name '^Velmora - Book$' || fail "the book did not open"
main=$(xdotool search --onlyvisible --name '^Velmora - Book$' | head -n 1)

# Dialogs have no window manager here: each is found as the newest visible window of its own size.
dialog_at() {  # <window> <x offset> <y offset>: clicks a point of a dialog; a negative y counts from its bottom
  local w=$1 dx=$2 dy=$3
  eval "$(xdotool getwindowgeometry --shell "$w")"
  [ "$dy" -lt 0 ] && dy=$((HEIGHT + dy))
  xdotool mousemove $((X + dx)) $((Y + dy)) click 1
}
newest_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1; }

# Word search: the found row is selected.
find_word 'サンプル125'

# Copy the selected record into the other book: choose it in the list, press コピー, confirm what is asked.
focus_main
xdotool key alt+f; sleep 0.4; xdotool key a
wait_for 10 xdotool search --onlyvisible --name '他のアドレス帳にコピー' || fail "no copy dialog"
copy=$(newest_window '他のアドレス帳にコピー')
sleep 0.5
dialog_at "$copy" 89 40
dialog_at "$copy" 274 -22
answer_boxes
wait_for 30 sh -c "[ \"\$('$rows' '$adrs/Other/' Adrs.DB 2>/dev/null)\" = 1 ]" || fail "the record was not copied"
[ "$("$rows" "$adrs/Other/" Adrs.DB CustomCode)" = 125 ] || fail "another record than the found one was copied"
wait_for 10 sh -c "! xdotool search --onlyvisible --name '他のアドレス帳にコピー'" || fail "the copy dialog stayed open"

# Batch change of all rows: select all, 編集 → 一括編集, tick キーワード１, type it, 開始, confirm.
focus_main
xdotool key ctrl+a; sleep 0.3
xdotool key alt+e; sleep 0.4; xdotool key b
wait_for 10 xdotool search --onlyvisible --name 'アドレス帳の一括編集' || fail "no batch change dialog"
batch=$(newest_window 'アドレス帳の一括編集')
sleep 0.5
dialog_at "$batch" 29 298
dialog_at "$batch" 373 298
xdotool type --delay 30 'E2EKW'
dialog_at "$batch" 509 -22
answer_boxes
wait_for 60 sh -c "[ \"\$('$rows' '$adrs/Book/' Adrs.DB Keyword1 | grep -c '^E2EKW$')\" = 300 ]" \
  || fail "the batch change did not reach every record"

# Column choice: 表示 → 表示項目の設定, tick 顧客コード, OK. Keyword names: 表示 → キーワード項目の設定, a new
# name for the first keyword, Tab through to OK.
focus_main
xdotool key alt+v; sleep 0.4; xdotool key v
wait_for 10 xdotool search --onlyvisible --name '表示項目の設定' || fail "no column dialog"
columns=$(newest_window '表示項目の設定')
sleep 0.5
dialog_at "$columns" 21 67
dialog_at "$columns" 234 -15
wait_for 10 sh -c "! xdotool search --onlyvisible --name '表示項目の設定'" || fail "the column dialog stayed open"
focus_main
xdotool key alt+v; sleep 0.4; xdotool key k
wait_for 10 xdotool search --onlyvisible --name 'キーワード項目の設定' || fail "no keyword dialog"
sleep 0.5
xdotool key ctrl+a
paste_text '担当者'
for _ in $(seq 16); do xdotool key Tab; done
xdotool key space
wait_for 10 sh -c "! xdotool search --onlyvisible --name 'キーワード項目の設定'" || fail "the keyword dialog stayed open"
iconv -f cp932 -t utf-8 "$data/Data/AdrsList.ini" | tr -d '\r' | grep -qx 'Name1=担当者' || fail "the keyword name was not stored"

# Filter: Ctrl+F, a customer code starting with 12, 絞り込む.
focus_main
xdotool key ctrl+f
wait_for 10 xdotool search --onlyvisible --name '^絞り込み$' || fail "no filter dialog"
filter=$(newest_window '^絞り込み$')
sleep 0.5
dialog_at "$filter" 274 19
xdotool type --delay 30 '12'
dialog_at "$filter" 254 62
wait_for 10 sh -c "! xdotool search --onlyvisible --name '^絞り込み$'" || fail "the filter dialog stayed open"

# 終了 on the tool bar ends the program, which keeps the filter in Search.lst.
quit_program
[ -s "$data/Data/Search.lst" ] || fail "the filter was not kept in Search.lst"
tr -d '\r' < "$data/Data/AdrsList.ini" | grep -q '^HeaderView=1,1,1,' || fail "the customer-code column was not kept"
grep -q '12' "$data/Data/Search.lst" || fail "Search.lst does not hold the condition"

# Start again with that filter: the duplicate display of names (Ctrl+D, the fourth item, Enter through to
# 表示) replaces it, and both are kept so at the end.
"$program" & pid=$!
wait_for 60 xdotool search --onlyvisible --name '^Velmora - Book$' || fail "the book did not open again"
main=$(xdotool search --onlyvisible --name '^Velmora - Book$' | head -n 1)
focus_main
xdotool key ctrl+d
wait_for 10 xdotool search --onlyvisible --name '重複データの表示' || fail "no duplicate dialog"
sleep 0.3
xdotool key Down Down Down; sleep 0.2
xdotool key Return; sleep 0.2; xdotool key Return; sleep 0.2; xdotool key Return
wait_for 10 sh -c "! xdotool search --onlyvisible --name '重複データの表示'" || fail "the duplicate dialog stayed open"
quit_program
tr -d '\r' < "$data/Mirvale18.ini" | grep -A2 '^\[DUPLI SEARCH\]' | grep -qx 'Item1=4' || fail "the duplicate items were not kept"
[ -s "$data/Data/Search.lst" ] && fail "the filter was kept beside the duplicate display"
echo "PASS"
