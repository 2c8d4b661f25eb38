#!/usr/bin/env bash
# End to end under Xvfb: from the main window 印刷 → ラベル印刷 opens the label window; its start menu leads to
# the paper choice, the first label sheet is taken, and 印刷 prints every record of the list through the wizard
# to a PDF file: one A4 sheet holding the three labels, each record's name readable. The window closes with
# 印刷の終了. Then 印刷 → 名刺印刷 does the same on a business-card sheet.
# Usage: label_print.sh <program> <book maker>   (run inside xserver.sh)
set -euo pipefail
program=$1
make_book=$2
source "$(dirname "$0")/common.sh"

make_sample_book "$make_book"

start_on_book "$program"

print_three() {  # <menu key> <caption> <pdf>
  local caption=$2 pdf=$3
  open_new_layout "$1" "$caption"
  look "$caption-window"
  print_layout_to_pdf "$window" "$caption" "$pdf"
  keep_pdf "$pdf" "$caption.pdf"
  local pages text
  pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
  [ "$pages" = 1 ] || fail "$caption: the PDF has $pages pages, not one sheet"
  pdfinfo "$pdf" | grep -Eq 'Page size: *59[45](\.[0-9]+)? x 84[12](\.[0-9]+)? pts' || fail "$caption: not an A4 sheet"
  text=$(pdftotext -raw "$pdf" - | tr -d '\n ')
  for n in １ ２ ３; do
    case "$text" in *"株式会社サンプル$n"*) ;; *) fail "$caption: record $n is not on the sheet" ;; esac
  done
  end_printing "$window" "$caption"
}

print_three b ラベル印刷 "$work/out/labels.pdf"
print_three c 名刺印刷 "$work/out/cards.pdf"
kill -0 "$pid" || fail "the program ended"
echo "PASS"
