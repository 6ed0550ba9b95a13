#!/usr/bin/env bash
# Renders the bundled example: a lyric sheet of two Tang poems (public domain) as
# examples/jingyesi.png, with its LRC file examples/jingyesi.lrc in GB18030. The first rows
# already carry regions measured from the rendered text. Needs ImageMagick and a CJK font
# (fonts-noto-cjk); the results are committed, so nobody else needs either.
set -euo pipefail
cd "$(dirname "$0")/.."
font=$(fc-list ':lang=zh' file | grep -m1 -i 'NotoSerifCJK-Regular\|NotoSansCJK-Regular' | cut -d: -f1)
[[ -n "$font" ]] || { echo "make-example: no CJK font found (apt-get install fonts-noto-cjk)" >&2; exit 1; }
W=1200; H=1500
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT

title=("静夜思  李白" "春晓  孟浩然")
poems=("床前明月光" "疑是地上霜" "举头望明月" "低头思故乡" "春眠不觉晓" "处处闻啼鸟" "夜来风雨声" "花落知多少")
times=("00:06.20" "00:11.85" "00:17.40" "00:23.05" "00:34.10" "00:39.75" "00:45.30" "00:51.00")

convert -size ${W}x${H} xc:'#fbf7ec' "$tmp/sheet.png"
args=()
y=90
declare -a boxes
row=0
for block in 0 1; do
    args+=(-font "$font" -pointsize 44 -fill '#8a2b1d' -annotate +120+$((y + 44)) "${title[$block]}")
    y=$((y + 110))
    for k in 0 1 2 3; do
        i=$((block * 4 + k))
        text=${poems[$i]}
        args+=(-font "$font" -pointsize 72 -fill '#1d1d1d' -annotate +180+$((y + 72)) "$text")
        # Measure the ink of the line alone to give the row a region that fits it.
        convert -size ${W}x${H} xc:white -font "$font" -pointsize 72 -fill black \
            -annotate +180+$((y + 72)) "$text" -trim -format '%X %Y %w %h' info: > "$tmp/m"
        read -r bx by bw bh < "$tmp/m" || true
        bx=${bx#+}; by=${by#+}
        boxes[$i]="$((bx - 6))|$((by - 6))|$((bx + bw + 6))|$((by + bh + 6))"
        y=$((y + 130))
        row=$((row + 1))
    done
    y=$((y + 60))
done
convert "$tmp/sheet.png" "${args[@]}" -strip examples/jingyesi.png

{
    printf '[00:00.00]静夜思@0|0|%d|%d\r\n' $W $H
    for i in "${!poems[@]}"; do
        line="[${times[$i]}]${poems[$i]}"
        if (( i < 3 )); then line="$line@${boxes[$i]}"; fi
        printf '%s\r\n' "$line"
    done
} | iconv -f UTF-8 -t GB18030 > examples/jingyesi.lrc
echo "make-example: wrote examples/jingyesi.png and examples/jingyesi.lrc"
