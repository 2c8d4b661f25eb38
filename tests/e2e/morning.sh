#!/usr/bin/env bash
# End to end under Xvfb: a morning's work of a new user, from the first start with no book to the next start.
# A book is made; a spreadsheet's addresses (Shift-JIS, CRLF, a quoted comma, a vendor character) are
# imported; a directory hit is registered; a record is filled through the dictionaries and the name reading
# with the keyboard alone; its place is found on the map; a group's postcards, labels and the list are printed
# to PDF, and a New Year greeting on the message side; the book is exported, backed up, a record deleted and
# restored; a setting is changed; the program ends and starts again on the same book, rows and setting.
# Each step checks what it stored, printed or wrote.
# Usage: morning.sh <program> <table-row counter> <sample directory root>
#   (run inside xserver.sh; it starts its own D-Bus session; E2E_LOOK=<folder> keeps screenshots and PDFs)
set -euo pipefail
program=$1
rows=$2
sample=$3
source "$(dirname "$0")/common.sh"
start_input_method

table() { "$rows" "$book" Adrs.DB "$@"; }
# The value of a field in the row whose other field has a value, e.g. `field_where Pos 1000001 Adrs1`.
field_where() {
  local line
  line=$(table "$1" | grep -nx -- "$2" | head -n 1 | cut -d: -f1)
  [ -n "$line" ] && table "$3" | sed -n "${line}p"
}
pdf_text() { pdftotext -raw "$1" - | tr -d '\n '; }
has_text() {  # <pdf> <what> <text...>
  local pdf=$1 what=$2 text
  shift 2
  text=$(pdf_text "$pdf")
  for t in "$@"; do
    case "$text" in *"$t"*) ;; *) fail "$what: '$t' is not printed" ;; esac
  done
}
pages_of() { pdfinfo "$1" | sed -n 's/^Pages: *//p'; }
keep_file() { [ -n "${E2E_LOOK:-}" ] && cp "$1" "$E2E_LOOK/"; return 0; }

# No drive, the directory's sample data installed on the disc, the map's offline base map alone.
prepare_machine() {
  mkdir -p "$work/disc" "$work/out" "$data"
  printf '[HIDDEN PARAMETER]\r\nPath=%s\r\n[MAP]\r\nTileUrl=\r\n' "$work/disc" > "$data/Mirvale18.ini"
  printf '[HDD]\r\nInstalled=1\r\nFolder=%s\r\n' "$sample" > "$data/HddInst.ini"
  # What a spreadsheet writes as CSV: Shift-JIS with the vendor's characters, CRLF, a quoted comma.
  csv=$work/addresses.csv
  {
    printf 'グループ,名前,名前カナ,会社名,〒,住所,電話番号\r\n'
    printf 'グループ１,山田 一郎,ヤマダ イチロウ,山田商事株式会社,100-0005,東京都千代田区丸の内１－１－１,03-3211-0001\r\n'
    printf 'グループ１,髙橋 花子,タカハシ ハナコ,"株式会社髙橋, 本店",530-0001,大阪府大阪市北区梅田２－２－２,06-6345-0002\r\n'
    printf 'グループ１,鈴木 次郎,スズキ ジロウ,鈴木工業,231-0023,神奈川県横浜市中区山下町３,045-201-0003\r\n'
    printf 'グループ２,田中 三郎,タナカ サブロウ,田中物産,900-0006,沖縄県那覇市松山１－２,098-861-0004\r\n'
    printf ',伊藤 四郎,イトウ シロウ,伊藤設計事務所,160-0022,東京都新宿区新宿３－４－５,03-3350-0005\r\n'
  } | iconv -f UTF-8 -t CP932 > "$csv"
}

# The first start: the splash, the information dialog (Enter), and the book made with its default name.
first_start() {
  "$program" & pid=$!
  wait_for 60 sh -c "xwininfo -root -tree | grep -q '512x400'" || fail "no splash window"
  close_information_dialog
  create_first_book
  look new-book
  [ -f "$book/Adrs.DB" ] || fail "no table file for the new book"
  count_is 0 || fail "the new book is not empty"
}

import_addresses() {
  import_text_file "$csv"
  wait_for 30 count_is 5 || fail "the spreadsheet's rows were not imported ($(table) rows)"
  look imported
  [ "$(table Tel | sort | tr '\n' ' ')" = "0332110001 0333500005 0452010003 0663450002 0988610004 " ] ||
    fail "the numbers were not stored: $(table Tel | tr '\n' ' ')"
  [ "$(field_where Tel 0663450002 Pos)" = 5300001 ] || fail "the postal code was not stored"
  # Groups by their numbers: three in the first, one in the second, one in none.
  [ "$(table Group | sort | tr '\n' ' ')" = "0 1 1 1 2 " ] || fail "the groups were not stored: $(table Group | tr '\n' ' ')"
}

register_directory_hit() {
  open_directory_hit '東洋'
  press_register 30 count_is 6 || fail "the directory's hit was not stored"
  table CorpKanji | iconv -f CP932 -t UTF-8 | grep -q '東洋' || fail "the hit's name was not stored"
  close_form
  atspi press '^名称住所検索$' 'push button' 閉じる || fail "no close button in the search window"
  wait_for 10 gone '^名称住所検索$' || fail "the search window stayed open"
}

fill_through_dictionaries() {
  enter_record_by_keyboard
  answer_until 30 count_is 7 || fail "the record typed with the keyboard was not stored"
  [ "$(field_where Pos 1000001 JisCode)" = 13101 ] || fail "the municipality code was not stored"
  [ "$(field_where Pos 1000001 Adrs1 | iconv -f CP932 -t UTF-8)" = 千代田区 ] || fail "the dictionary's address was not stored"
  [ "$(field_where Pos 1000001 NameKana | iconv -f CP932 -t UTF-8)" = "ｻﾄｳ ﾀﾛｳ" ] || fail "the reading was not stored"
  close_form
}

# The keyboard's record, found with the word search and shown (Ctrl+I); its map stores the address's point.
find_on_map() {
  find_word '佐藤'
  focus_main
  xdotool key ctrl+i
  await_form 'アドレス帳情報照会' "the record was not shown"
  look found
  map_name=プロアトラス show_on_map ""
  local lat lon
  lat=$(field_where Pos 1000001 Latitude) lon=$(field_where Pos 1000001 Longitude)
  # 千代田区 is about 35.69 N, 139.75 E, in thousandths of a second.
  [ "$lat" -gt 128268000 ] && [ "$lat" -lt 128628000 ] || fail "latitude $lat is not near the address"
  [ "$lon" -gt 502956000 ] && [ "$lon" -lt 503316000 ] || fail "longitude $lon is not near the address"
  close_form
}

# 閉じる closes the record form, answering whatever it asks with its default.
close_form() {
  xdotool search --onlyvisible --name 'アドレス帳情報' >/dev/null 2>&1 || return 0
  atspi press 'アドレス帳情報' 'push button' 閉じる || fail "no close button on the record form"
  answer_until 10 gone 'アドレス帳情報' || fail "the record form stayed open"
}

# The group box of the tool bar opened, Home, then down to the nth entry (0 すべて, 1 未指定のみ, 2 the first
# group) and Enter; the list shows that entry's rows once the box names it.
choose_group() {  # <entry> <the entry's text>
  focus_main
  atspi press '^Velmora - ' 'combo box' 'グループ：' || fail "the group box did not open"
  xdotool key Home
  for _ in $(seq "$1"); do xdotool key Down; done
  xdotool key Return
  atspi find '^Velmora - ' 'combo box' "$2" || fail "the group $2 was not chosen"
}

print_group_postcards() {
  choose_group 2 ' 1： グループ１'
  look group
  open_new_layout a 宛名印刷
  look postcard
  print_layout_to_pdf "$window" 宛名印刷 "$work/out/postcards.pdf"
  keep_file "$work/out/postcards.pdf"
  [ "$(pages_of "$work/out/postcards.pdf")" = 3 ] || fail "the group's postcards are not three pages"
  has_text "$work/out/postcards.pdf" "postcards" 山田一郎 髙橋花子 鈴木次郎 東京都千代田区丸の内 大阪府大阪市北区梅田
  case "$(pdf_text "$work/out/postcards.pdf")" in *田中*|*伊藤*) fail "a postcard outside the group was printed" ;; esac
  end_printing "$window" 宛名印刷
  choose_group 0 すべて
}

print_labels() {
  open_new_layout b ラベル印刷
  look labels
  print_layout_to_pdf "$window" ラベル印刷 "$work/out/labels.pdf"
  keep_file "$work/out/labels.pdf"
  [ "$(pages_of "$work/out/labels.pdf")" = 1 ] || fail "the labels are not one sheet"
  has_text "$work/out/labels.pdf" "labels" 山田一郎 髙橋花子 鈴木次郎 田中三郎 伊藤四郎 佐藤 東洋
  end_printing "$window" ラベル印刷
}

print_the_list() {
  print_list_to_pdf "$work/out/list.pdf"
  keep_file "$work/out/list.pdf"
  [ "$(pdftotext -raw "$work/out/list.pdf" - | grep -cE '^[0-9]+ ')" = 7 ] || fail "the list does not print seven rows"
  has_text "$work/out/list.pdf" "list" 山田一郎 髙橋花子 佐藤 03-3211-0001
  atspi press '^一覧表印刷$' 'push button' 閉じる || fail "no close button in the list window"
  wait_for 10 gone '^一覧表印刷$' || fail "the list window stayed open"
}

# 印刷 → 文面印刷, the postcard, 挿入 → 文章の追加 with the example pane's first greeting, printed.
print_greeting() {
  open_new_layout d 文面印刷
  choose_window_menu_item "$window" '^文面印刷 - ' i '文章の追加(W)...' w
  local box='^文章の編集$'
  atspi press "$box" 'push button' '文例を表示(E)' || fail "no text entry dialog"
  atspi press "$box" 'push button' '追加(A)' || fail "no example to add"
  look greeting-text
  atspi press "$box" 'push button' OK || fail "no OK in the text entry dialog"
  wait_for 10 gone "$box" || fail "the text entry dialog stayed"
  focus_window "$window" '^文面印刷 - '
  look greeting
  print_layout_to_pdf "$window" 文面印刷 "$work/out/greeting.pdf" no
  keep_file "$work/out/greeting.pdf"
  [ "$(pages_of "$work/out/greeting.pdf")" = 1 ] || fail "the message side is not one page"
  has_text "$work/out/greeting.pdf" "greeting" 謹賀新年
  end_printing "$window" 文面印刷
}

# The export with the items a new user gets: a header and a line a record, in Shift-JIS.
export_book() {
  export_text_file "$work/out/book.csv"
  local text
  text=$(iconv -f CP932 -t UTF-8 "$work/out/book.csv") || fail "the export is not Shift-JIS"
  [ "$(printf '%s\n' "$text" | grep -c .)" = 8 ] || fail "the export does not hold a header and seven rows"
  keep_file "$work/out/book.csv"
  # The cells as the list shows them: numbers with their hyphens, a quoted cell where the text has a comma.
  for t in '髙橋 花子' '"株式会社髙橋, 本店"' 06-6345-0002 佐藤 東洋; do
    printf '%s' "$text" | grep -qF -- "$t" || fail "the export lacks $t"
  done
}

# A backup, a record deleted, the backup restored: the book is as it was.
backup_and_restore() {
  make_backup
  local before
  before=$(table Tel | sort)
  delete_first_row
  wait_for 30 count_is 6 || fail "the record was not deleted"
  restore_newest_backup
  wait_for 30 count_is 7 || fail "the restore did not bring the record back"
  [ "$(table Tel | sort)" = "$before" ] || fail "the restored book differs from the one backed up"
  look restored
}

# オプション → 環境設定 (Ctrl+E): the directory search's history count from 10 to 20, no update check at
# the start, and OK.
change_setting() {
  focus_main
  xdotool key ctrl+e
  local box='^環境設定$'
  atspi set "$box" 'spin button' '電話帳検索の検索条件の履歴数：' 20 || fail "the history count was not set"
  atspi check "$box" 'check box' '起動時に最新アップデートの確認をする' off || fail "the update check stayed on"
  look settings
  atspi press "$box" 'push button' OK || fail "no OK in the settings dialog"
  answer_until 10 gone "$box" || fail "the settings dialog stayed open"
}

# The program ends and starts again: the same book, its rows and the changed setting.
start_again() {
  quit_program
  tr -d '\r' < "$data/Mirvale18.ini" | grep -qx 'HisCount=20' || fail "the history count was not kept"
  tr -d '\r' < "$data/Mirvale18.ini" | grep -qx 'UpdateCheck=0' || fail "the update check was not turned off"
  "$program" & pid=$!
  # The information dialog is kept for each start by its box, which the first start left ticked; the book to
  # open is asked for, as the settings' box (ticked since the first start) wants: the notice, then OK opens
  # the book chosen in the list (Enter there walks on to the list's buttons).
  close_information_dialog
  atspi default '^Velmora$' || fail "no notice before the book's choice"
  atspi find '^アドレス帳の切り替え$' 'push button' OK || fail "no book dialog"
  look choose-book
  atspi press '^アドレス帳の切り替え$' 'push button' OK || fail "no OK in the book dialog"
  wait_for 60 shown '^Velmora - アドレス$' || fail "the book did not open again"
  main=$(xdotool search --onlyvisible --name '^Velmora - アドレス$' | head -n 1)
  focus_main
  look started-again
  count_is 7 || fail "the rows are not there after the new start"
  tr -d '\r' < "$data/Mirvale18.ini" | grep -qx 'HisCount=20' || fail "the setting was lost at the new start"
  quit_program
}

prepare_machine
first_start
import_addresses
register_directory_hit
fill_through_dictionaries
find_on_map
print_group_postcards
print_labels
print_the_list
print_greeting
export_book
backup_and_restore
change_setting
start_again
echo "PASS"
