#!/usr/bin/env bash
# End to end under Xvfb, by keys alone: from the main window 印刷 → 文面印刷 makes a new message side, 挿入 →
# 文章の追加 adds a text, 枠の選択 chooses it (after なし), Tab brings the keys to the paper, and the text's
# pop-up menu opens from the Menu key and from Shift+F10; its 表示の設定 opens 文章の表示設定, whose font list
# takes the arrows down to IPAex Gothic, and OK. 印刷 prints it through the wizard to a PDF file: the text is
# printed in that face, down one column. The bus only reads what the keys brought about.
# Usage: design_keys.sh <program> <book maker>   (run inside xserver.sh; E2E_LOOK=<folder> keeps screenshots)
set -euo pipefail
program=$1
make_book=$2
source "$(dirname "$0")/common.sh"

d='^文面印刷 - '
settings='^文章の表示設定$'
# Tab pressed until the control has the keys, at most the given times.
tab_to() {  # <window> <role> <name> <times>
  for _ in $(seq "$4"); do
    xdotool key Tab
    atspi --timeout 2 focused "$1" "$2" "$3" 2>/dev/null && return 0
  done
  return 1
}
# The text's pop-up menu asked from a key on the paper, and its 表示の設定 chosen by its accelerator.
text_settings_by() {  # <key>
  atspi focused "$d" frame 用紙 || fail "the paper lost the keys"
  # The pop-up takes the keys that follow the one that opened it: only its 表示の設定 opens the dialog.
  xdotool key "$1" v
  atspi window "$settings" || fail "$1 opened no pop-up menu on the paper with 表示の設定"
}

make_sample_book "$make_book"
start_on_book "$program"

focus_main
xdotool key alt+p
atspi --timeout 10 find '^Velmora - ' 'menu item' '文面印刷(D)...' || fail "no print menu"
xdotool key d
# Each dialog given the keys once it is up, as there is no window manager to do it; Enter moves on in these
# two, and takes their OK once Tab is there.
wait_for 30 shown '^文面印刷　メニュー$' || fail "no start menu"
focus_dialog '^文面印刷　メニュー$'
tab_to '^文面印刷　メニュー$' 'push button' OK 10 || fail "Tab does not reach the start menu's OK"
xdotool key Return
paper='^(新規作成|用紙の選択)$'
wait_for 30 shown "$paper" || fail "no paper offered"
focus_dialog "$paper"
tab_to "$paper" 'push button' OK 20 || fail "Tab does not reach the paper's OK"
xdotool key Return
wait_for 20 shown "$d"'新規$' || fail "no new message side"
window=$(xdotool search --onlyvisible --name "$d"'新規$' | head -n 1)
focus_window "$window" "$d"

xdotool key alt+i
atspi --timeout 10 find "$d" 'menu item' '文章の追加(W)...' || fail "no insert menu"
xdotool key w
atspi window '^文章の編集$' || fail "no text entry dialog"
paste_text 'キーの書体'
# Tab leaves the text for the direction, where Enter takes the dialog's OK.
xdotool key Tab Return
wait_for 10 gone '^文章の編集$' || fail "the text entry dialog stayed"
atspi find "$d" 'combo box' 文章1 || fail "the text was not added"

focus_window "$window" "$d"
tab_to "$d" 'combo box' '枠の選択：' 10 || fail "Tab does not reach 枠の選択"
xdotool key Home
atspi find "$d" 'combo box' なし || fail "なし was not chosen"
xdotool key Down
atspi find "$d" 'combo box' 文章1 || fail "the text was not chosen in 枠の選択"
xdotool key Tab
atspi focused "$d" frame 用紙 || fail "Tab from 枠の選択 does not reach the paper"
look keys-paper

text_settings_by Menu
xdotool key Escape
wait_for 10 gone "$settings" || fail "Esc left the text settings open"
focus_window "$window" "$d"
text_settings_by shift+F10
look keys-settings
atspi focused "$settings" list フォント || fail "the font list does not have the keys"
face=
for _ in $(seq 60); do
  xdotool key Down
  face=$(atspi current "$settings" list フォント) || fail "no face chosen in the font list"
  case "$face" in IPAexGothic|IPAexゴシック) break ;; esac
done
case "$face" in IPAexGothic|IPAexゴシック) ;; *) fail "the arrows never reached IPAex Gothic (last $face)" ;; esac
tab_to "$settings" 'push button' OK 15 || fail "Tab does not reach OK in the text settings"
xdotool key Return
wait_for 10 gone "$settings" || fail "OK left the text settings open"

focus_window "$window" "$d"
xdotool key alt+f
atspi --timeout 10 find "$d" 'menu item' '印刷(P)...' || fail "no file menu"
xdotool key p
# Nothing to choose on a message side: the wizard opens on its printer page, PDF出力.
atspi window '^文面印刷$' || fail "no print wizard"
look keys-wizard
xdotool key alt+p
atspi --timeout 30 says '^Velmora$' 'を印刷します' || fail "the print was not confirmed"
xdotool key Return
atspi --timeout 30 focused 'PDF ファイルへの印刷' text 'ファイル名(N):' || fail "no file dialog for the PDF"
pdf=$work/out/keys.pdf
paste_text "$pdf"
xdotool key Return
wait_for 60 test -s "$pdf" || fail "no PDF was written"
wait_for 30 sh -c "pdfinfo '$pdf' >/dev/null 2>&1" || fail "the PDF is not whole"
keep_pdf "$pdf" design-keys.pdf

fonts=$(pdffonts "$pdf" | tail -n +3 | awk '{print $1}' | sed 's/^[A-Z]*+//')
[ "$fonts" = IPAexGothic ] || fail "the text is printed in '$fonts', not the face chosen by the arrows"
# A vertical text: its characters down one column, in the order written.
words=$(pdftotext -bbox "$pdf" - | sed -n 's/.*<word xMin="\([0-9.]*\)".*>\(.*\)<\/word>/\1 \2/p')
[ "$(echo "$words" | awk '{printf "%s", $2}')" = キーの書体 ] || fail "the page reads '$words'"
[ "$(echo "$words" | awk '{print $1}' | sort -u | wc -l)" = 1 ] || fail "the text is not one column: $words"

end_printing "$window" 文面印刷
kill -0 "$pid" || fail "the program ended"
echo "PASS"
