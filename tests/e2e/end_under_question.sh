#!/usr/bin/env bash
# End to end under Xvfb, with Anthy running: the main window's 終了, pressed over the bus while another window
# asks, waits for the answer. Under the record form's question about its new entry (its 閉じる pressed), はい
# stores the entry and the program ends, キャンセル keeps both windows, and so does はい meeting a full disk, the
# entry kept on the form; under the letter designer's question about its new layout (印刷の終了), いいえ and はい
# to throwing it away end the program; under グループ名の設定 opened from the record form, キャンセル there and
# いいえ to the form's question end it. The window manager's close of the main window, sent while 環境設定 is
# open or the moment its キャンセル was pressed, ends the program once the dialog has gone.
# Usage: end_under_question.sh <program> <book maker> <table rows>   (run inside xserver.sh)
set -euo pipefail
program=$1
make_book=$2
rows=$3
source "$(dirname "$0")/common.sh"

start_input_method
make_sample_book "$make_book"
wm_close() { /usr/bin/python3 "$e2e/wmclose.py" "$1"; }
end_pressed() { atspi press '^Velmora - ' 'push button' 終了 || fail "no 終了 on the tool bar"; }
ended() { wait_for 30 sh -c "! kill -0 $pid" || fail "$1"; pid=; }
# A question of the program, up and saying the words.
question() { atspi --timeout 30 says '^Velmora$' "$1" || fail "no question 「$1」"; }

# A new entry in the record form (Ctrl+N, its look-up closed), its name set over the bus.
new_entry() {  # <name>
  focus_main
  xdotool key ctrl+n
  await_form 'アドレス帳情報登録' "Ctrl+N opened no record form"
  cancel_lookup
  atspi text 'アドレス帳情報登録' text 名前 "$1" || fail "no name field"
}

# The record form's question about its new entry, 終了 pressed under it, then はい: stored, and the end.
start_on_book "$program"
new_entry 森鴎外
atspi press 'アドレス帳情報' 'push button' 閉じる || fail "no 閉じる on the record form"
question 入力途中のデータがあります
end_pressed
look end-under-record-question
atspi press '^Velmora$' 'push button' 'はい(Y)' || fail "no はい in the record form's question"
ended "the end pressed under the record form's question was lost"
[ "$(table)" = 4 ] || fail "the entry answered はい was not stored: $(table) rows"
# The name field keeps what came through the input method's path in its escaped form.
table NameKanji | grep -q '^@68EE@9D0E@5916$' || fail "the stored name is not 森鴎外: $(table NameKanji | tr '\n' '|')"

# The same answered キャンセル: both windows stay, and the program goes on.
start_on_book "$program"
new_entry 山田太郎
atspi press 'アドレス帳情報' 'push button' 閉じる || fail "no 閉じる on the record form"
question 入力途中のデータがあります
end_pressed
atspi press '^Velmora$' 'push button' 'キャンセル' || fail "no キャンセル in the record form's question"
atspi find 'アドレス帳情報登録' text 名前 || fail "the record form went with キャンセル"
kill -0 "$pid" || fail "the program ended on キャンセル"
atspi press 'アドレス帳情報' 'push button' 閉じる || fail "no 閉じる on the record form"
question 入力途中のデータがあります
atspi press '^Velmora$' 'push button' 'いいえ(N)' || fail "no いいえ in the record form's question"
wait_for 10 gone 'アドレス帳情報' || fail "the record form stayed after いいえ"

# はい with no room on the disk for the store: the failure is told, the form keeps the entry and the program
# goes on; once there is room, 終了 under the question stores it and ends the program.
new_entry 鈴木一郎
ln -s /dev/full "$data/Data/Adrs/Book/Adrs.DB-journal"
atspi press 'アドレス帳情報' 'push button' 閉じる || fail "no 閉じる on the record form"
question 入力途中のデータがあります
end_pressed
atspi press '^Velmora$' 'push button' 'はい(Y)' || fail "no はい in the record form's question"
question データを登録できませんでした
look store-failed-under-the-end
atspi --timeout 10 default '^Velmora$' || fail "no OK under the failure"
atspi find 'アドレス帳情報登録' text 名前 || fail "the record form went although its entry was not stored"
kill -0 "$pid" || fail "the program ended although the entry was not stored"
look form-kept-after-the-failure
# Room again: the link to the full device goes, unless the engine took it away with the failed store.
rm -f "$data/Data/Adrs/Book/Adrs.DB-journal"
[ "$(table)" = 4 ] || fail "an entry was stored on a full disk: $(table) rows"
atspi press 'アドレス帳情報' 'push button' 閉じる || fail "no 閉じる on the record form"
question 入力途中のデータがあります
end_pressed
atspi press '^Velmora$' 'push button' 'はい(Y)' || fail "no はい in the record form's question"
ended "the end pressed under the record form's question was lost once there was room"
[ "$(table)" = 5 ] || fail "the entry answered はい once there was room was not stored: $(table) rows"

# The letter designer's question about its new layout with a text, 終了 pressed under it, いいえ, then はい to
# throwing the layout away.
start_on_book "$program"
open_new_layout d 文面印刷
choose_window_menu_item "$window" '^文面印刷 - ' i '文章の追加(W)...' w
atspi press '^文章の編集$' 'push button' '文例を表示(E)' || fail "no text entry dialog"
atspi press '^文章の編集$' 'push button' '追加(A)' || fail "no example to add"
atspi press '^文章の編集$' 'push button' OK || fail "no OK in the text entry dialog"
wait_for 10 gone '^文章の編集$' || fail "the text entry dialog stayed"
choose_window_menu_item "$window" '^文面印刷 - ' f '印刷の終了(E)' e
question 'レイアウトの変更を保存しますか'
end_pressed
look end-under-designer-question
atspi press '^Velmora$' 'push button' 'いいえ(N)' || fail "no いいえ in the designer's question"
answer_box 'レイアウトは破棄されます' 'はい(Y)' || fail "no question before discarding"
ended "the end pressed under the designer's question was lost"

# グループ名の設定 of the record form, 終了 pressed while it is open, キャンセル there; the form then asks about its
# entry, いいえ, and the program ends.
start_on_book "$program"
new_entry 佐藤花子
atspi press 'アドレス帳情報' 'push button' グループ名の設定 || fail "no グループ名の設定 on the record form"
atspi --timeout 30 window '^グループ名の設定$' || fail "no group names dialog"
end_pressed
look end-under-group-names
atspi press '^グループ名の設定$' 'push button' キャンセル || fail "no キャンセル in the group names dialog"
question 入力途中のデータがあります
atspi press '^Velmora$' 'push button' 'いいえ(N)' || fail "no いいえ in the record form's question"
ended "the end pressed under グループ名の設定 was lost"
[ "$(table)" = 5 ] || fail "an entry answered いいえ was stored: $(table) rows"

# The window manager's close of the main window while 環境設定 is open, then キャンセル.
start_on_book "$program"
focus_main
xdotool key ctrl+e
atspi --timeout 30 window '^環境設定$' || fail "no 環境設定"
wm_close "$main"
atspi press '^環境設定$' 'push button' キャンセル || fail "no キャンセル in 環境設定"
ended "the window manager's close under 環境設定 was lost"

# The same the moment キャンセル was pressed: the press lands a moment after the bus answers.
start_on_book "$program"
focus_main
xdotool key ctrl+e
atspi --timeout 30 window '^環境設定$' || fail "no 環境設定"
atspi press '^環境設定$' 'push button' キャンセル || fail "no キャンセル in 環境設定"
wm_close "$main"
ended "the window manager's close right after 環境設定 was lost"
echo "PASS"
