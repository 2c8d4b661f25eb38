#!/usr/bin/env bash
# End to end under Xvfb: the list tools as a user drives them. The word search finds a record, which is copied
# into another book; the batch change writes a keyword into every selected record; a column is shown and a
# keyword renamed; the filter narrows the list and the duplicate display of the records that share a name
# replaces it at the next start. What each tool stored is checked in the table files and, after the program
# ends, in its settings.
# Usage: list_tools.sh <program> <book maker> <table-row counter>   (run inside xserver.sh)
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

# Word search: the found row is selected.
find_word 'サンプル125'

# Copy the selected record into the other book: choose it in the list, press コピー, confirm what is asked.
copy=他のアドレス帳にコピー
choose_menu_item f "$copy(A)..." a
atspi item "$copy" list 'コピー先のアドレス帳を選択してください：' Other || fail "the other book was not chosen"
# A range set as a screen reader sets a field's text: the count follows, full-width digits are digits, and a
# text that is no number is refused. Then back to the selected row.
atspi check "$copy" 'radio button' 数値で範囲を指定 on || fail "no range choice"
atspi text "$copy" text コピー範囲の開始 2 || fail "the range start took no text"
atspi text "$copy" text コピー範囲の終了 ４ || fail "the range end took no text"
atspi says "$copy" '3 件' || fail "the count did not follow the range set over the bus"
atspi text "$copy" text コピー範囲の終了 12a || fail "the range end took no text"
atspi holds "$copy" text コピー範囲の終了 4 || fail "a range that is no number was not refused"
atspi check "$copy" 'radio button' 一覧で選択したデータ on || fail "the selected rows could not be chosen again"
look list-copy
atspi press "$copy" 'push button' コピー || fail "no copy button"
answer_until 30 gone "$copy" || fail "the copy dialog stayed open"
[ "$("$rows" "$adrs/Other/" Adrs.DB)" = 1 ] || fail "the record was not copied"
[ "$("$rows" "$adrs/Other/" Adrs.DB CustomCode)" = 125 ] || fail "another record than the found one was copied"

# Batch change of all rows: select all, 編集 → 一括編集, tick キーワード１, type it, 開始, confirm.
batch=アドレス帳の一括編集
focus_main
xdotool key ctrl+a
atspi --timeout 10 find '^Velmora - ' label '選択件数： 300' || fail "not every row was selected"
choose_menu_item e '一括編集(B)...' b
atspi check "$batch" 'check box' キーワード１ on || fail "no batch change dialog"
atspi focus "$batch" text キーワード１ || fail "no field for the first keyword"
xdotool type --delay 30 'E2EKW'
atspi holds "$batch" text キーワード１ E2EKW || fail "the keyword did not arrive in its field"
look list-batch
atspi press "$batch" 'push button' 開始 || fail "no start button"
answer_until 60 gone "$batch" || fail "the batch change dialog stayed open"
[ "$("$rows" "$adrs/Book/" Adrs.DB Keyword1 | grep -c '^E2EKW$')" = 300 ] ||
  fail "the batch change did not reach every record"

# Column choice: 表示 → 表示項目の設定, tick 顧客コード, OK. Keyword names: 表示 → キーワード項目の設定, a new
# name for the first keyword, OK.
choose_menu_item v '表示項目の設定(V)...' v
atspi item 表示項目の設定 list '表示する項目を設定してください：' 顧客コード on || fail "顧客コード was not ticked"
look list-columns
atspi press 表示項目の設定 'push button' OK || fail "no OK in the column dialog"
wait_for 10 gone 表示項目の設定 || fail "the column dialog stayed open"
choose_menu_item v 'キーワード項目の設定(K)...' k
atspi focus キーワード項目の設定 text キーワード１の名称 || fail "no keyword dialog"
xdotool key ctrl+a
paste_text '担当者'
atspi holds キーワード項目の設定 text キーワード１の名称 担当者 || fail "the name was not pasted"
atspi press キーワード項目の設定 'push button' OK || fail "no OK in the keyword dialog"
wait_for 10 gone キーワード項目の設定 || fail "the keyword dialog stayed open"
iconv -f cp932 -t utf-8 "$data/Data/AdrsList.ini" | tr -d '\r' | grep -qx 'Name1=担当者' || fail "the keyword name was not stored"

# Filter: Ctrl+F, a customer code starting with 12, 絞り込む.
focus_main
xdotool key ctrl+f
atspi focus '^絞り込み$' text 内容 || fail "no filter dialog"
xdotool type --delay 30 '12'
atspi holds '^絞り込み$' text 内容 12 || fail "the code did not arrive in its field"
look list-filter
atspi press '^絞り込み$' 'push button' 絞り込む || fail "no filter button"
wait_for 10 gone '^絞り込み$' || fail "the filter dialog stayed open"
# Codes 12 and 120 to 129 are left.
atspi --timeout 10 find '^Velmora - ' label '表示件数： 11' || fail "the filter did not narrow the list"

# 終了 on the tool bar ends the program, which keeps the filter in Search.lst.
quit_program
[ -s "$data/Data/Search.lst" ] || fail "the filter was not kept in Search.lst"
tr -d '\r' < "$data/Data/AdrsList.ini" | grep -q '^HeaderView=1,1,1,' || fail "the customer-code column was not kept"
grep -q '12' "$data/Data/Search.lst" || fail "Search.lst does not hold the condition"

# Start again with that filter: the duplicate display of names (Ctrl+D, 名前 as the first item, 表示)
# replaces it, and both are kept so at the end.
"$program" & pid=$!
wait_for 60 xdotool search --onlyvisible --name '^Velmora - Book$' || fail "the book did not open again"
main=$(xdotool search --onlyvisible --name '^Velmora - Book$' | head -n 1)
focus_main
xdotool key ctrl+d
atspi item 重複データの表示 'combo box' 項目１： 名前 || fail "no duplicate dialog"
look list-duplicates
atspi press 重複データの表示 'push button' 表示 || fail "no 表示 in the duplicate dialog"
wait_for 10 gone 重複データの表示 || fail "the duplicate dialog stayed open"
quit_program
tr -d '\r' < "$data/Mirvale18.ini" | grep -A2 '^\[DUPLI SEARCH\]' | grep -qx 'Item1=4' || fail "the duplicate items were not kept"
[ -s "$data/Data/Search.lst" ] && fail "the filter was kept beside the duplicate display"
echo "PASS"
