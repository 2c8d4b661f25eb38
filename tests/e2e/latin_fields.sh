#!/usr/bin/env bash
# End to end under Xvfb: the record form's URL and E-Mail1 typed with a real input method (ibus with Anthy)
# switched on keep the Latin letters of the keys, for those fields keep the input method off.
# Usage: latin_fields.sh <program> <book maker>   (run inside xvfb-run)
set -euo pipefail
program=$1
make_book=$2
source "$(dirname "$0")/common.sh"
start_input_method
make_sample_book "$make_book"
start_on_book "$program"

focus_main
xdotool key ctrl+n
await_form 'アドレス帳情報登録' "no record form"
cancel_lookup
atspi press 'アドレス帳情報登録' 'page tab' サブ || fail "no サブ page"
# The input method switched on in a name field, as a user has it while filling in a record: it gives kana there.
atspi focus 'アドレス帳情報登録' text 連名１ || fail "no 連名１ field on the record form"
xdotool key ctrl+j
sleep 0.5
xdotool type --delay 80 "yamada"
key Return
atspi holds 'アドレス帳情報登録' text 連名１ 'やまだ' || fail "the input method did not give kana in 連名１"
atspi focus 'アドレス帳情報登録' text E-Mail1 || fail "no E-Mail1 field on the record form"
xdotool type --delay 80 "taro@example.com"
look email
atspi holds 'アドレス帳情報登録' text E-Mail1 'taro@example.com' || fail "E-Mail1 did not take the keys as typed"
atspi focus 'アドレス帳情報登録' text URL || fail "no URL field on the record form"
xdotool type --delay 80 "http://example.jp/"
look url
atspi holds 'アドレス帳情報登録' text URL 'http://example.jp/' || fail "URL did not take the keys as typed"
echo "PASS"
