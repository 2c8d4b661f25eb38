#!/usr/bin/env bash
# End to end under Xvfb: from the main window 印刷 → 文面印刷 opens the letter-body window; its start menu leads
# to the paper choice, the postcard is taken, a sender block is added (挿入 → 差出人ブロックの追加) and 印刷
# prints the message side through the wizard to a PDF file: one postcard page. The window closes with
# 印刷の終了, asking about the unsaved work.
# Usage: design_print.sh <program> <book maker>   (run inside xserver.sh)
set -euo pipefail
program=$1
make_book=$2
source "$(dirname "$0")/common.sh"

make_sample_book "$make_book"
start_on_book "$program"

open_new_layout d 文面印刷
choose_window_menu_item "$window" 文面印刷 i '差出人ブロックの追加(S)' s
# The frame chooser names the new block once it is on the page.
atspi find 文面印刷 'combo box' 差出人ブロック1 || fail "no sender block added"
look design-window
# Nothing to choose: the wizard opens on its printer page.
pdf=$work/out/message.pdf
print_layout_to_pdf "$window" 文面印刷 "$pdf" no
pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
[ "$pages" = 1 ] || fail "the PDF has $pages pages, not one message side"
pdfinfo "$pdf" | grep -Eq 'Page size: *28[34](\.[0-9]+)? x 4(19|20)(\.[0-9]+)? pts' || fail "the page is not a postcard"

end_printing "$window" 文面印刷
kill -0 "$pid" || fail "the program ended"
echo "PASS"
