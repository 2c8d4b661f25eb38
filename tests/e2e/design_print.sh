#!/usr/bin/env bash
# End to end under Xvfb: from the main window 印刷 → 文面印刷 opens the letter-body window; its start menu leads
# to the paper choice, the postcard is taken, a sender block is added (挿入 → 差出人ブロックの追加) and 印刷
# prints the message side through the wizard to a PDF file: one postcard page. The window closes with
# 印刷の終了, asking about the unsaved work.
# Usage: design_print.sh <program> <book maker>   (run inside xvfb-run)
set -euo pipefail
program=$1
make_book=$2
source "$(dirname "$0")/common.sh"

make_sample_book "$make_book"
start_on_book "$program"

xdotool windowfocus "$main" 2>/dev/null || true
sleep 0.5
xdotool key alt+p; sleep 0.4; xdotool key d
wait_for 20 xdotool search --onlyvisible --name '^文面印刷　メニュー$' || fail "no start menu"
sleep 1
click_in '^文面印刷　メニュー$' 90 -23
wait_for 20 xdotool search --onlyvisible --name '^新規作成$' || fail "no paper offered"
sleep 1
[ -n "${E2E_LOOK:-}" ] && import -window root "$E2E_LOOK/design-paper.png"
click_in '^新規作成$' -137 -22
wait_for 20 xdotool search --onlyvisible --name '^文面印刷 - 新規$' || fail "no new message side"
window=$(xdotool search --onlyvisible --name '^文面印刷 - 新規$' | head -n 1)
sleep 1
xdotool windowfocus "$window" 2>/dev/null || true
sleep 0.3
xdotool key alt+i; sleep 0.4; xdotool key s
sleep 0.5
sleep 0.5
[ -n "${E2E_LOOK:-}" ] && import -window root "$E2E_LOOK/design-window.png"

xdotool key alt+f; sleep 0.4; xdotool key p
wait_for 20 xdotool search --onlyvisible --name '^文面印刷$' || fail "no print wizard"
sleep 1
[ -n "${E2E_LOOK:-}" ] && import -window root "$E2E_LOOK/design-wizard.png"
# Nothing to choose: the wizard opens on its printer page.
xdotool key alt+p
wait_for 10 xdotool search --onlyvisible --name '^Velmora$' || fail "the print was not confirmed"
sleep 0.5
xdotool key Return
wait_for 20 xdotool search --onlyvisible --name 'PDF ファイルへの印刷' || fail "no file dialog"
sleep 1
pdf=$work/out/message.pdf
xdotool type --delay 20 "$pdf"
xdotool key Return
wait_for 60 test -s "$pdf" || fail "no PDF was written"
sleep 1
pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
[ "$pages" = 1 ] || fail "the PDF has $pages pages, not one message side"
pdfinfo "$pdf" | grep -Eq 'Page size: *28[34](\.[0-9]+)? x 4(19|20)(\.[0-9]+)? pts' || fail "the page is not a postcard"

# 印刷の終了 asks about the unsaved work: not saved (いいえ), and its discarding confirmed (はい).
xdotool windowfocus "$window" 2>/dev/null || true
sleep 0.3
xdotool key alt+f; sleep 0.4; xdotool key e
wait_for 10 xdotool search --onlyvisible --name '^Velmora$' || fail "no save question"
sleep 0.5
xdotool key alt+n
sleep 0.8
xdotool key alt+y
wait_for 10 sh -c "! xdotool search --onlyvisible --name '^文面印刷' >/dev/null" || fail "the window stayed"
kill -0 "$pid" || fail "the program ended"
echo "PASS"
