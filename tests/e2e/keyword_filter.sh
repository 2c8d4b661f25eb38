#!/usr/bin/env bash
# End to end under Xvfb: キーワード１ set to 半角英数 in 表示 → キーワード項目の設定, with a real input method (ibus
# with Anthy) switched on and giving kana in キーワード２. The record form keeps tokyo-01 in キーワード１ as typed,
# and 絞り込み on キーワード１, typed the same way in the simple view and in the advanced one, keeps the keys'
# letters and finds that record.
# Usage: keyword_filter.sh <program> <book maker> <table-row counter>   (run inside xserver.sh)
set -euo pipefail
program=$1
make_book=$2
rows=$3
source "$(dirname "$0")/common.sh"
start_input_method
make_sample_book "$make_book"
start_on_book "$program"

choose_menu_item v 'キーワード項目の設定(K)...' k
# The mode follows the name in the tab order; 半角英数 is the last of its list.
atspi focus キーワード項目の設定 text キーワード１の名称 || fail "no keyword dialog"
key Tab End
look keyword-modes
atspi press キーワード項目の設定 'push button' OK || fail "no OK in the keyword dialog"
wait_for 10 gone キーワード項目の設定 || fail "the keyword dialog stayed open"
tr -d '\r' < "$data/Data/AdrsList.ini" | grep -qx 'Mode1=1' || fail "キーワード１ was not set to 半角英数"

focus_main
xdotool key ctrl+n
await_form 'アドレス帳情報登録' "no record form"
cancel_lookup
atspi text 'アドレス帳情報登録' text 名前 '山田　一郎' || fail "no name field on the record form"
atspi press 'アドレス帳情報登録' 'page tab' メモ || fail "no メモ page"
atspi focus 'アドレス帳情報登録' text キーワード２ || fail "no キーワード２ on the record form"
xdotool key ctrl+j
sleep 0.5
xdotool type --delay 80 "tokyo"
key Return
atspi holds 'アドレス帳情報登録' text キーワード２ 'ときょ' || fail "the input method did not give kana in キーワード２"
atspi focus 'アドレス帳情報登録' text キーワード１ || fail "no キーワード１ on the record form"
xdotool type --delay 80 "tokyo-01"
look keyword-form
atspi holds 'アドレス帳情報登録' text キーワード１ 'tokyo-01' || fail "キーワード１ did not take the keys as typed"
press_register 30 count_is 4 || fail "the record was not stored"
[ "$(table Keyword1 | tail -n 1)" = tokyo-01 ] || fail "キーワード１ was not stored as typed"
if shown 'アドレス帳情報' >/dev/null 2>&1; then
  atspi press 'アドレス帳情報' 'push button' 閉じる || fail "no 閉じる on the record form"
  answer_until 10 gone 'アドレス帳情報' || fail "the record form stayed open"
fi

# 絞り込み in each view: キーワード１ chosen, tokyo-01 typed with the input method still on, 絞り込む (in the
# advanced view after 追加, which lists the condition). The item list is named by the item it shows.
filter_on_keyword() {  # <title> <picture> [追加]
  focus_main
  xdotool key ctrl+f
  atspi item "$1" 'combo box' 顧客コード キーワード１ || fail "no item list in $1"
  atspi focus "$1" text 内容 || fail "no content field in $1"
  xdotool type --delay 80 "tokyo-01"
  look "$2"
  atspi holds "$1" text 内容 'tokyo-01' || fail "the keyword in $1 did not take the keys as typed"
  [ -z "${3:-}" ] || atspi press "$1" 'push button' "$3" || fail "no $3 in $1"
  atspi press "$1" 'push button' 絞り込む || fail "no 絞り込む in $1"
  wait_for 10 gone "$1" || fail "$1 stayed open"
  atspi --timeout 10 find '^Velmora - ' label '表示件数： 1' || fail "$1 did not find the record"
}
filter_on_keyword '^絞り込み$' keyword-filter
focus_main
xdotool key ctrl+f
atspi press '^絞り込み$' 'push button' 高度な設定方法に切り替える || fail "no switch to the advanced view"
atspi press '^絞り込み - 高度な設定$' 'push button' 絞り込みの解除 || fail "no release in the advanced view"
wait_for 10 gone '^絞り込み' || fail "the filter dialog stayed open"
atspi --timeout 10 find '^Velmora - ' label '表示件数： 4' || fail "the filter was not released"
filter_on_keyword '^絞り込み - 高度な設定$' keyword-filter-advanced 追加
echo "PASS"
