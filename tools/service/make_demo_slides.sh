#!/bin/sh
# Draws the three slides the bundled Update service shows in the demo: what is new in
# the suite, one message each, in the colours of the program's own pictures. Needs
# ImageMagick and the WenQuanYi font; the outputs are committed.
set -eu
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

slide() { # file, gradient, title, line
    convert -size 570x240 "gradient:$2" \
        -fill 'rgba(255,255,255,0.10)' -draw 'circle 500,40 620,40' -draw 'circle 60,260 200,260' \
        -font "$font" -fill white -pointsize 34 -annotate +48+100 "$3" \
        -fill 'rgba(255,255,255,0.85)' -pointsize 18 -annotate +50+145 "$4" \
        -fill white -pointsize 13 -annotate +50+205 'Lumo工作台 · Vantrel' \
        -type TrueColor "BMP3:slides/$1"
}

slide 0.bmp '#2f8fe8-#0b4fa8' '全新界面，清爽高效' '常用功能一步直达，工作台更加简洁'
slide 1.bmp '#1fa58a-#0b6b78' '文件同步，更快更稳' '断网也不丢进度，网络恢复自动续传'
slide 2.bmp '#6a5acd-#2b3a9e' '一键升级，设置不丢' '原有的设置与文件完整保留，放心升级'
