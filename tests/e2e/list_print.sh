#!/usr/bin/env bash
# End to end under Xvfb: list printing as a user drives it. The print menu's list command opens the window over
# a book of 300 records; its print button writes the list to a PDF file chosen in the file dialog, with the
# page count the window showed and every row's number on it; closing the program closes the window, which
# keeps its printer setting in "LstPrint.pi".
# Usage: list_print.sh <program> <book maker>   (run inside xserver.sh)
set -euo pipefail
program=$1
make_book=$2
source "$(dirname "$0")/common.sh"

adrs=$data/Data/Adrs
mkdir -p "$work/disc" "$adrs"
"$make_book" "$adrs/Book/" 300 || fail "could not make the book"
printf '[HIDDEN PARAMETER]\r\nPath=%s\r\n[OPERATION]\r\nViewSplash=0\r\n[BASE]\r\nDataPath=%s\r\nAdrsName=Book\r\nInfo=0\r\n[UPDATE]\r\nUpdateCheck=0\r\n' \
  "$work/disc" "$data/Data/" > "$data/Mirvale18.ini"

"$program" & pid=$!
wait_for 60 xdotool search --onlyvisible --name '^Velmora - Book$' || fail "the book did not open"
main=$(xdotool search --onlyvisible --name '^Velmora - Book$' | head -n 1)
print_list_to_pdf "$work/list.pdf"
# E2E_LOOK names a folder for the window's picture and the PDF, to look at.
[ -n "${E2E_LOOK:-}" ] && cp "$work/list.pdf" "$E2E_LOOK/"
keep_pdf "$work/list.pdf" list.pdf
pages=$(pdfinfo "$work/list.pdf" | sed -n 's/^Pages: *//p')
# A4 portrait, the default paper of the PDF printer: 43 rows a page.
[ "$pages" = 7 ] || fail "the PDF has $pages pages, not 7"
numbers=$(pdftotext -raw "$work/list.pdf" - | grep -cE '^[0-9]+ ' || true)
[ "$numbers" = 300 ] || fail "$numbers rows printed, not 300"

# Closing the program asks the window to close first; it keeps its printer setting.
focus_main
xdotool key Escape
wait_for 30 sh -c "! kill -0 $pid 2>/dev/null" || fail "the program did not end"
pid=
test -s "$data/LstPrint.pi" || fail "no LstPrint.pi"
echo "list printing ok"
