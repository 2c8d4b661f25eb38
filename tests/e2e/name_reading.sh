#!/usr/bin/env bash
# End to end under Xvfb: a name typed through a real input method (ibus with Anthy) whose given name ends in ん
# typed with one n (ken) and committed with Enter, when the input method itself finishes the pending n. The
# written forms are offered for the reading, and the reading shown and stored ends in ﾝ with no Latin letter.
# Usage: name_reading.sh <program> <book maker> <table-row counter>   (run inside xserver.sh)
set -euo pipefail
program=$1
make_book=$2
rows=$3
source "$(dirname "$0")/common.sh"
start_input_method
make_sample_book "$make_book"
start_on_book "$program"

focus_main
xdotool key ctrl+n
await_form 'アドレス帳情報登録' "no record form"
cancel_lookup
atspi focus 'アドレス帳情報登録' text 名前 || fail "no name field on the record form"

# Each reading typed at a typist's pace and committed with Enter; its first written form taken.
xdotool key ctrl+j
sleep 0.5
for reading in satou ken; do
  xdotool type --delay 80 "$reading"
  key Return
  wait_for 10 popup || fail "no written forms offered for $reading"
  key Down Return
  wait_for 10 no_popup || fail "no written form taken for $reading"
done
xdotool key ctrl+j
sleep 0.3
look name-reading
atspi holds 'アドレス帳情報登録' text 名前のカナ 'ｻﾄｳ ｹﾝ' || fail "the reading shown is not ｻﾄｳ ｹﾝ"

press_register 30 count_is 4 || fail "the record was not stored"
stored_reading=$(table NameKana | tail -n 1 | iconv -f CP932 -t UTF-8)
printf '%s' "$stored_reading" | grep -q '[A-Za-z]' && fail "a Latin letter in the stored reading: $stored_reading"
[ "$stored_reading" = "ｻﾄｳ ｹﾝ" ] || fail "the stored reading is not ｻﾄｳ ｹﾝ: $stored_reading"
echo "PASS"
