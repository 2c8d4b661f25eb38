#!/usr/bin/env bash
# End to end under Xvfb: the data exchange as a user drives it. A new book is made at the first start, a CSV
# file is imported into it from the menu and its rows appear in the list; the export writes them again as
# they came in; a backup is made, a record deleted, and the restore brings it back.
# Usage: exchange.sh <program> <table-row counter>   (run inside xvfb-run)
set -euo pipefail
program=$1
rows=$2
source "$(dirname "$0")/common.sh"

mkdir -p "$work/disc" "$data"
# The export's items: 名前 and 電話番号, with a header row, in UTF-8.
printf '[HIDDEN PARAMETER]\r\nPath=%s\r\n[OPERATION]\r\nViewSplash=0\r\n[BASE]\r\nInfo=0\r\n[UPDATE]\r\nUpdateCheck=0\r\n[FILE EXPORT]\r\nItems=16,3\r\nHeader=1\r\nCode=1\r\nSeparator=0\r\n' \
  "$work/disc" > "$data/Mirvale18.ini"
csv=$work/in.csv
{
  printf '名前,電話番号\r\n'
  for i in $(seq 10 39); do printf '山田商事%s,03-1234-56%s\r\n' "$i" "$i"; done
} > "$csv"

"$program" & pid=$!
# No book yet: the notice, then the book dialog in create mode; Enter takes the default name and creates it.
notice() { [ "$(xdotool search --onlyvisible --name '^Velmora$' | wc -l)" -ge 2 ]; }
wait_for 60 notice || fail "no notice before the book dialog"
xdotool key Return
wait_for 30 xdotool search --onlyvisible --name 'アドレス帳の作成' || fail "no book dialog"
sleep 0.3
xdotool key Return; sleep 0.3
xdotool key Return
wait_for 30 xdotool search --onlyvisible --name '^Velmora - ' || fail "book not opened"
main=$(xdotool search --onlyvisible --name '^Velmora - ' | head -n 1)
book=$data/Data/Adrs/アドレス/
focus_main() { xdotool windowfocus "$main" 2>/dev/null || true; sleep 0.3; }
# Dialogs have no window manager here: the newest visible window of a title is given the focus.
# Clicks a button of the newest window of a title, given by its distance from the bottom right corner.
click_button() {
  eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --name "$1" | tail -n 1)")"
  xdotool mousemove $((X + WIDTH - $2)) $((Y + HEIGHT - $3)) click 1
}
focus_dialog() { xdotool windowfocus "$(xdotool search --onlyvisible --name "$1" | tail -n 1)" 2>/dev/null || true; sleep 0.3; }

# Import: ファイル → テキストファイルの取り込み, 参照 to the file, 取り込み, Yes to the question.
focus_main
xdotool key alt+f; sleep 0.4; xdotool key i
wait_for 10 xdotool search --onlyvisible --name 'テキストファイルの取り込み' || fail "no import dialog"
sleep 0.5
xdotool key alt+r
wait_for 10 xdotool search --onlyvisible --name '取り込むファイルの選択' || fail "no file dialog"
sleep 0.5
paste_text "$csv"
xdotool key Return
wait_for 10 sh -c "! xdotool search --onlyvisible --name '取り込むファイルの選択'" || fail "the file dialog stayed open"
focus_dialog 'テキストファイルの取り込み'
xdotool key alt+i
answer_boxes
wait_for 30 sh -c "[ \"\$('$rows' '$book' Adrs.DB 2>/dev/null)\" = 30 ]" || fail "the rows were not imported"
wait_for 10 sh -c "! xdotool search --onlyvisible --name 'テキストファイルの取り込み'" || fail "the import dialog stayed open"

# Export: ファイル → テキストファイルの出力 of all rows, 出力 to a file; it reads as the imported file did.
focus_main
xdotool key alt+f; sleep 0.4; xdotool key e
wait_for 10 xdotool search --onlyvisible --name 'テキストファイルの出力' || fail "no export window"
focus_dialog 'テキストファイルの出力'
xdotool key alt+o
wait_for 10 xdotool search --onlyvisible --name '出力ファイルの指定' || fail "no file dialog for the export"
sleep 0.5
paste_text "$work/out.csv"
xdotool key Return
answer_boxes
wait_for 30 test -s "$work/out.csv" || fail "nothing exported"
# The export starts with a byte-order mark; the rest is the imported file byte for byte.
tail -c +4 "$work/out.csv" | cmp -s - "$csv" || fail "the export differs from the imported file"
click_button 'テキストファイルの出力' 51 22  # 閉じる
wait_for 10 sh -c "! xdotool search --onlyvisible --name 'テキストファイルの出力'" || fail "the export window stayed open"

# Backup: オプション → バックアップ, 実行 (the default button), then the summary.
focus_main
xdotool key alt+o; sleep 0.4; xdotool key b
wait_for 10 xdotool search --onlyvisible --name '^バックアップ$' || fail "no backup dialog"
focus_dialog '^バックアップ$'
xdotool key Return
answer_boxes
wait_for 30 sh -c "ls '$data/Data/' | grep -q '^2[0-9]* [0-9]*$'" || fail "no backup folder"
wait_for 10 sh -c "! xdotool search --onlyvisible --name '^バックアップ$'" || fail "the backup dialog stayed open"

# A record deleted from the list: the first row, Delete, Yes.
focus_main
xdotool key Home; sleep 0.3
xdotool key Delete
wait_for 10 sh -c "[ \"\$(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null | wc -l)\" -ge 1 ]" || fail "no question before deleting"
sleep 0.3
xdotool key alt+y
wait_for 30 sh -c "[ \"\$('$rows' '$book' Adrs.DB 2>/dev/null)\" = 29 ]" || fail "the record was not deleted"

# Restore: オプション → 復元, the newest backup (chosen already), 復元, Yes to the question, then the summary.
focus_main
xdotool key alt+o; sleep 0.4; xdotool key r
wait_for 10 xdotool search --onlyvisible --name '^復元$' || fail "no restore dialog"
sleep 0.5
click_button '^復元$' 136 21  # 復元
wait_for 10 sh -c "[ \"\$(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null | wc -l)\" -ge 1 ]" || fail "no question before restoring"
sleep 0.3
xdotool key alt+y
answer_boxes
wait_for 30 sh -c "[ \"\$('$rows' '$book' Adrs.DB 2>/dev/null)\" = 30 ]" || fail "the restore did not bring the record back"
"$rows" "$book" Adrs.DB Tel | grep -qx '0312345610' || fail "the deleted record is not the one restored"

# 終了 on the tool bar ends the program.
focus_main
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 922)) $((Y + 56)) click 1
wait_for 30 sh -c "! kill -0 $pid" || fail "the program did not end"
pid=
