#!/usr/bin/env bash
# End to end under Xvfb: from the main window 印刷 → 宛名印刷 opens the address designer, its start menu's
# 新規に宛名面を作成する leads to the paper dialog; the postcard is chosen, the card shows the first record, and 印刷 prints every
# record of the list through the wizard to a PDF file named in the file dialog: one 100 x 148 mm page per
# record, the fonts embedded, every address readable from the file.
# Usage: layout_print.sh <program> <book maker>   (run inside xserver.sh)
set -euo pipefail
program=$1
make_book=$2
source "$(dirname "$0")/common.sh"

make_sample_book "$make_book"

start_on_book "$program"

open_new_layout a 宛名印刷
designer=$window
pdf=$work/out/cards.pdf
print_layout_to_pdf "$designer" 宛名印刷 "$pdf"
keep_pdf "$pdf" postcards.pdf

pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
[ "$pages" = 3 ] || fail "the PDF has $pages pages, not one per record"
pdfinfo "$pdf" | grep -Eq 'Page size: *28[34](\.[0-9]+)? x 4(19|20)(\.[0-9]+)? pts' || fail "the pages are not postcards"
pdffonts "$pdf" | awk 'NR > 2 && $(NF-4) != "yes" { bad = 1 } END { exit bad }' || fail "a font is not embedded"
text=$(pdftotext -raw "$pdf" - | tr -d '\n ')
for n in １ ２ ３; do
  case "$text" in *"株式会社サンプル$n"*) ;; *) fail "record $n is not in the PDF" ;; esac
done
case "$text" in *東京都千代田区丸の内*) ;; *) fail "the address is not in the PDF" ;; esac
# The designer is back and answers: the card shows the first record again.
kill -0 "$pid" || fail "the program ended"
xdotool search --onlyvisible --name '^宛名印刷 - 新規$' >/dev/null || fail "the designer is gone"
echo "PASS"
