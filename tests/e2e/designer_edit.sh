#!/usr/bin/env bash
# End to end under Xvfb, as a user edits a postcard: from the main window 印刷 → 宛名印刷 makes a new postcard
# layout; 挿入 adds a vertical text taken from the example pane, a picture chosen in the image picker, a
# rectangle with a gradient and a QR code holding a telephone-book entry. The four are caught with the mouse
# band, aligned at their tops and spaced across the paper; every step the history keeps (the five newest) is
# undone (the card is as it was with the text alone) and redone (the card is as it was after them). The layout
# is saved under a title, printed to PDF through the wizard and opened again. The page holds the greeting as text, and the QR code read back from the
# page at 600 dpi gives the entry.
# Usage: designer_edit.sh <program> <book maker>   (run inside xvfb-run; E2E_LOOK=<folder> keeps screenshots)
set -euo pipefail
program=$1
make_book=$2
source "$(dirname "$0")/common.sh"

make_sample_book "$make_book"
mkdir -p "$work/pictures"
# The picker opens on the folder of its last run: one small picture.
convert -size 64x64 xc:tomato "$work/pictures/tomato.png"
printf '[IMGVIEW]\r\nFolder=%s\r\n' "$work/pictures" > "$data/ImgView.ini"


# Waits for a window and gives it the keyboard.
open_window() {  # <window name> <what failed>
  wait_for 30 shown "$1" || fail "$2"
  sleep 0.5
  xdotool windowfocus "$(shown "$1" | tail -n 1)" 2>/dev/null || true
  sleep 0.3
}

# A menu command of the designer by its accelerators.
menu() {  # <menu key> <item keys...>
  xdotool windowfocus "$designer" 2>/dev/null || true
  sleep 0.3
  xdotool key "alt+$1"
  shift
  for key in "$@"; do sleep 0.4; xdotool key "$key"; done
}

# The card of the designer as a picture; it sits at a fixed place of the window the size of the screen gives.
card() {  # <file>
  eval "$(xdotool getwindowgeometry --shell "$designer")"
  import -window root -crop "380x540+$((X + 160))+$((Y + 97))" "$1"
}
same_pictures() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }

start_on_book "$program"
open_new_layout a 宛名印刷
designer=$window

# 挿入 → 文章の追加: the example pane shown, the first greeting of the first class appended, OK.
menu i w
open_window '^文章の編集$' "no text entry dialog"
xdotool key alt+e; sleep 0.8
xdotool key alt+a; sleep 0.5
look designer-text
click_in '^文章の編集$' -153 -13
wait_for 10 gone '^文章の編集$' || fail "the text entry dialog stayed"
sleep 0.5
# The history keeps the five newest steps: the four after this one are undone back to the card with the text,
# taken here with nothing selected (a click on the empty paper).
eval "$(xdotool getwindowgeometry --shell "$designer")"
xdotool mousemove $((X + 184)) $((Y + 176)) click 1
sleep 0.5
card "$work/text.png"

# 挿入 → イラストの選択: the picker shows the folder's picture chosen; この画像を使う, then 閉じる.
menu i i
open_window '^画像参照ツール$' "the picker did not open"
sleep 1.5
look designer-picker
xdotool key alt+s
sleep 1.5
click_in '^画像参照ツール$' -132 -42
wait_for 10 gone '^画像参照ツール$' || fail "the picker stayed open"
sleep 0.5

# 挿入 → 図形の追加: a rectangle (the kind list's second), its background a gradient.
menu i f
open_window '^図形の設定$' "no figure settings dialog"
click_in '^図形の設定$' 110 55; sleep 0.6
xdotool key Down; sleep 0.3; xdotool key Return; sleep 0.4
click_in '^図形の設定$' 94 23; sleep 0.6      # 色・設定
click_in '^図形の設定$' 30 250; sleep 0.4     # 背景
click_in '^図形の設定$' 129 290; sleep 0.6    # グラデーション
look designer-figure
click_in '^図形の設定$' -138 -22
wait_for 10 gone '^図形の設定$' || fail "the figure settings dialog stayed"
sleep 0.5

# 挿入 → QRコードの追加: 電話帳登録 with a name, its reading, a telephone number and a mail address.
menu i q
open_window '^QRコードの設定$' "no QR settings dialog"
click_in '^QRコードの設定$' 29 73; sleep 0.6   # 電話帳登録
click_in '^QRコードの設定$' 239 189; sleep 0.4 # 名前
paste_text '山田花子'; sleep 0.4
xdotool key Tab; sleep 0.3
paste_text 'ヤマダハナコ'; sleep 0.4
xdotool key Tab; sleep 0.3
xdotool type --delay 30 '03-1234-5678'
xdotool key Tab Tab; sleep 0.3
xdotool type --delay 30 'hanako@example.jp'
sleep 0.5
look designer-qrcode
click_in '^QRコードの設定$' -136 -43
wait_for 10 gone '^QRコードの設定$' || fail "the QR settings dialog stayed"
sleep 0.8

# The band, drawn from the empty paper below the picture, touches the four new objects and nothing else.
eval "$(xdotool getwindowgeometry --shell "$designer")"
cx=$((X + 164)) cy=$((Y + 101))
xdotool mousemove $((cx + 20)) $((cy + 75)) mousedown 1
for i in 1 2 3 4 5; do sleep 0.1; xdotool mousemove $((cx + 20 + i * 8)) $((cy + 75 - i * 5)); done
sleep 0.2; xdotool mouseup 1
sleep 0.8
look designer-selected
menu o a t            # 書式 → 枠の整列 → 上に揃える
sleep 0.8
menu o a e e Return   # 書式 → 枠の整列 → 用紙に合わせて横に等間隔に並べる (its letter is shared)
sleep 1
card "$work/edited.png"
look designer-arranged

# 編集 → 元に戻す for each step kept, then やり直し for each.
for _ in 1 2 3 4 5; do menu e u; sleep 0.5; done
sleep 0.8
card "$work/undone.png"
look designer-undone
same_pictures "$work/text.png" "$work/undone.png" || fail "undoing every step did not give back the card with the text"
for _ in 1 2 3 4 5; do menu e r; sleep 0.5; done
sleep 0.8
card "$work/redone.png"
same_pictures "$work/edited.png" "$work/redone.png" || fail "redoing every step did not give back the edited card"

# ファイル → 名前を付けて保存 under a title.
menu f a
open_window '^名前を付けて保存$' "no save dialog"
click_in '^名前を付けて保存$' 225 -50; sleep 0.3   # タイトル
xdotool type --delay 30 'Greeting'
sleep 0.3
look designer-save
xdotool key Return; sleep 0.5; xdotool key Return
wait_for 20 shown '^宛名印刷 - Greeting$' || fail "the layout was not saved under its title"
saved=$(find "$data" -type f -name 'Greeting.*' | head -n 1)
[ -s "$saved" ] || fail "no saved layout file"

# ファイル → 印刷: every record of the list through the wizard to a PDF file.
pdf=$work/out/cards.pdf
print_layout_to_pdf "$designer" 宛名印刷 "$pdf"

pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
[ "$pages" = 3 ] || fail "the PDF has $pages pages, not one per record"
text=$(pdftotext -raw -f 1 -l 1 "$pdf" - | tr -d '\n ')
case "$text" in *謹賀新年*) ;; *) fail "the greeting is not on the page" ;; esac
pdftoppm -r 600 -f 1 -l 1 -png "$pdf" "$work/page"
code=$(zbarimg --quiet --raw "$work"/page-*1.png 2>/dev/null) || fail "no QR code read from the page"
# The docomo phone-book form, the number without its hyphens.
[ "$code" = 'MECARD:N:山田花子;SOUND:ヤマダハナコ;TEL:0312345678;EMAIL:hanako@example.jp;;' ] ||
  fail "the QR code reads '$code'"
[ -n "${E2E_LOOK:-}" ] && cp "$work"/page-*1.png "$E2E_LOOK/designer-page.png"

# The saved layout opens again: ファイル → 開く, the one layout listed, OK.
menu f o
open_window '^開く$' "no open dialog"
xdotool key Return
sleep 1
shown '^Velmora$' >/dev/null && fail "opening the saved layout failed"
wait_for 20 shown '^宛名印刷 - Greeting$' || fail "the saved layout did not open"
kill -0 "$pid" || fail "the program ended"
echo "PASS"
