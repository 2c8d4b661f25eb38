#!/usr/bin/env bash
# End to end under Xvfb: the data exchange as a user drives it. A new book is made at the first start, a CSV
# file is imported into it from the menu and its rows appear in the list; the export writes them again as
# they came in; a backup is made, a record deleted, and the restore brings it back. Last a restore is cut short
# in its swap, and the next start puts the data from before it back and says so; then a restore into another
# folder is cut short once the settings naming that folder are in, and the next start runs on the old folder
# holding it (a second start hands over to it), the other folder left empty of it; last such a restore from a
# backup without settings is cut short once done, and the next start says so and runs on the folder restored into.
# Usage: exchange.sh <program> <table-row counter> <restore process> <file-step kill library>
#        (run inside xserver.sh)
set -euo pipefail
program=$1
rows=$2
restorer=$3
killer=$4
source "$(dirname "$0")/common.sh"

mkdir -p "$work/disc" "$data"
# The export's items: 名前 and 電話番号, with a header row, in UTF-8.
printf '[HIDDEN PARAMETER]\r\nPath=%s\r\n[OPERATION]\r\nViewSplash=0\r\n[BASE]\r\nInfo=0\r\n[UPDATE]\r\nUpdateCheck=0\r\n[FILE EXPORT]\r\nItems=16,3\r\nHeader=1\r\nCode=1\r\nSeparator=0\r\n' \
  "$work/disc" > "$data/Mirvale18.ini"
csv=$work/in.csv
{
  printf '名前,電話番号\r\n'
  for i in $(seq 10 39); do printf '山田商事%s,03-1234-56%s\r\n' "$i" "$i"; done
} > "$csv"

"$program" & pid=$!
create_first_book

import_text_file "$csv"
wait_for 30 sh -c "[ \"\$('$rows' '$book' Adrs.DB 2>/dev/null)\" = 30 ]" || fail "the rows were not imported"

# The export of all rows reads as the imported file did.
export_text_file "$work/out.csv"
# The export starts with a byte-order mark; the rest is the imported file byte for byte.
tail -c +4 "$work/out.csv" | cmp -s - "$csv" || fail "the export differs from the imported file"

make_backup
delete_first_row
wait_for 30 sh -c "[ \"\$('$rows' '$book' Adrs.DB 2>/dev/null)\" = 29 ]" || fail "the record was not deleted"

restore_newest_backup
wait_for 30 sh -c "[ \"\$('$rows' '$book' Adrs.DB 2>/dev/null)\" = 30 ]" || fail "the restore did not bring the record back"
"$rows" "$book" Adrs.DB Tel | grep -qx '0312345610' || fail "the deleted record is not the one restored"

# The restore process of the tests run with the arguments given, killed before one file step after another (the
# preloaded library counts them) until the check holds after a kill; a kill before that is settled as a start
# would settle it. The command given to prepare runs before each run.
cut_restore_when() {  # <check> <prepare> <restorer arguments...>
  local check=$1 prepare=$2
  shift 2
  for step in $(seq 1 500); do
    eval "$prepare"
    LD_PRELOAD=$killer VELMORA_KILL_AT_STEP=$step "$restorer" "$@" \
      && fail "the restore ($1 into $3) ended before it was cut short where asked"
    eval "$check" && return 0
    "$restorer" recover "$data/" || fail "the restore ($1 into $3) cut short earlier was not settled"
  done
  fail "no restore ($1 into $3) cut short where asked"
}

# The start after a restore cut short: the box that says what became of it answered, and the book opened (main set).
start_after_cut_restore() {  # <words of the box> <what the box tells>
  "$program" & pid=$!
  answer_box "$1" || fail "the start did not say $2"
  wait_for 60 xdotool search --onlyvisible --name '^Velmora - ' || fail "no book opened after $2"
  main=$(xdotool search --onlyvisible --name '^Velmora - ' | head -n 1)
}

# A restore cut short in the swap after the book is in and before the rest is: the settled kills before it changed
# nothing.
delete_first_row
wait_for 30 sh -c "[ \"\$('$rows' '$book' Adrs.DB 2>/dev/null)\" = 29 ]" || fail "the record was not deleted"
quit_program
backup=$(ls -d "$data/Data/"2*' '* | tail -n 1)/
cut_restore_when 'grep -qx swapping "$data/.restore.journal" 2>/dev/null && [ "$("$rows" "$book" Adrs.DB 2>/dev/null)" = 30 ]' : \
  restore "$backup" "$data/Data/" "$data/"

start_after_cut_restore '復元前のデータに戻しました' "the restore was undone"
[ "$("$rows" "$book" Adrs.DB)" = 29 ] || fail "the book from before the cut-short restore is not back"
left=$(ls -A "$data" "$data/Data" | grep '^\.restore' || true)
[ -z "$left" ] || fail "the restore's working files are left: $left"
quit_program

# A restore into another folder, killed step after step until the kill falls in its swap after the settings
# naming that folder are in and before its journal says done; the next start says the restore was undone, opens
# the book from before it, and holds the old folder: a second start finds the books held, hands over and ends,
# and no second window opens on them. The other folder is left as the restore found it: gone when the restore
# made it, empty when the user had made it.
restore_into_cut_after_settings() {  # <folder> <made by: restore|user>
  cut_restore_when "grep -qx swapping \"\$data/.restore.journal\" 2>/dev/null && grep -q '^DataPath=$1/' \"\$data/Mirvale18.ini\"" \
    "rm -rf '$1'; [ $2 = restore ] || mkdir '$1'" restore-into "$backup" "$1/" "$data/"

  start_after_cut_restore '復元前のデータに戻しました' "the restore into another folder was undone"
  [ "$("$rows" "$book" Adrs.DB)" = 29 ] || fail "the book from before the restore into another folder is not back"
  grep -q "^DataPath=$data/Data/" "$data/Mirvale18.ini" || fail "the settings do not name the old folder again"
  timeout 60 "$program" || fail "a second start did not end: it runs beside the first on the same books"
  [ "$(xdotool search --onlyvisible --name '^Velmora - ' | wc -l)" = 1 ] || fail "a second window opened on the same books"
  if [ "$2" = user ]; then
    [ -d "$1" ] && [ -z "$(ls -A "$1")" ] || fail "the folder the user made is not left empty: $(ls -A "$1")"
  else
    [ ! -e "$1" ] || fail "the folder the undone restore made is left: $(ls -A "$1")"
  fi
  quit_program
}
restore_into_cut_after_settings "$work/other" restore
restore_into_cut_after_settings "$work/mine" user

# A restore into another folder from a backup that holds no settings, cut short once its journal says done: the
# next start says the restore was done and runs on the folder restored into, which the settings name and whose
# books it holds (a second start hands over and ends), with the book as the backup has it; the old folder's book
# stays as it was.
bare=$work/bare/
cp -r "$backup" "$bare"
grep -v $'\tSettings/' "$backup/Manifest.txt" > "$bare/Manifest.txt"
rm -rf "$bare/Settings"
new=$work/new
cut_restore_when 'grep -qx done "$data/.restore.journal" 2>/dev/null' 'rm -rf "$new"' restore-into "$bare" "$new/" "$data/"

start_after_cut_restore '前回の復元は完了しています' "the restore into another folder was done"
look restored-into-another-folder
grep -q "^DataPath=$new/" "$data/Mirvale18.ini" \
  || fail "the start said the restore was done, but the settings name $(grep '^DataPath=' "$data/Mirvale18.ini")"
! flock -n "$new/.instance.lock" true || fail "the program does not hold the folder restored into"
[ "$("$rows" "$new/Adrs/アドレス/" Adrs.DB)" = 30 ] || fail "the book restored into the new folder is not the backup's"
[ "$("$rows" "$book" Adrs.DB)" = 29 ] || fail "the book of the old folder changed"
timeout 60 "$program" || fail "a second start did not end: it runs beside the first on the restored books"
[ "$(xdotool search --onlyvisible --name '^Velmora - ' | wc -l)" = 1 ] || fail "a second window opened on the restored books"
quit_program
