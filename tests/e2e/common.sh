# Shared by the end-to-end scripts: private XDG folders in a temporary work folder, the program's data folder,
# and the helpers to fail and to wait. Sourced after `set -euo pipefail`, with the script's arguments.
# Each script runs in a D-Bus session of its own, whose accessibility bus the program publishes its windows and
# controls on: atspi.py finds them there by the window's title, the control's role and its name.
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || exec dbus-run-session -- "$0" "$@"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
e2e=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
atspi() { /usr/bin/python3 "$e2e/atspi.py" "$@"; }
work=$(mktemp -d)
pid=
imepid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; [ -n "$imepid" ] && kill "$imepid" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_CONFIG_DIRS=$work/etc
unset QT_QPA_PLATFORM
data=$XDG_DATA_HOME/Oxa/Mirvale18

fail() { echo "FAIL: $*"; [ -n "${E2E_SHOT:-}" ] && import -window root "$E2E_SHOT" 2>/dev/null; exit 1; }

# Waits until a command succeeds, up to the given seconds.
wait_for() {
  local seconds=$1; shift
  for _ in $(seq $((seconds * 10))); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

# A book "Book" of three sample records in the data folder, and the settings that open it at start without
# the splash, the information window or the update check; $work/out for what the run writes.
make_sample_book() {  # <book maker>
  mkdir -p "$work/disc" "$work/out" "$data/Data/Adrs"
  "$1" "$data/Data/Adrs/Book/" 3 || fail "could not make the book"
  printf '[HIDDEN PARAMETER]\r\nPath=%s\r\n[OPERATION]\r\nViewSplash=0\r\n[BASE]\r\nDataPath=%s\r\nAdrsName=Book\r\nInfo=0\r\n[UPDATE]\r\nUpdateCheck=0\r\n' \
    "$work/disc" "$data/Data/" > "$data/Mirvale18.ini"
}

# That book's rows, counted or listed by the table-row counter the script holds in $rows; a script reading
# another book defines its own table.
table() { "$rows" "$data/Data/Adrs/Book/" Adrs.DB "$@"; }
# Whether the table holds that many rows.
count_is() { [ "$(table 2>/dev/null)" = "$1" ]; }

# Starts the program on that book and waits for its main window: pid and main are set.
start_on_book() {  # <program>
  "$1" & pid=$!
  wait_for 60 xdotool search --onlyvisible --name '^Velmora - Book$' || fail "the book did not open"
  main=$(xdotool search --onlyvisible --name '^Velmora - Book$' | head -n 1)
}

# Puts text into the focused field through the clipboard: xdotool types characters outside the keyboard map
# by remapping a key for each, which an X server under load can take in the wrong order or lose.
paste_text() {
  printf '%s' "$1" | xclip -selection clipboard 2>/dev/null
  sleep 0.2
  xdotool key ctrl+v
}

shown() { xdotool search --onlyvisible --name "$1"; }
# No window of the title: the search found none and said nothing. A search that dies on the X error of a window
# closing while it looks (a question just answered) finds none too, and would let a script walk on past a dialog
# still open.
gone() { local said; said=$(xdotool search --onlyvisible --name "$1" 2>&1) && return 1; [ -z "$said" ]; }

# Whatever the program asks on the way (a question, a summary) is answered with its default button, pressed on
# the bus, until a command succeeds, up to the given seconds: a box that comes late under load is answered too,
# and each box once, since the press waits for its box to close.
answer_until() {  # <seconds> <command...>
  local end=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$end" ] || return 1
    if asks; then atspi --timeout 10 default '^Velmora$' || true; else sleep 0.2; fi
  done
}

# The program's box that says the words, once it is up, answered with its button of that name or else with its
# default button: boxes of the same title are told apart by what they ask.
answer_box() {  # <words> [<button>]
  atspi --timeout 60 says '^Velmora$' "$1" || return 1
  if [ -n "${2:-}" ]; then atspi --timeout 10 press '^Velmora$' 'push button' "$2"; else atspi --timeout 10 default '^Velmora$'; fi
}

# A real input method for the program started after it: the ibus daemon with its Anthy engine, in Latin input
# until the script switches it on with Ctrl+J. Needs a D-Bus session (the script runs under dbus-run-session).
start_input_method() {
  export XDG_CACHE_HOME=$work/cache GSETTINGS_BACKEND=keyfile
  gsettings set org.freedesktop.ibus.engine.anthy.common input-mode 3 || fail "no Anthy settings"
  # The engine is a Python program that needs the system's Python with its GObject bindings.
  PATH=/usr/bin:$PATH ibus-daemon --xim=false --panel=disable --replace >/dev/null 2>&1 & imepid=$!
  wait_for 30 sh -c "ibus address 2>/dev/null | grep -q unix" || fail "the input method did not start"
  IBUS_ADDRESS=$(ibus address); export IBUS_ADDRESS
  engine_on() { ibus engine anthy >/dev/null 2>&1; ibus engine 2>/dev/null | grep -q anthy; }
  wait_for 30 engine_on || fail "no Anthy engine"
  export QT_IM_MODULE=ibus
}

# E2E_LOOK names a folder that keeps a picture of the screen at each step, to look at after the run.
look() { [ -n "${E2E_LOOK:-}" ] && import -window root "$E2E_LOOK/$1.png"; return 0; }

# E2E_PDFS names a folder that keeps the PDFs printed, each by a name of its own, to compare after the run.
keep_pdf() {  # <pdf> <name>
  [ -z "${E2E_PDFS:-}" ] || cp "$1" "$E2E_PDFS/$2"
}

# A window given the focus, waited for until the program has made it its active window: keys sent before that
# are lost. There is no window manager here to do it.
focus_window() {  # <window> <title>
  xdotool windowfocus "$1" 2>/dev/null || true
  atspi --timeout 10 window "$2" || fail "the window $2 did not become active"
}
focus_main() { focus_window "$main" '^Velmora - '; }
# The newest visible window of a title given the focus. The search gives up on the X error of a window that
# closes while it looks (a dialog just closed): it is asked again until it answers.
focus_dialog() {
  local window=
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1) && [ -n "$window" ] && break
    sleep 0.1
  done
  focus_window "$window" "$1"
}
# A menu of a window opened with its accelerator, and an item chosen by its key once it is shown.
choose_window_menu_item() {  # <window> <title> <menu key> <item's name> <item key>
  focus_window "$1" "$2"
  xdotool key "alt+$3"
  atspi --timeout 10 find "$2" 'menu item' "$4" || fail "the menu of $4 did not open"
  xdotool key "$5"
}
choose_menu_item() { choose_window_menu_item "$main" '^Velmora - ' "$@"; }  # <menu key> <item's name> <item key>
# A file dialog's name field given the keyboard, the file's path pasted into it and taken with Enter: Enter
# follows the paste on the same keyboard, a press on the bus could overtake it.
name_file() {  # <dialog title> <path>
  atspi --timeout 20 focus "$1" text 'ファイル名(N):' || return 1
  paste_text "$2"
  xdotool key Return
}
# True while a window of the program's own name (a question, a notice) is up.
asks() { [ "$(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null | wc -l)" -ge "${1:-1}" ]; }

# The information dialog of the first start; OK closes it with its boxes as they are.
close_information_dialog() {
  atspi --timeout 60 window '^お知らせ$' || fail "no information dialog at the first start"
  look first-start
  atspi press '^お知らせ$' 'push button' OK || fail "no OK in the information dialog"
  wait_for 30 gone '^お知らせ$' || fail "the information dialog did not close"
}

# No book yet: a notice, then the book dialog in create mode with the default name, whose OK creates and opens
# the book "アドレス": main and book are set.
create_first_book() {
  atspi --timeout 60 default '^Velmora$' || fail "no notice before the book dialog"
  atspi find 'アドレス帳の作成' 'push button' OK || fail "no book dialog"
  atspi press 'アドレス帳の作成' 'push button' OK || fail "no OK in the book dialog"
  wait_for 30 xdotool search --onlyvisible --name '^Velmora - ' || fail "book not opened"
  main=$(xdotool search --onlyvisible --name '^Velmora - ' | head -n 1)
  book=$data/Data/Adrs/アドレス/
}

# ファイル → テキストファイルの取り込み, 参照 to the file, 取り込み, Yes to the question and the summary. The
# buttons are pressed on the bus, once each is there and enabled (取り込み is, once the file is read): a key
# sent to the dialog the moment its file dialog closes could reach it before the program had made it the
# active window again, and was lost.
import_text_file() {  # <file>
  choose_menu_item f 'テキストファイルの取り込み(I)...' i
  atspi press 'テキストファイルの取り込み' 'push button' '参照(R)...' || fail "no import dialog"
  name_file '取り込むファイルの選択' "$1" || fail "no file dialog"
  wait_for 10 gone '取り込むファイルの選択' || fail "the file dialog stayed open"
  look import
  atspi press 'テキストファイルの取り込み' 'push button' '取り込み(I)' || fail "the file was not read"
  answer_until 60 gone 'テキストファイルの取り込み' || fail "the import dialog stayed open"
}

# ファイル → テキストファイルの出力 of all rows with the items kept from the last time, 出力 to a file, its
# summary, 閉じる.
export_text_file() {  # <file>
  choose_menu_item f 'テキストファイルの出力(E)...' e
  local box='テキストファイルの出力'
  atspi find "$box" 'push button' '出力(O)...' || fail "no export window"
  look export
  atspi press "$box" 'push button' '出力(O)...' || fail "no export button"
  name_file '出力ファイルの指定' "$1" || fail "no file dialog for the export"
  answer_box 'データを出力しました' || fail "no summary of the export"
  test -s "$1" || fail "nothing exported"
  atspi press 'テキストファイルの出力' 'push button' 閉じる || fail "no close button in the export window"
  wait_for 10 gone 'テキストファイルの出力' || fail "the export window stayed open"
}

# オプション → バックアップ, 実行 (the default button), then the summary; a dated folder in the data root.
make_backup() {
  choose_menu_item o 'バックアップ(B)...' b
  atspi find '^バックアップ$' 'push button' 実行 || fail "no backup dialog"
  look backup
  atspi press '^バックアップ$' 'push button' 実行 || fail "no 実行 in the backup dialog"
  answer_until 60 gone '^バックアップ$' || fail "the backup dialog stayed open"
  ls "$data/Data/" | grep -q '^2[0-9]* [0-9]*$' || fail "no backup folder"
}

# The first row of the list deleted: Home, Delete, Yes.
delete_first_row() {
  focus_main
  xdotool key Home Delete
  atspi press '^Velmora$' 'push button' 'はい(Y)' || fail "no question before deleting"
}

# オプション → 復元, the newest backup (chosen already), 復元, Yes to the question, then the summary.
restore_newest_backup() {
  choose_menu_item o '復元(R)...' r
  atspi find '^復元$' 'push button' 復元 || fail "no restore dialog"
  look restore
  atspi press '^復元$' 'push button' 復元 || fail "no restore button"
  answer_box 'バックアップデータを復元します' 'はい(Y)' || fail "no question before restoring"
  answer_until 60 gone '^復元$' || fail "the restore dialog stayed open"
}

# 終了 on the tool bar ends the program.
quit_program() {
  atspi press '^Velmora - ' 'push button' 終了 || fail "no 終了 on the tool bar"
  wait_for 30 sh -c "! kill -0 $pid" || fail "the program did not end"
  pid=
}

# The record form's 登録 for a new record, then whatever it asks answered until a command succeeds, up to the
# given seconds.
press_register() {  # <seconds> <command...>
  atspi press 'アドレス帳情報' 'push button' 登録 || fail "no 登録 on the record form"
  answer_until "$@"
}

# Ctrl+S: a name searched in the directory's region 東京都; Enter on the first hit opens it in the record form,
# which form is set to. The window opens with the keyboard in the name box; the name pasted there is waited for
# before the region box's list opens, where 東京都 is three steps down from 全国; 検索 is pressed on the bus.
open_directory_hit() {  # <name>
  focus_main
  xdotool key ctrl+s
  local box='^名称住所検索$'
  atspi focus "$box" 'combo box' '名称：' || fail "no search window"
  paste_text "$1"
  atspi find "$box" 'combo box' "$1" || fail "the name $1 was not taken"
  atspi press "$box" 'combo box' '地域：' || fail "no region box"
  xdotool key Down Down Down Return
  atspi find "$box" 'combo box' 東京都 || fail "the region 東京都 was not chosen"
  atspi press "$box" 'push button' 検索 || fail "no search button"
  atspi find "$box" label 検索完了 || fail "the search did not end"
  atspi focus "$box" tree 検索結果 || fail "no list of hits"
  look directory-hits
  xdotool key Return
  await_form 'アドレス帳情報登録' "the hit did not open in the record form"
  look directory-form
}

# Waits for the record form of a title (登録 or 照会) and sets form to it.
await_form() {  # <title> <what failed>
  wait_for 30 xdotool search --onlyvisible --name "$1" || fail "$2"
  form=$(xdotool search --onlyvisible --name "$1" | head -n 1)
  atspi find "$1" 'push button' 閉じる || fail "$2"
}

# Waits for a window the record form opened, gives it keys, waits until it has closed and gives the form (when
# one is set) the keyboard back.
keys_to_window() {  # <window name> <what> <keys...>
  local name=$1 what=$2
  shift 2
  wait_for 30 shown "$name" || fail "no $what"
  focus_dialog "$name"
  xdotool key "$@"
  wait_for 30 gone "$name" || fail "the $what stayed open"
  [ -z "${form:-}" ] || focus_window "$form" 'アドレス帳情報'
}

# A new record opens with the telephone number's look-up; Escape closes it without taking anything.
cancel_lookup() { keys_to_window '^検索$' "telephone look-up of the new record" Escape; }

# Ctrl+W: a word searched in the list, Enter to the search button, Enter to search. The found row is selected.
find_word() {  # <word>
  focus_main
  xdotool key ctrl+w
  atspi focus '一覧内のワード検索' text '検索する文字列' || fail "no word search dialog"
  paste_text "$1"
  xdotool key Return Return
  wait_for 10 gone '一覧内のワード検索' || fail "the word search stayed open"
}

# Keys at a typist's pace, for the input method, which answers each on its own bus.
key() { for k in "$@"; do xdotool key "$k"; sleep 0.4; done; }
# The name-reading pop-up has no title of its own and is found by its name property, which search by name
# does not read.
popup() {
  for w in $(xdotool search --onlyvisible --class velmora 2>/dev/null); do
    [ "$(xdotool getwindowname "$w")" = Velmora ] && return 0
  done
  return 1
}
no_popup() { ! popup; }

# A new record with the keyboard alone, through the input method (start_input_method), from 電話番号 to 登録:
# the postal code 1000001 and its address from the dictionary window, the name 佐藤 太郎 (first written forms)
# through the name-reading pop-up. Enter walks the form: 顧客コード, 電話番号, its look-up button, whose window
# Escape closes, then on to 代表電話 and the other numbers. The caller waits for the stored row, answering what
# 登録 asks.
enter_record_by_keyboard() {
  xdotool search --onlyvisible --name 'アドレス帳情報' >/dev/null 2>&1 || { xdotool windowfocus "$main" 2>/dev/null || true; }
  xdotool key ctrl+n
  await_form 'アドレス帳情報登録' "no record form for the keyboard run"
  cancel_lookup
  # In the dictionary window, Enter in its city list moves to the towns and Enter there decides.
  decide() { keys_to_window '^検索$' "dictionary window for $1" Return Return; }
  xdotool key Return Return Return Return
  keys_to_window '^検索$' "number's look-up opened by Enter" Escape
  # 代表電話, FAX番号, 携帯番号１ and ２ to 郵便番号; the code; Enter to its look-up button and Enter again.
  xdotool key Return Return Return Return
  xdotool type --delay 60 '1000001'
  xdotool key Return Return
  decide "the postal code"
  # The look-up left the focus on 都道府県: Enter to the address look-up, which ends on 住所１.
  xdotool key Return Return
  decide "the address"
  # 住所１ to 住所カナ, the person/company switch (a person) and on to 名前.
  xdotool key Return Return Return Return Return
  # 名前: the input method switched to hiragana, the reading typed and committed; its written forms stay
  # offered, Down selects the first and Enter takes it. The given name the same way. The keys come at a
  # typist's pace: the input method answers each on its own bus.
  xdotool key ctrl+j
  sleep 0.5
  for reading in satou tarou; do
    xdotool type --delay 80 "$reading"
    wait_for 10 popup || fail "no written forms offered for $reading"
    key Return
    popup || fail "the written forms of $reading closed with the reading's commit"
    key Down Return
    wait_for 10 no_popup || fail "no written form taken for $reading"
  done
  xdotool key ctrl+j
  sleep 0.3
  look keyboard-form
  # カナ, 敬称, the list button and its editor, which Escape closes, 大分類, and 登録 pressed with Enter.
  xdotool key Return Return Return Return
  keys_to_window '入力リストの編集' "honorifics' list opened by Enter" Escape
  xdotool key Return Return
}

# The map of the shown record: the record form's map button (right of the prefecture), Yes to the question
# whether a picked point may be saved, then a double click at <dx> pixels right of the map's middle unless
# <dx> is empty, then Esc. form is the record form.
show_on_map() {  # <dx>
  atspi press 'アドレス帳情報' 'push button' 地図表示 || fail "no map button on the record form"
  atspi --timeout 10 default '^Velmora$' || fail "no save question"
  wait_for 30 shown "${map_name:-MapFan}" || fail "no map window"
  local map
  map=$(xdotool search --onlyvisible --name "${map_name:-MapFan}" | tail -n 1)
  focus_window "$map" "${map_name:-MapFan}"
  look map
  if [ -n "$1" ]; then
    [ -n "${E2E_MAP_SHOT:-}" ] && import -window root "$E2E_MAP_SHOT"
    eval "$(xdotool getwindowgeometry --shell --prefix M "$map")"
    # The map fills the window under its top panel.
    xdotool mousemove $((MX + MWIDTH / 2 + $1)) $((MY + (MHEIGHT + 30) / 2)) click --repeat 2 --delay 80 1
  fi
  xdotool key Escape
  wait_for 10 gone "${map_name:-MapFan}" || fail "the map window stayed open"
}

# 印刷 → <caption> from the main window: the start menu's first choice (a new layout), the first paper offered
# (a paper dialog of its own for each kind of layout), and the new layout's window, which window is set to.
open_new_layout() {  # <menu key> <caption, as 宛名印刷>
  choose_menu_item p "$2(${1^^})..." "$1"
  local menu="^$2　メニュー\$" paper='^(新規作成|用紙の選択)$'
  atspi press "$menu" 'push button' OK || fail "$2: no start menu"
  atspi find "$paper" 'push button' OK || fail "$2: no paper offered"
  look "$2-paper"
  atspi press "$paper" 'push button' OK || fail "$2: no OK for the paper"
  wait_for 20 shown "^$2 - 新規\$" || fail "$2: no new layout"
  window=$(xdotool search --onlyvisible --name "^$2 - 新規\$" | head -n 1)
  focus_window "$window" "^$2 - 新規\$"
}

# ファイル → 印刷 of a layout window: every record of the list unless the wizard opens on its printer page
# (records=no), 印刷, confirmed, and the PDF file named in the file dialog.
print_layout_to_pdf() {  # <window> <caption> <pdf> [records=no]
  choose_window_menu_item "$1" "^$2 - " f '印刷(P)...' p
  local wizard="^$2\$"
  if [ "${4:-}" != no ]; then
    atspi check "$wizard" 'radio button' 一覧に表示されているすべてのデータ on || fail "$2: no print wizard"
    # Each field is read by the caption beside it, not by its group's.
    atspi find "$wizard" text 件目から || fail "$2: the range's start is not read as 件目から"
    atspi find "$wizard" text 件目まで || fail "$2: the range's end is not read as 件目まで"
    atspi press "$wizard" 'push button' '次へ(N)' || fail "$2: no 次へ in the print wizard"
  fi
  atspi find "$wizard" 'push button' '印刷(P)' || fail "$2: no printer page in the print wizard"
  # The offset bars are read by their side with the distance the window shows, 0.0 mm, not their position.
  atspi value "$wizard" 'scroll bar' 上： 0 || fail "$2: the vertical offset is not read as 上： 0.0 mm"
  atspi value "$wizard" 'scroll bar' 左： 0 || fail "$2: the horizontal offset is not read as 左： 0.0 mm"
  case "$2" in
    ラベル印刷|名刺印刷)
      atspi find "$wizard" text 印刷開始位置 || fail "$2: the start position is not read by its caption"
      atspi find "$wizard" text 1件の印刷回数 || fail "$2: the copies of a record are not read by their caption"
      ;;
  esac
  look "$2-wizard"
  atspi press "$wizard" 'push button' '印刷(P)' || fail "$2: no 印刷 in the print wizard"
  answer_box 'を印刷します' || fail "$2: the print was not confirmed"
  save_pdf_as 'PDF ファイルへの印刷' "$3" "$2"
}

# The PDF file named in the file dialog of a title, and waited for until it is whole.
save_pdf_as() {  # <dialog title> <pdf> <what>
  name_file "$1" "$2" || fail "$3: no file dialog for the PDF"
  wait_for 60 test -s "$2" || fail "$3: no PDF was written"
  wait_for 30 sh -c "pdfinfo '$2' >/dev/null 2>&1" || fail "$3: the PDF is not whole"
}

# 印刷の終了 asks about the unsaved layout: not saved (いいえ), and, in the postcard and letter designers, its
# discarding confirmed (はい); the label window takes the いいえ alone and asks nothing more.
end_printing() {  # <window> <caption>
  choose_window_menu_item "$1" "^$2 - " f '印刷の終了(E)' e
  answer_box 'レイアウトの変更を保存しますか' 'いいえ(N)' || fail "$2: no save question"
  case "$2" in
    ラベル印刷|名刺印刷)
      wait_for 10 gone "^$2" || fail "$2: the window stayed"
      ! asks || fail "$2: asked again after いいえ"
      ;;
    *) answer_box 'レイアウトは破棄されます' 'はい(Y)' || fail "$2: no question before discarding" ;;
  esac
  wait_for 10 gone "^$2" || fail "$2: the window stayed"
}

# 印刷 → 一覧表印刷 and its print button to a PDF file chosen in the file dialog; the window stays open.
print_list_to_pdf() {  # <pdf>
  choose_menu_item p '一覧表印刷(L)...' l
  atspi find '^一覧表印刷$' 'push button' '印刷(P)...' || fail "no list-print window"
  look list-window
  atspi press '^一覧表印刷$' 'push button' '印刷(P)...' || fail "no print button in the list-print window"
  save_pdf_as 'PDFファイルの保存' "$1" 一覧表印刷
}
