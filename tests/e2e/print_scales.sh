#!/usr/bin/env bash
# End to end: what the program prints does not change with the screen. The list, a label sheet, business cards
# and postcards are printed as the other end-to-end runs print them, on a 1366×768 screen at scale 1 and on
# screens of that room at the desktop's 150 % and 200 %; each PDF holds the same words in the same boxes at every
# scale.
# Usage: print_scales.sh <program> <book maker>   (starts an X server of its own for each scale)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$1
make_book=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

for run in 1366x768@1 2049x1152@1.5 2732x1536@2; do
  size=${run%@*} scale=${run#*@}
  mkdir -p "$out/$scale"
  for script in list_print layout_print label_print; do
    E2E_PDFS="$out/$scale" "$here/xserver.sh" --screen "$size" env QT_SCALE_FACTOR="$scale" \
      "$here/$script.sh" "$program" "$make_book" >"$out/$scale/$script.log" 2>&1 \
      || { cat "$out/$scale/$script.log" >&2; fail "$script at scale $scale"; }
  done
done

words() { pdftotext -bbox "$1" - | grep '<word'; }
count=0
for pdf in "$out/1"/*.pdf; do
  name=$(basename "$pdf")
  [ "$(words "$pdf" | wc -l)" -gt 0 ] || fail "$name holds no words"
  for scale in 1.5 2; do
    [ -f "$out/$scale/$name" ] || fail "$name was not printed at scale $scale"
    diff <(words "$pdf") <(words "$out/$scale/$name") >&2 || fail "$name at scale $scale differs from scale 1"
  done
  count=$((count + 1))
done
[ "$count" = 4 ] || fail "$count PDFs printed, not 4"
echo "PASS: $count PDFs, the same words in the same boxes at 1, 1.5 and 2"
