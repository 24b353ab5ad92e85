#!/bin/sh
# Draws every picture of the program: the two 570x240 page pictures, the six skin
# buttons in their states and the crying figure of the offline banner. Needs
# ImageMagick 6 and the WenQuanYi Micro Hei font; the outputs are committed, so a
# build never does. Colours follow the icon: #2f8fe8 to #0b4fa8.
#
# The page pictures and the buttons are drawn three times: at 96 DPI as 24-bit BMPs
# (the bitmap resources), and at 150 % and 200 % as PNGs in 150/ and 200/, which the
# program scales from on displays of higher DPI. Every length goes through `n` (a
# number) or `sc` (a drawing primitive's numbers), so the three are the same drawing.
#
# ImageMagick 6 fills stroked Bezier paths and closes arcs, so every shape here is a
# polygon, circle, ellipse, rectangle or text.
set -eu
cd "$(dirname "$0")/pictures"
FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A length at the scale S, and every number of a drawing primitive at the scale.
n() { awk -v s="$S" -v v="$1" 'BEGIN { printf "%g", v * s }'; }
sc() { printf '%s' "$1" | awk -v s="$S" '{ out = "";
    while (match($0, /-?[0-9]+(\.[0-9]+)?/)) {
      out = out substr($0, 1, RSTART - 1) sprintf("%g", substr($0, RSTART, RLENGTH) * s);
      $0 = substr($0, RSTART + RLENGTH) }
    printf "%s%s", out, $0 }'; }

# Bitmap resources must be plain 24-bit BMPs without alpha; the larger drawings are
# PNGs without alpha. save SOURCE NAME (without extension).
save() {
  if [ "$S" = 1 ]; then
    convert "$1" -background white -alpha remove -alpha off -type TrueColor "BMP3:$2.bmp"
  else
    mkdir -p "$OUT"
    convert "$1" -background white -alpha remove -alpha off -type TrueColor "PNG24:$OUT/$2.png"
  fi
}

# A soft white wave across the bottom of a page picture (like the icon's wave).
wave() {
  awk -v b="$1" -v a="$2" -v p="$3" 'BEGIN { printf "polygon 0,240 ";
    for (x = 0; x <= 570; x += 6) printf "%d,%.1f ", x, b + a * sin(x / 570 * 6.2832 * 1.3 + p);
    printf "570,240" }'
}

draw_skin() {
W=$(n 570)x$(n 240)

# The background both page pictures share: diagonal blue, faint circles, two waves
# and the maker's name.
convert -size "$W" -define gradient:direction=SouthEast gradient:'#2f8fe8-#0b4fa8' \
  -fill 'rgba(255,255,255,0.07)' -draw "$(sc 'circle 520,30 640,30')" -draw "$(sc 'circle 470,262 560,262')" \
  -fill 'rgba(255,255,255,0.05)' -draw "$(sc 'circle 300,-40 380,-40')" \
  -fill 'rgba(255,255,255,0.10)' -draw "$(sc "$(wave 214 7 0.4)")" \
  -fill 'rgba(255,255,255,0.08)' -draw "$(sc "$(wave 222 6 2.2)")" \
  -font "$FONT" -fill 'rgba(255,255,255,0.85)' -pointsize "$(n 13)" -annotate "+$(n 18)+$(n 26)" 'Vantrel' \
  "$tmp/page.png"

# 152: the product mark (a white tile with a blue disc, a white L and a spark of
# light) and the upgrade announcement.
convert "$tmp/page.png" \
  \( -size "$W" xc:none -fill 'rgba(0,0,0,0.30)' -draw "$(sc 'roundrectangle 60,68 156,164 22,22')" -blur "0x$(n 5)" \) -composite \
  -fill white -draw "$(sc 'roundrectangle 60,64 156,160 22,22')" \
  \( -size "$W" xc:none \
     \( -size "$(n 70)x$(n 70)" -define gradient:direction=SouthEast gradient:'#2f8fe8-#0b4fa8' \) -geometry "+$(n 73)+$(n 77)" -composite \
     \( -size "$W" xc:none -fill white -draw "$(sc 'circle 108,112 143,112')" \) -compose DstIn -composite \) \
  +geometry -compose Over -composite \
  -fill white -draw "$(sc 'polygon 94,92 104,92 104,122 124,122 124,132 94,132')" \
  -fill '#ffd54a' -draw "$(sc 'circle 122,98 128,98')" \
  -font "$FONT" -fill white -stroke white -strokewidth "$(n 0.8)" -pointsize "$(n 36)" -annotate "+$(n 184)+$(n 112)" 'Lumo工作台' \
  -fill '#ffd54a' -stroke '#ffd54a' -annotate "+$(n 394)+$(n 112)" '全新升级' -stroke none \
  -fill '#dcecff' -pointsize "$(n 16)" -annotate "+$(n 186)+$(n 146)" '启动更快 · 界面更清爽 · 同步更稳定' \
  -fill 'rgba(255,255,255,0.75)' -pointsize "$(n 13)" -annotate "+$(n 186)+$(n 172)" '一键升级，原有的设置与文件完整保留' \
  "$tmp/upgrade.png"
save "$tmp/upgrade.png" upgrade_picture

# 182: a check mark, the congratulation, and left of the share buttons (which the
# window places at (220,175) and (320,175)) the label that introduces them.
convert "$tmp/page.png" \
  \( -size "$W" xc:none -fill 'rgba(0,0,0,0.30)' -draw "$(sc 'circle 108,96 154,96')" -blur "0x$(n 5)" \) -composite \
  -fill 'rgba(255,255,255,0.25)' -draw "$(sc 'circle 108,92 160,92')" \
  -fill white -draw "$(sc 'circle 108,92 152,92')" \
  -fill '#1f78d6' -draw "$(sc 'polygon 84,92 94,82 104,93 130,67 140,77 104,113')" \
  -font "$FONT" -fill white -stroke white -strokewidth "$(n 0.8)" -pointsize "$(n 34)" -annotate "+$(n 184)+$(n 96)" '恭喜您，升级成功！' -stroke none \
  -fill '#dcecff' -pointsize "$(n 16)" -annotate "+$(n 186)+$(n 130)" 'Lumo工作台 已是最新版本，马上开始体验吧' \
  -fill white -pointsize "$(n 14)" -annotate "+$(n 154)+$(n 193)" '分享到：' \
  "$tmp/done.png"
save "$tmp/done.png" done_picture

# Share buttons: cut from the finish picture at their own place, so the rounded
# corners blend into it. A mark of our own (a speech bubble) in the service's
# colour, and the service's name. Hover is the very same picture.
share() { # share X COLOUR NAME OUT
  convert "$tmp/done.png" -crop "$(n 90)x$(n 24)+$(n "$1")+$(n 175)" +repage \
    -fill 'rgba(0,0,0,0.18)' -draw "$(sc 'roundrectangle 0,1 89,23 5,5')" \
    -fill white -draw "$(sc 'roundrectangle 0,0 89,22 5,5')" \
    -fill "$2" -draw "$(sc 'roundrectangle 5,3 22,20 4,4')" \
    -fill white -draw "$(sc 'ellipse 13.5,11 6,4.6') 0,360" -draw "$(sc 'polygon 10,14 9,18.5 14,14.5')" \
    -fill "$2" -draw "$(sc 'circle 11,11 11.9,11')" -draw "$(sc 'circle 13.5,11 14.4,11')" -draw "$(sc 'circle 16,11 16.9,11')" \
    -font "$FONT" -fill '#2b3a4a' -pointsize "$(n 12)" -annotate "+$(n 28)+$(n 16)" "$3" \
    "$tmp/share.png"
  save "$tmp/share.png" "$4"
}
share 220 '#1d9bd8' '腾讯微博' share_tencent
share 320 '#e5392d' '新浪微博' share_sina

# 120x40 caption buttons on the white strip below the picture.
button() { # button TOP BOTTOM CAPTION OUT
  B=$(n 120)x$(n 40)
  convert -size "$B" xc:white \
    \( -size "$B" gradient:"$1-$2" -alpha set \
       \( -size "$B" xc:none -fill white -draw "$(sc 'roundrectangle 0,0 119,38 6,6')" \) -compose DstIn -composite \) \
    -compose Over -composite \
    -fill 'rgba(255,255,255,0.18)' -draw "$(sc 'roundrectangle 1,1 118,18 5,5')" \
    -font "$FONT" -pointsize "$(n 17)" -fill white -stroke white -strokewidth "$(n 0.4)" -gravity center \
    -annotate "+0-$(n 1)" "$3" "$tmp/button.png"
  save "$tmp/button.png" "$4"
}
button '#3d9bf0' '#1466c8' '开始安装' install
button '#62b2f6' '#2f8fe8' '开始安装' install_hover
button '#bfc5cc' '#9da5ae' '开始安装' install_disabled
button '#3d9bf0' '#1466c8' '完成' finish
button '#62b2f6' '#2f8fe8' '完成' finish_hover

# 34x22 window buttons at the top right: white glyph on dark blue, lighter on hover.
CROSS='polygon 12,7 13.5,5.5 17,9 20.5,5.5 22,7 18.5,10.5 22,14 20.5,15.5 17,12 13.5,15.5 12,14 15.5,10.5'
BAR='rectangle 12,12 22,13'
glyph() {
  convert -size "$(n 34)x$(n 22)" xc:"$1" -fill white -draw "$(sc "$2")" "$tmp/glyph.png"
  save "$tmp/glyph.png" "$3"
}
glyph '#0b4fa8' "$CROSS" close
glyph '#3f9bf0' "$CROSS" close_hover
glyph '#0b4fa8' "$BAR" minimize
glyph '#3f9bf0' "$BAR" minimize_hover
}

# MAKE_PICTURES_SCALES: which of the drawings to make (default all three).
for S in ${MAKE_PICTURES_SCALES:-1 1.5 2}; do
  OUT=$(awk -v s="$S" 'BEGIN { printf "%d", s * 100 }')
  draw_skin
done
S=1

# 193: the offline banner's animation, 240x166, 7 frames of 100 ms, looping: a
# little figure sobbing (bobbing, mouth wailing, tears flying off both sides) under
# a weak signal. Drawn on white, then white made transparent, so the edges blend
# into the window colour.
frames=""
for f in 0 1 2 3 4 5 6; do
  draw=$(awk -v f=$f 'BEGIN {
    split("0 1 2 3 3 2 1", bob, " "); split("0 1 2 3 2 1 1", mouth, " ");
    o = bob[f + 1]; m = mouth[f + 1];
    printf "fill #e3edf8 ellipse 120,152 48,6 0,360 ";
    printf "fill #bfe3fb ellipse 56,151 %d,4 0,360 ellipse 184,151 %d,4 0,360 ", 18 + (f % 2), 18 + ((f + 1) % 2);
    printf "fill #2f8fe8 roundrectangle 90,%d 150,152 18,18 ", 100 + o;
    printf "fill #1f6fc8 polygon 110,%d 130,%d 120,%d ", 100 + o, 100 + o, 112 + o;
    printf "fill #ffdcbc circle 90,%d 97,%d circle 150,%d 157,%d ", 128 + o, 128 + o, 128 + o, 128 + o;
    printf "fill #34405a circle 120,%d 158,%d ", 60 + o, 60 + o;
    printf "fill #ffdcbc ellipse 120,%d 35,32 0,360 ", 68 + o;
    printf "fill rgba(255,110,110,0.35) ellipse 96,%d 7,3.5 0,360 ellipse 144,%d 7,3.5 0,360 ", 80 + o, 80 + o;
    printf "fill #34405a polygon 96,%d 111,%d 96,%d 96,%d 104,%d 96,%d ", 61+o, 68+o, 75+o, 71.5+o, 68+o, 64.5+o;
    printf "fill #34405a polygon 144,%d 129,%d 144,%d 144,%d 136,%d 144,%d ", 61+o, 68+o, 75+o, 71.5+o, 68+o, 64.5+o;
    printf "fill #7a2430 ellipse 120,%d 9,%d 0,360 ", 89 + o, 5 + m;
    printf "fill #ff8a8a ellipse 120,%d 5,2.5 0,360 ", 92 + o + m / 2;
    printf "fill rgba(90,184,245,0.55) polygon 99,%d 104,%d 103,%d 98,%d ", 73+o, 73+o, 92+o, 92+o;
    printf "fill rgba(90,184,245,0.55) polygon 136,%d 141,%d 142,%d 137,%d ", 73+o, 73+o, 92+o, 92+o;
    for (k = 0; k < 2; k++) {
      t = (f + k * 3.5) % 7;
      dx = 10 + 5.5 * t; dy = 4 + 2.6 * t + 1.3 * t * t; r = 3.6 - 0.15 * t;
      for (side = -1; side <= 1; side += 2) {
        x = 120 + side * (20 + dx); y = 68 + o + dy;
        printf "fill #5ab8f5 circle %.1f,%.1f %.1f,%.1f ", x, y, x + r, y;
        printf "polygon %.1f,%.1f %.1f,%.1f %.1f,%.1f ", x - r * 0.9, y - r * 0.35, x + r * 0.9, y - r * 0.35, x - side * 1.5, y - r * 2.3;
      }
    }
    for (b = 0; b < 4; b++) printf "fill %s rectangle %d,%d %d,%d ", (b == 0 ? "#8fa3b8" : "#d3dce6"), 188 + b * 6, 30 - 5 * b, 191 + b * 6, 34;
    printf "fill #f05a4f circle 218,14 225,14 fill white polygon 214.5,11.5 215.5,10.5 218,13 220.5,10.5 221.5,11.5 219,14 221.5,16.5 220.5,17.5 218,15 215.5,17.5 214.5,16.5 217,14 ";
  }')
  convert -size 240x166 xc:white -draw "$draw" "$tmp/frame$f.miff"
  frames="$frames $tmp/frame$f.miff"
done
# 255 colours shared by all frames (white made transparent), written by our own
# encoder as the plainest GIF: see write_gif.py.
# shellcheck disable=SC2086 # one argument per frame
convert $frames +append +dither -colors 255 -unique-colors "$tmp/palette.miff"
convert $frames +dither -remap "$tmp/palette.miff" -fuzz 1% -transparent white -depth 8 +adjoin \
  "rgba:$tmp/frame%d.rgba"
python3 ../write_gif.py retry_animation.gif 240 166 10 \
  "$tmp/frame0.rgba" "$tmp/frame1.rgba" "$tmp/frame2.rgba" "$tmp/frame3.rgba" \
  "$tmp/frame4.rgba" "$tmp/frame5.rgba" "$tmp/frame6.rgba"
