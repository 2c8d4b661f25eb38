#!/usr/bin/env bash
# End to end under Xvfb, on a book of 100,000 records: the end asked while a window works ends the program once
# the work has ended or stopped, and what it wrote is whole or absent. 一覧表印刷 to a PDF, with 終了 pressed over
# the bus and with the window manager's close of the main window while the progress runs; テキストファイルの出力
# with the window manager's close right after 保存 and with 終了 pressed while it writes. Then the window
# manager's close read together with the key that opens a dialog (Ctrl+E, the list's Delete) or with the Escape
# typed twice that dismisses one, on a small book: the program ends once the dialog has gone. Then 一括編集 of
# every record, its dialog closed by the window manager while its progress box runs: the run stops as 中止 stops
# it, the dialog goes and no record has changed. Last the check of the labels before their print: 中止 stops it and
# nothing is asked, and the end asked while it runs ends the program.
# Usage: end_while_working.sh <program> <book maker> <table-row counter>   (run inside xserver.sh)
set -euo pipefail
program=$1
make_book=$2
rows=$3
source "$(dirname "$0")/common.sh"

mkdir -p "$work/disc" "$work/out" "$data/Data/Adrs"
"$make_book" "$work/book/" 100000 || fail "could not make the book"
# The steps with a dialog need no large book, and start sooner on a busy machine with a small one.
"$make_book" "$work/small/" 3 || fail "could not make the small book"
printf '[HIDDEN PARAMETER]\r\nPath=%s\r\n[OPERATION]\r\nViewSplash=0\r\n[BASE]\r\nDataPath=%s\r\nAdrsName=Book\r\nInfo=0\r\n[UPDATE]\r\nUpdateCheck=0\r\n' \
  "$work/disc" "$data/Data/" > "$data/Mirvale18.ini"
# A book as it was made (the large one unless named), for each start.
start() {  # [<book folder>]
  rm -rf "$data/Data/Adrs/Book"
  cp -r "${1:-$work/book}" "$data/Data/Adrs/Book"
  start_on_book "$program"
}
wm_close() { /usr/bin/python3 "$e2e/wmclose.py" "$@"; }
end_pressed() { atspi press '^Velmora - ' 'push button' 終了 || fail "no 終了 on the tool bar"; }
# The program gone within the bound: the work stops at its next step.
ended() { wait_for 60 sh -c "! kill -0 $pid" || fail "$1"; pid=; }
# The file whole (its check says so) or not there, and nothing left of the work beside it.
whole_or_absent() {  # <file> <check...>
  local file=$1; shift
  local left; left=$(ls -A "$work/out" | grep -vxF "$(basename "$file")" || true)
  [ -z "$left" ] || fail "left beside $(basename "$file"): $left"
  [ -e "$file" ] || return 0
  "$@" "$file" || fail "$(basename "$file") is not whole"
  rm -f "$file"
}
pdf_whole() { pdfinfo "$1" >/dev/null 2>&1; }
# A header and a line for each record.
csv_whole() { [ "$(tr -cd '\n' < "$1" | wc -c)" = 100001 ]; }

# 一覧表印刷 to a PDF, ended while the progress runs: by 終了 over the bus, then by the window manager's close.
for how in pressed closed; do
  start
  choose_menu_item p '一覧表印刷(L)...' l
  atspi press '^一覧表印刷$' 'push button' '印刷(P)...' || fail "no print button in the list-print window"
  name_file 'PDFファイルの保存' "$work/out/list.pdf" || fail "no file dialog for the PDF"
  # The print has started once its hidden PDF is there: the window's 中止 shows from the start, enabled or not.
  wait_for 120 sh -c "ls -A '$work/out' | grep -q ." || fail "the print wrote nothing into $work/out within 120 s"
  look "list-print-$how"
  if [ "$how" = pressed ]; then end_pressed; else wm_close "$main"; fi
  ended "the end ($how) while the list printed was lost"
  whole_or_absent "$work/out/list.pdf" pdf_whole
done

# テキストファイルの出力: the window manager's close right after 保存, then 終了 pressed while it writes.
for how in closed pressed; do
  start
  choose_menu_item f 'テキストファイルの出力(E)...' e
  atspi press 'テキストファイルの出力' 'push button' '出力(O)...' || fail "no export window"
  name_file '出力ファイルの指定' "$work/out/all.csv" || fail "no file dialog for the export"
  if [ "$how" = closed ]; then
    wm_close "$main"
    ended "the end while the text was exported was lost"
  else
    atspi --timeout 30 find 'テキストファイルの出力' 'push button' '中止(S)' || fail "the export did not start"
    end_pressed
    look export-pressed
    # A press over the bus lands a moment later: a run that ended first says so, and the end waits for that.
    answer_until 60 sh -c "! kill -0 $pid" || fail "the end pressed while the text was exported was lost"
    pid=
  fi
  whole_or_absent "$work/out/all.csv" csv_whole
done

# The window manager's close read with the key that opens 環境設定, or the list's delete question: it waits for
# the dialog, and the program ends once キャンセル or いいえ has closed it. A close read before the key ends the
# program with no dialog, which is as good: the dialog is answered only when it came.
# Until the program has ended, a dialog that comes is answered with the button named. A button pressed over the bus
# clicks a tenth of a second after its press, and a second press before that starts the tenth again: pressed every
# 60 ms, as a quiet machine runs the press, it never clicked. Once pressed, the dialog is waited for to go.
end_answering() {  # <what was lost> <dialog's title> <button>
  local end=$((SECONDS + 60))
  while kill -0 "$pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$end" ] || fail "$1"
    if atspi --timeout 2 press "$2" 'push button' "$3" >/dev/null 2>&1; then
      wait_for 10 gone "$2" || true
    else
      sleep 0.2
    fi
  done
  pid=
}
start "$work/small"
focus_main
wm_close "$main" ctrl+e
end_answering "the window manager's close that came with Ctrl+E was lost" '^環境設定$' キャンセル

start "$work/small"
focus_main
xdotool key Home
wm_close "$main" Delete
end_answering "the window manager's close that came with Delete was lost" '^Velmora$' 'いいえ(N)'

# Escape typed twice to dismiss each, with the close in the same flush.
start "$work/small"
focus_main
xdotool key ctrl+e
atspi --timeout 30 window '^環境設定$' || fail "no 環境設定"
wm_close "$main" Escape Escape
ended "the window manager's close after 環境設定 dismissed with two Escapes was lost"

start "$work/small"
focus_main
xdotool key Home Delete
atspi --timeout 30 says '^Velmora$' '選択したデータを削除します' || fail "Delete asked nothing"
wm_close "$main" Escape Escape
ended "the window manager's close after the delete question dismissed with two Escapes was lost"
# 一括編集 of the whole list with 市町村コードを取得 ticked, its dialog closed by the window manager once the
# progress shows: the dialog goes without a word and the codes are as they were.
start
codes() { table JisCode | md5sum; }
before=$(codes)
focus_main
xdotool key ctrl+a
choose_menu_item e '一括編集(B)...' b
atspi check '^アドレス帳の一括編集$' 'check box' 市町村コードを取得 on || fail "no 市町村コードを取得 in 一括編集"
atspi press '^アドレス帳の一括編集$' 'push button' 開始 || fail "no 開始 in 一括編集"
answer_box '設定した内容で変更します' 'はい(Y)' || fail "一括編集 asked nothing before its run"
atspi --timeout 30 find '^Velmora$' 'push button' 中止 || fail "一括編集 showed no progress"
look batch-change
wm_close "$(xdotool search --onlyvisible --name '^アドレス帳の一括編集$' | head -n 1)"
wait_for 60 gone '^アドレス帳の一括編集$' || fail "the window manager's close of 一括編集 while it ran was lost"
! asks || fail "一括編集 closed by the window manager said: $(atspi list '^Velmora$' 2>/dev/null | head -n 3)"
[ "$(codes)" = "$before" ] || fail "一括編集 closed while it ran changed the records"
wm_close "$main"
ended "the end after 一括編集 was closed was lost"

# ラベル印刷 of a new layout with 項目1 ticked: the check of the 100,000 labels before the print shows its progress
# and 中止, pressed over the bus, stops it; nothing is asked and the wizard stays. Then the end, by 終了 pressed
# and by the window manager's close of the main window, while it runs: the label window asks about its layout
# once the check has stopped, and the program ends.
check_labels() {
  atspi press '^ラベル印刷$' 'push button' '印刷(P)' || fail "no 印刷 in the label print wizard"
  atspi --timeout 30 find '^ラベル印刷$' 'push button' 中止 || fail "the check before the label print showed no progress"
}
label_wizard() {
  open_new_layout b ラベル印刷
  choose_window_menu_item "$window" '^ラベル印刷 - ' e 'バーコードの設定(B)...' b
  atspi check '^追加情報の設定$' 'check box' '項目1：' on || fail "no 項目1 in 追加情報の設定"
  atspi press '^追加情報の設定$' 'push button' OK || fail "no OK in 追加情報の設定"
  wait_for 10 gone '^追加情報の設定$' || fail "追加情報の設定 stayed"
  choose_window_menu_item "$window" '^ラベル印刷 - ' f '印刷(P)...' p
  atspi check '^ラベル印刷$' 'radio button' 一覧に表示されているすべてのデータ on || fail "no label print wizard"
  atspi press '^ラベル印刷$' 'push button' '次へ(N)' || fail "no 次へ in the label print wizard"
}
for how in pressed closed; do
  start
  label_wizard
  if [ "$how" = pressed ]; then
    check_labels
    look label-check
    atspi press '^ラベル印刷$' 'push button' 中止 || fail "no 中止 for the check"
    wait_for 30 sh -c "! /usr/bin/python3 '$e2e/atspi.py' --timeout 1 find '^ラベル印刷\$' 'push button' 中止 2>/dev/null" \
      || fail "中止 did not stop the check"
    sleep 2
    ! asks || fail "the stopped check asked"
    atspi find '^ラベル印刷$' 'push button' '印刷(P)' || fail "the wizard did not stay after 中止"
    look label-check-stopped
  fi
  check_labels
  if [ "$how" = pressed ]; then end_pressed; else wm_close "$main"; fi
  answer_box 'レイアウトの変更を保存しますか' 'いいえ(N)' || fail "the label window asked nothing as it closed ($how)"
  ended "the end ($how) during the check before the label print was lost"
  [ -z "$(ls -A "$work/out")" ] || fail "the check wrote: $(ls -A "$work/out")"
done
echo "PASS"
