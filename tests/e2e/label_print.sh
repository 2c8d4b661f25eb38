#!/usr/bin/env bash
# End to end under Xvfb: from the main window 印刷 → ラベル印刷 opens the label window; its start menu leads to
# the paper choice, the first label sheet is taken, and 印刷 prints every record of the list through the wizard
# to a PDF file: one A4 sheet holding the three labels, each record's name readable. The window closes with
# 印刷の終了. Then 印刷 → 名刺印刷 does the same on a business-card sheet.
# Usage: label_print.sh <program> <book maker>   (run inside xvfb-run)
set -euo pipefail
program=$1
make_book=$2
source "$(dirname "$0")/common.sh"

make_sample_book "$make_book"

start_on_book "$program"

print_three() {  # <menu key> <caption> <start menu word> <pdf>
  local key=$1 caption=$2 word=$3 pdf=$4
  xdotool windowfocus "$main" 2>/dev/null || true
  sleep 0.5
  xdotool key alt+p; sleep 0.4; xdotool key "$key"
  wait_for 20 xdotool search --onlyvisible --name "^${word}印刷　メニュー\$" || fail "$caption: no start menu"
  sleep 1
  click_in "^${word}印刷　メニュー\$" 90 -23
  wait_for 20 xdotool search --onlyvisible --name '^用紙の選択$' || fail "$caption: no paper offered"
  sleep 1
  [ -n "${E2E_LOOK:-}" ] && import -window root "$E2E_LOOK/$word-paper.png"
  xdotool key Return
  wait_for 20 xdotool search --onlyvisible --name "^$caption - 新規\$" || fail "$caption: no new layout"
  local window
  window=$(xdotool search --onlyvisible --name "^$caption - 新規\$" | head -n 1)
  sleep 1
  [ -n "${E2E_LOOK:-}" ] && import -window root "$E2E_LOOK/$word-window.png"
  xdotool windowfocus "$window" 2>/dev/null || true
  sleep 0.3
  xdotool key alt+f; sleep 0.4; xdotool key p
  wait_for 20 xdotool search --onlyvisible --name "^$caption\$" || fail "$caption: no print wizard"
  sleep 1
  click_in "^$caption\$" 38 159
  sleep 0.3
  xdotool key alt+n; sleep 0.8
  [ -n "${E2E_LOOK:-}" ] && import -window root "$E2E_LOOK/$word-wizard.png"
  xdotool key alt+p
  wait_for 10 xdotool search --onlyvisible --name '^Velmora$' || fail "$caption: the print was not confirmed"
  sleep 0.5
  xdotool key Return
  wait_for 20 xdotool search --onlyvisible --name 'PDF ファイルへの印刷' || fail "$caption: no file dialog"
  sleep 1
  xdotool type --delay 20 "$pdf"
  xdotool key Return
  wait_for 60 test -s "$pdf" || fail "$caption: no PDF was written"
  sleep 1
  local pages text
  pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
  [ "$pages" = 1 ] || fail "$caption: the PDF has $pages pages, not one sheet"
  pdfinfo "$pdf" | grep -Eq 'Page size: *59[45](\.[0-9]+)? x 84[12](\.[0-9]+)? pts' || fail "$caption: not an A4 sheet"
  text=$(pdftotext -raw "$pdf" - | tr -d '\n ')
  for n in １ ２ ３; do
    case "$text" in *"株式会社サンプル$n"*) ;; *) fail "$caption: record $n is not on the sheet" ;; esac
  done
  # 印刷の終了 asks about the new layout: not saved (いいえ), and its discarding confirmed (はい).
  xdotool windowfocus "$window" 2>/dev/null || true
  sleep 0.3
  xdotool key alt+f; sleep 0.4; xdotool key e
  wait_for 10 xdotool search --onlyvisible --name '^Velmora$' || fail "$caption: no save question"
  sleep 0.5
  xdotool key alt+n
  sleep 0.8
  xdotool key alt+y
  wait_for 10 sh -c "! xdotool search --onlyvisible --name '^$caption' >/dev/null" || fail "$caption: the window stayed"
}

print_three b ラベル印刷 ラベル "$work/out/labels.pdf"
print_three c 名刺印刷 名刺 "$work/out/cards.pdf"
kill -0 "$pid" || fail "the program ended"
echo "PASS"
