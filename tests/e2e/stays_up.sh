#!/usr/bin/env bash
# End to end under Xvfb: the program stays up through two runs that once ended it without a word. F1 in the
# main list opens the operation guide in a viewer that ends at once; a double click in the list and then 照会
# show the record. The address designer, its saved layout changed, is closed through 印刷の終了 with the change
# given up (いいえ, はい), opened again, and its start menu's 前回編集したファイルを開く reopens that layout.
# The program says nothing of an end on stderr meanwhile, where every end the user did not ask for says why.
# Usage: stays_up.sh <program> <book maker>   (run inside xserver.sh)
set -euo pipefail
program=$1
make_book=$2
source "$(dirname "$0")/common.sh"

make_sample_book "$make_book"
# The guide viewer: notes the page it was asked for and ends.
mkdir -p "$work/viewers"
printf '#!/bin/sh\necho "$@" > "%s/viewer.log"\n' "$work" > "$work/viewers/evince"
chmod +x "$work/viewers/evince"
export PATH=$work/viewers:$PATH

errors=$work/stderr.txt
"$program" 2> "$errors" & pid=$!
wait_for 60 xdotool search --onlyvisible --name '^Velmora - Book$' || fail "the book did not open"
main=$(xdotool search --onlyvisible --name '^Velmora - Book$' | head -n 1)
up() { kill -0 "$pid" 2>/dev/null || fail "the program ended $1: $(cat "$errors")"; }
# 閉じる on the record form, whatever it asks answered with its default.
close_record() {
  atspi press 'アドレス帳情報' 'push button' 閉じる || fail "no close button on the record form"
  answer_until 10 gone 'アドレス帳情報' || fail "the record form stayed open"
}

focus_main
xdotool key F1
wait_for 20 test -s "$work/viewer.log" || fail "F1 did not open the guide"
sleep 1
up "after the guide viewer ended"
# The first row of the list, below the window's menu, tool bar and the list's header.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 120)) $((Y + 105)) click --repeat 2 --delay 80 1
await_form 'アドレス帳情報照会' "the double click did not show the record"
look stays-up-inquiry
up "on the double click"
close_record
atspi press '^Velmora - ' 'push button' 照会 || fail "no 照会 on the tool bar"
await_form 'アドレス帳情報照会' "照会 did not show the record"
up "on 照会"
close_record

# A layout saved under a title, then changed (a text added).
open_new_layout a 宛名印刷
d='^宛名印刷 - '
choose_window_menu_item "$window" "$d" f '名前を付けて保存(A)...' a
atspi focus '^名前を付けて保存$' text タイトル || fail "no save dialog"
xdotool type --delay 30 'Zenkai'
atspi holds '^名前を付けて保存$' text タイトル Zenkai || fail "the title did not arrive"
atspi press '^名前を付けて保存$' 'push button' OK || fail "no OK in the save dialog"
wait_for 20 shown '^宛名印刷 - Zenkai$' || fail "the layout was not saved under its title"
choose_window_menu_item "$window" "$d" i '文章の追加(W)...' w
atspi press '^文章の編集$' 'push button' '文例を表示(E)' || fail "no text entry dialog"
atspi press '^文章の編集$' 'push button' '追加(A)' || fail "no example pane"
atspi press '^文章の編集$' 'push button' OK || fail "no OK in the text entry dialog"
wait_for 10 gone '^文章の編集$' || fail "the text entry dialog stayed"
wait_for 10 shown '^宛名印刷 - Zenkai \(更新\)$' || fail "the change was not taken"

choose_window_menu_item "$window" "$d" f '印刷の終了(E)' e
answer_box 'レイアウトの変更を保存しますか' 'いいえ(N)' || fail "no save question"
answer_box '変更前の状態に戻ります' 'はい(Y)' || fail "no question before giving the change up"
wait_for 10 gone "$d" || fail "the designer stayed"
up "when the designer closed"

choose_menu_item p '宛名印刷(A)...' a
menu='^宛名印刷　メニュー$'
atspi find "$menu" 'radio button' 前回編集したファイルを開く || fail "no start menu"
look stays-up-start-menu
atspi check "$menu" 'radio button' 前回編集したファイルを開く on || fail "the last file is not offered"
atspi press "$menu" 'push button' OK || fail "no OK in the start menu"
wait_for 20 shown '^宛名印刷 - Zenkai$' || fail "the last layout did not open"
up "when the last layout opened"
! grep -a '^Velmora: ' "$errors" || fail "the program said it was ending"
echo "PASS"
