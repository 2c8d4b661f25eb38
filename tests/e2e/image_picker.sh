#!/usr/bin/env bash
# End to end under Xvfb: a designer starts the image picker, which opens on the folder of its last run; the
# user moves to the second picture and presses Enter, and the designer receives that file's path over the
# socket. The designer then closes the picker.
# Usage: image_picker.sh <program folder> <picker client>   (run inside xserver.sh)
set -euo pipefail
appdir=$1
client=$2
source "$(dirname "$0")/common.sh"

pictures=$work/写真
mkdir -p "$pictures" "$data"
convert -size 640x480 gradient:skyblue-navy "$pictures/海.jpg"
convert -size 480x640 gradient:yellow-green "$pictures/山.png"
convert -size 320x240 xc:tomato "$pictures/夕日.bmp"
printf '[IMGVIEW]\r\nFolder=%s\r\n' "$pictures" | iconv -f UTF-8 -t SHIFT_JIS > "$data/ImgView.ini"

"$client" "$appdir" > "$work/chosen" & pid=$!
wait_for 30 xdotool search --onlyvisible --name '^画像参照ツール$' || fail "the picker did not open"
picker=$(xdotool search --onlyvisible --name '^画像参照ツール$' | head -n 1)
xdotool windowactivate "$picker" 2>/dev/null || xdotool windowfocus "$picker"
sleep 1.5
[ -n "${E2E_PICKER_SHOT:-}" ] && import -window root "$E2E_PICKER_SHOT"
# The pictures are listed by name: 夕日.bmp, 山.png, 海.jpg; the first is chosen, Right moves to the second.
xdotool key Right
sleep 0.3
xdotool key Return
wait "$pid" || fail "the designer received no picture"
pid=
[ "$(cat "$work/chosen")" = "$pictures/山.png" ] || fail "received '$(cat "$work/chosen")'"
wait_for 10 gone '^画像参照ツール$' || fail "the picker stayed open"
echo "PASS"
