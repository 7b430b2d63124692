#!/usr/bin/env bash
# Composes a preview of the art as the windows use it: the mode selection window (712 x 302,
# banner at -2, 0, Back and Next buttons with their captions), and below it every face state
# with its caption colour. Needs ImageMagick. Usage: preview.sh <art folder> <output.png>
set -euo pipefail
art=$1
out=$2
font=DejaVu-Sans
bold=DejaVu-Sans-Bold
bg='rgb(229,232,237)'
idle='rgb(239,239,239)'
lit='rgb(113,227,255)'

# A face with its caption centred: face state, caption, colour, font, glow (yes/no), offset.
face() {
  local file=$1 caption=$2 colour=$3 typeface=$4 glow=$5 offset=$6 result=$7
  local args=("$art/$file")
  if [ "$glow" = yes ]; then
    args+=(\( -size 96x24 xc:none -font "$typeface" -pointsize 11 -fill "$colour" -gravity center
           -annotate "+${offset}+${offset}" "$caption" -channel A -evaluate multiply 0.63 +channel -blur 0x2 \) -composite)
  fi
  args+=(-font "$typeface" -pointsize 11 -fill "$colour" -gravity center -annotate "+${offset}+${offset}" "$caption")
  convert "${args[@]}" "$result"
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
face face_raised.png Next "$idle" "$font" no 0 "$tmp/next.png"
face face_hovered.png Back "$lit" "$bold" yes 0 "$tmp/back.png"
face face_raised.png Next "$idle" "$font" no 0 "$tmp/s1.png"
face face_hovered.png Next "$lit" "$bold" yes 0 "$tmp/s2.png"
face face_sunken.png Next "$lit" "$bold" no 1 "$tmp/s3.png"
face face_disabled.png Next black "$font" no 0 "$tmp/s4.png"

convert -size 712x362 "xc:$bg" \
  "$art/banner.png" -geometry -2+0 -composite \
  -font "$font" -pointsize 11 -fill 'rgb(30,30,30)' \
  -annotate +193+36 "This tool adds the USB 3.0 host controller and hub drivers to the setup image" \
  -annotate +193+50 "of a Windows 7 disc, so that Windows 7 can be installed on a computer that" \
  -annotate +193+64 "has only USB 3.0 ports." \
  -pointsize 13 -annotate +193+114 "Please choose what to make:" \
  -fill white -stroke 'rgb(122,122,122)' -draw "rectangle 193,128 610,149" -stroke none \
  -fill 'rgb(30,30,30)' -pointsize 11 -annotate +198+143 "Windows 7 setup disc to USB drive" \
  -pointsize 13 -annotate +193+222 "The USB drive will be formatted: everything on it is erased." \
  "$art/button_bk.png" -geometry +470+262 -composite "$art/button_bk.png" -geometry +590+262 -composite \
  "$tmp/back.png" -geometry +480+271 -composite "$tmp/next.png" -geometry +600+271 -composite \
  -fill 'rgb(200,204,212)' -draw "rectangle 0,302 712,303" \
  "$tmp/s1.png" -geometry +16+322 -composite "$tmp/s2.png" -geometry +124+322 -composite \
  "$tmp/s3.png" -geometry +232+322 -composite "$tmp/s4.png" -geometry +340+322 -composite \
  "$art/refresh_raised.png" -geometry +460+323 -composite "$art/refresh_hovered.png" -geometry +492+323 -composite \
  "$art/refresh_sunken.png" -geometry +524+323 -composite \
  "$out"
echo "$out"
