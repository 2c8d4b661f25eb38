#!/usr/bin/env bash
# End to end under Xvfb, as a user edits a postcard: from the main window 印刷 → 宛名印刷 makes a new postcard
# layout; 挿入 adds a vertical text taken from the example pane, a picture chosen in the image picker, a
# rectangle with a gradient and a QR code holding a telephone-book entry. The four are caught with the mouse
# band, aligned at their tops and spaced across the paper; every step the history keeps (the five newest) is
# undone (the card is as it was with the text alone) and redone (the card is as it was after them). The layout
# is saved under a title, printed to PDF through the wizard and opened again. The page holds the greeting as text, and the QR code read back from the
# page at 600 dpi gives the entry.
# Usage: designer_edit.sh <program> <book maker>   (run inside xserver.sh; E2E_LOOK=<folder> keeps screenshots)
set -euo pipefail
program=$1
make_book=$2
source "$(dirname "$0")/common.sh"

make_sample_book "$make_book"
mkdir -p "$work/pictures"
# The picker opens on the folder of its last run: one small picture.
convert -size 64x64 xc:tomato "$work/pictures/tomato.png"
printf '[IMGVIEW]\r\nFolder=%s\r\n' "$work/pictures" > "$data/ImgView.ini"


# The designer's controls are found on the accessibility bus by role and name in the newest window of this title.
d='^宛名印刷 - '
# A menu command of the designer: the menu opened with its accelerator, each item's key sent once the item shows.
menu() {  # <menu key> (<item's name> <item key>)...
  focus_dialog "$d"
  xdotool key "alt+$1"
  shift
  while [ $# -gt 1 ]; do
    atspi --timeout 10 find "$d" 'menu item' "$1" || fail "no menu item $1"
    xdotool key "$2"
    shift 2
  done
}
# Keys reach the program through the X server in order: once a menu opened after them shows, all are taken.
keys_taken() { menu e '元に戻す(U)' Escape; }

# The card of the designer as a picture; it sits at a fixed place of the window the size of the screen gives.
card() {  # <file>
  eval "$(xdotool getwindowgeometry --shell "$designer")"
  import -window root -crop "380x540+$((X + 160))+$((Y + 97))" "$1"
}
same_pictures() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }
card_is() { card "$work/now.png" && same_pictures "$1" "$work/now.png"; }
# The card once it has stopped changing: a repaint follows a change a moment later.
settled_card() {  # <file>
  card "$1"
  for _ in $(seq 20); do
    sleep 0.3
    card_is "$1" && return 0
    mv "$work/now.png" "$1"
  done
  fail "the card did not settle"
}
# An object added to the card is the one the frame chooser shows.
added() {  # <object's name> <what failed>
  atspi --timeout 10 find "$d" 'combo box' "$1" || fail "$2"
}

start_on_book "$program"
open_new_layout a 宛名印刷
designer=$window

# 挿入 → 文章の追加: the example pane shown, the first greeting of the first class appended, OK.
menu i '文章の追加(W)...' w
atspi press '^文章の編集$' 'push button' '文例を表示(E)' || fail "no text entry dialog"
atspi press '^文章の編集$' 'push button' '追加(A)' || fail "no example pane"
atspi press '^文章の編集$' 'push button' OK || fail "no OK in the text entry dialog"
wait_for 10 gone '^文章の編集$' || fail "the text entry dialog stayed"
added 文章1 "the text was not added"
look designer-text
# The history keeps the five newest steps: the four after this one are undone back to the card with the text,
# taken here with nothing selected (なし in the frame chooser).
atspi item "$d" 'combo box' '枠の選択：' なし || fail "the text stayed selected"
settled_card "$work/text.png"

# 挿入 → イラストの選択: the picker shows the folder's picture chosen; この画像を使う, then 閉じる.
menu i 'イラストの選択(I)...' i
atspi press '^画像参照ツール$' 'push button' 'この画像を使う(S)' || fail "the picker did not offer the picture"
added イラスト1 "the picture was not added"
look designer-picker
atspi press '^画像参照ツール$' 'push button' 閉じる || fail "no 閉じる in the picker"
wait_for 10 gone '^画像参照ツール$' || fail "the picker stayed open"

# 挿入 → 図形の追加: a rectangle (四角), its background a gradient.
menu i '図形の追加(F)...' f
atspi item '^図形の設定$' 'combo box' 種類： 四角 || fail "no figure settings dialog"
atspi press '^図形の設定$' 'page tab' 色・設定 || fail "no 色・設定 page"
atspi check '^図形の設定$' 'check box' 背景 on || fail "the background was not ticked"
atspi check '^図形の設定$' 'radio button' グラデーション on || fail "no gradient"
look designer-figure
atspi press '^図形の設定$' 'push button' OK || fail "no OK in the figure settings"
wait_for 10 gone '^図形の設定$' || fail "the figure settings dialog stayed"
added 図形1 "the figure was not added"

# 挿入 → QRコードの追加: 電話帳登録 with a name, its reading, a telephone number and a mail address.
q='^QRコードの設定$'
menu i 'QRコードの追加(Q)...' q
atspi check "$q" 'radio button' 電話帳登録 on || fail "no QR settings dialog"
entry() {  # <field> <text> <way>: the text pasted, or typed when the way is type
  atspi focus "$q" text "$1" || fail "no field $1"
  if [ "${3:-}" = type ]; then xdotool type --delay 30 "$2"; else paste_text "$2"; fi
  atspi holds "$q" text "$1" "$2" || fail "$2 did not arrive in $1"
}
entry 名前： 山田花子
entry カナ： ヤマダハナコ
# The first of each pair of fields.
entry TEL： 03-1234-5678 type
entry E-Mail： hanako@example.jp type
look designer-qrcode
atspi press "$q" 'push button' OK || fail "no OK in the QR settings"
wait_for 10 gone "$q" || fail "the QR settings dialog stayed"
added QRコード1 "the QR code was not added"

# The band, drawn from the empty paper below the picture, touches the four new objects and nothing else. A drag
# is a path of the pointer: it stays a matter of positions.
eval "$(xdotool getwindowgeometry --shell "$designer")"
cx=$((X + 164)) cy=$((Y + 101))
xdotool mousemove $((cx + 20)) $((cy + 75)) mousedown 1
for i in 1 2 3 4 5; do sleep 0.1; xdotool mousemove $((cx + 20 + i * 8)) $((cy + 75 - i * 5)); done
xdotool mouseup 1
# 書式 → 枠の整列 → 上に揃える, then 用紙に合わせて横に等間隔に並べる: its letter is shared with 高さを揃える
# above it, so the first E stops there, the second on it, and Enter chooses it.
menu o '枠の整列(A)' a '上に揃える(T)' t
look designer-tops-aligned
menu o '枠の整列(A)' a '用紙に合わせて横に等間隔に並べる(E)' e
xdotool key e Return
keys_taken
settled_card "$work/edited.png"
look designer-arranged

# 元に戻す on the tool bar for each step kept, then やり直し for each.
for _ in 1 2 3 4 5; do atspi press "$d" 'push button' 元に戻す || fail "fewer steps undone than kept"; done
wait_for 10 card_is "$work/text.png" || fail "undoing every step did not give back the card with the text"
look designer-undone
for _ in 1 2 3 4 5; do atspi press "$d" 'push button' やり直し || fail "fewer steps redone than undone"; done
wait_for 10 card_is "$work/edited.png" || fail "redoing every step did not give back the edited card"

# ファイル → 名前を付けて保存 under a title.
menu f '名前を付けて保存(A)...' a
atspi focus '^名前を付けて保存$' text タイトル || fail "no save dialog"
xdotool type --delay 30 'Greeting'
atspi holds '^名前を付けて保存$' text タイトル Greeting || fail "the title did not arrive"
look designer-save
atspi press '^名前を付けて保存$' 'push button' OK || fail "no OK in the save dialog"
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

# The saved layout opens again: ファイル → 開く, the one layout listed, OK; a box would say it could not. The
# bus's question is answered by the program's event loop, so once it answers the layout is read or its box up.
menu f '開く(O)...' o
atspi press '^開く$' 'push button' OK || fail "no open dialog"
wait_for 10 gone '^開く$' || fail "the open dialog stayed"
atspi find "$d" 'combo box' '枠の選択：' || fail "the designer did not come back"
asks && fail "opening the saved layout failed"
shown '^宛名印刷 - Greeting$' >/dev/null || fail "the saved layout did not open"
kill -0 "$pid" || fail "the program ended"
echo "PASS"
