#!/usr/bin/env bash
# End to end under Xvfb: the map from the record form. A stored record without a position is shown; its map
# button asks whether a picked point may be saved (Yes) and the map window opens on the record's address over
# the offline base map. Closed at once with Esc, the address's point is stored; opened again, a double click
# 120 pixels right of the centre picks a point, and after Esc the book holds that point: the same latitude,
# a longitude 120 pixels of the detailed map further east.
# Usage: map_pick.sh <program> <book maker> <table-row counter>   (run inside xserver.sh)
set -euo pipefail
program=$1
make_book=$2
rows=$3
source "$(dirname "$0")/common.sh"

adrs=$data/Data/Adrs
mkdir -p "$work/disc" "$adrs"
"$make_book" "$adrs/Book/" 3 || fail "could not make the book"
# MapFan IV/V is served by the program's own map window; no tile server: the shipped base map alone.
printf '[HIDDEN PARAMETER]\r\nPath=%s\r\n[OPERATION]\r\nViewSplash=0\r\n[BASE]\r\nDataPath=%s\r\nAdrsName=Book\r\nInfo=0\r\n[UPDATE]\r\nUpdateCheck=0\r\n[COOPERATE]\r\nMap=5\r\n[MAP]\r\nTileUrl=\r\n' \
  "$work/disc" "$data/Data/" > "$data/Mirvale18.ini"
[ "$("$rows" "$adrs/Book/" Adrs.DB Latitude | head -n 1)" = 0 ] || fail "the first record already has a position"

"$program" & pid=$!
wait_for 60 xdotool search --onlyvisible --name '^Velmora - Book$' || fail "the book did not open"
main=$(xdotool search --onlyvisible --name '^Velmora - Book$' | head -n 1)
focus_main
xdotool key ctrl+i
await_form 'アドレス帳情報照会' "the record was not shown"
first() { "$rows" "$adrs/Book/" Adrs.DB "$1" | head -n 1; }

show_on_map ""
lat0=$(first Latitude) lon0=$(first Longitude)
# 千代田区丸の内 is about 35.68 N, 139.76 E.
[ "$lat0" -gt 128268000 ] && [ "$lat0" -lt 128628000 ] || fail "latitude $lat0 is not near the address"
[ "$lon0" -gt 502956000 ] && [ "$lon0" -lt 503316000 ] || fail "longitude $lon0 is not near the address"
show_on_map 120
lat=$(first Latitude) lon=$(first Longitude)
# 120 pixels of the detailed map (zoom 18) are 0.000644 degrees: 2,317 thousandths of a second.
[ $((lat - lat0)) -gt -300 ] && [ $((lat - lat0)) -lt 300 ] || fail "latitude moved from $lat0 to $lat"
[ $((lon - lon0)) -gt 2000 ] && [ $((lon - lon0)) -lt 2600 ] || fail "longitude moved from $lon0 to $lon"
[ "$("$rows" "$adrs/Book/" Adrs.DB Latitude | sed -n 2p)" = 0 ] || fail "another record changed"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=
echo "address $lat0 $lon0, picked $lat $lon"
