#!/usr/bin/env bash
# End to end under Xvfb: the record form's URL and E-Mail1, the QR code's E-Mail and size and the filter's mail
# address typed with a real input method (ibus with Anthy) switched on keep the Latin letters of the keys, for those
# fields keep the input method off.
# Usage: latin_fields.sh <program> <book maker>   (run inside xserver.sh)
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

# The QR code of a new address layout: the input method is still on, and gives kana in the memo.
focus_main
open_new_layout a 宛名印刷
d='^宛名印刷 - ' q='^QRコードの設定$'
focus_dialog "$d"
xdotool key alt+i
atspi --timeout 10 find "$d" 'menu item' 'QRコードの追加(Q)...' || fail "no QR code in the insert menu"
xdotool key q
atspi check "$q" 'radio button' 電話帳登録 on || fail "no QR settings dialog"
atspi focus "$q" text メモ： || fail "no memo field in the QR settings"
xdotool type --delay 80 "yamada"
key Return
atspi holds "$q" text メモ： 'やまだ' || fail "the input method did not give kana in the memo"
atspi focus "$q" text E-Mail： || fail "no E-Mail field in the QR settings"
xdotool type --delay 80 "taro@example.com"
atspi focus "$q" text サイズ： || fail "no size field in the QR settings"
xdotool key ctrl+a
xdotool type --delay 80 "3"
look qrcode
atspi holds "$q" text E-Mail： 'taro@example.com' || fail "the QR code's E-Mail did not take the keys as typed"
atspi holds "$q" text サイズ： '3' || fail "the QR code's size did not take the key as typed"

# 絞り込み's メールアドレス1, with the input method still giving kana: the keys' own letters.
xdotool key Escape
wait_for 10 gone "$q" || fail "the QR settings stayed open"
focus_main
xdotool key ctrl+f
# メールアドレス1 is the fifteenth item of the list, which is named by the item shown.
atspi focus '^絞り込み$' 'combo box' 顧客コード || fail "no item list in the filter dialog"
key Down Down Down Down Down Down Down Down Down Down Down Down Down Down
atspi find '^絞り込み$' 'combo box' メールアドレス1 || fail "メールアドレス1 was not chosen in the filter dialog"
atspi focus '^絞り込み$' text 内容 || fail "no filter dialog"
xdotool type --delay 80 "taro.yamada@example.com"
look filter-mail
atspi holds '^絞り込み$' text 内容 'taro.yamada@example.com' || fail "the filter's mail address did not take the keys as typed"
echo "PASS"
