#!/usr/bin/env bash
# End to end under Xvfb: the name-and-address search as a user drives it over the sample directory. Ctrl+S opens
# the window; a name is typed, the region 東京都 chosen with the keyboard and 検索 pressed; Enter on the first
# hit opens it in the record form, 登録 stores it, and the stored row is checked in the book's table.
# Then 閉じる of the search window, pressed while its 名称一覧 is open, waits for the list.
# Usage: directory_search.sh <program> <book maker> <table-row counter> <sample directory root>
set -euo pipefail
program=$1
make_book=$2
rows=$3
sample=$4
source "$(dirname "$0")/common.sh"

adrs=$data/Data/Adrs
mkdir -p "$work/disc" "$adrs"
"$make_book" "$adrs/Book/" 0 || fail "could not make the book"
printf '[HIDDEN PARAMETER]\r\nPath=%s\r\n[OPERATION]\r\nViewSplash=0\r\n[BASE]\r\nDataPath=%s\r\nAdrsName=Book\r\nInfo=0\r\n[UPDATE]\r\nUpdateCheck=0\r\n' \
  "$work/disc" "$data/Data/" > "$data/Mirvale18.ini"
printf '[HDD]\r\nInstalled=1\r\nFolder=%s\r\n' "$sample" > "$data/HddInst.ini"

"$program" & pid=$!
wait_for 60 xdotool search --onlyvisible --name '^Velmora - Book$' || fail "the book did not open"
main=$(xdotool search --onlyvisible --name '^Velmora - Book$' | head -n 1)
open_directory_hit '東洋'
press_register 30 sh -c "[ \"\$('$rows' '$adrs/Book/' Adrs.DB 2>/dev/null)\" = 1 ]" || fail "the hit was not stored"
[ "$("$rows" "$adrs/Book/" Adrs.DB Tdfkn | iconv -f SHIFT_JIS -t UTF-8)" = 東京都 ] || fail "the prefecture was not stored"
"$rows" "$adrs/Book/" Adrs.DB CorpKanji | iconv -f SHIFT_JIS -t UTF-8 | grep -q '東洋' || fail "the name was not stored"
latitude=$("$rows" "$adrs/Book/" Adrs.DB Latitude)
[ "${latitude:-0}" -gt 120000000 ] || fail "the place was not stored ($latitude)"
echo "stored: $("$rows" "$adrs/Book/" Adrs.DB CorpKanji | iconv -f SHIFT_JIS -t UTF-8)"

# A screen reader presses the search window's 閉じる while its 名称一覧 is open: nothing runs, and the window stays
# after the list has closed; 閉じる pressed then closes it, and the program goes on.
box='^名称住所検索$'
atspi press "$box" 'push button' 名称一覧 || fail "no 名称一覧 on the search window"
atspi find '^名称一覧$' 'push button' キャンセル || fail "名称一覧 did not open"
atspi press "$box" 'push button' 閉じる || fail "no 閉じる on the search window"
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the program ended when the search window was closed under 名称一覧"
xdotool search --onlyvisible --name "$box" >/dev/null || fail "the search window closed under 名称一覧"
look directory-close-held
atspi press '^名称一覧$' 'push button' キャンセル || fail "no キャンセル on 名称一覧"
sleep 1
xdotool search --onlyvisible --name "$box" >/dev/null || fail "閉じる pressed under 名称一覧 closed the search window"
atspi press "$box" 'push button' 閉じる || fail "no 閉じる on the search window"
wait_for 10 gone "$box" || fail "the search window did not close after 名称一覧"
kill -0 "$pid" 2>/dev/null || fail "the program ended after 名称一覧 closed"
look directory-closed-after
echo "closed after 名称一覧"
