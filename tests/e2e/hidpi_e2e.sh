#!/usr/bin/env bash
# The real program at QT_SCALE_FACTOR=1 and 2 on an X server big enough for
# the doubled window: the window is twice the size, a click at twice the
# coordinates reaches the same control, text and controls are drawn at the
# full resolution (not a blown-up copy of the small window), and the model
# sits in the middle of the doubled panel. With QT_XCB_GL_INTEGRATION=none
# the reference device draws the panel. Screenshots are kept in $2.
#   hidpi_e2e.sh PROGRAM SCREENSHOT_DIR
set -uo pipefail
program=$1
shots=$2
for tool in xvfb-run xdotool import convert compare; do
    command -v "$tool" >/dev/null || { echo "SKIP: needs $tool"; exit 0; }
done
# Its own X server: the suite's 1280×1024 screen is too small for the
# doubled window, and nothing else may lie under its clicks.
if [ -z "${ORVANE_HIDPI_SERVER:-}" ]; then
    exec env ORVANE_HIDPI_SERVER=1 xvfb-run -a -s "-screen 0 1600x1400x24" "$0" "$@"
fi
mkdir -p "$shots"
rm -f "$shots"/*.png
failures=0
check() {  # check DESCRIPTION COMMAND...
    local what=$1; shift
    if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
near() { [ "$1" -ge $(($2 - $3)) ] && [ "$1" -le $(($2 + $3)) ]; }
geometry() {  # prints X Y W H of a window
    xdotool getwindowgeometry "$1" |
        sed -n -e 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p' -e 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p' |
        tr '\n' ' '
}

cd "$(dirname "$program")"
# shoot FACTOR: starts the program at FACTOR, runs the model, opens the
# settings column with a click, and keeps the window as $shots/factorFACTOR.png.
shoot() {
    local f=$1 win x y w h
    QT_SCALE_FACTOR=$f "$program" &
    pid=$!
    win=$(timeout 20 xdotool search --sync --onlyvisible --name '^Orvane$' | head -1)
    if [ -z "$win" ]; then echo "FAIL no window at factor $f"; kill $pid; return 1; fi
    sleep 0.5
    xdotool windowfocus --sync "$win" 2>/dev/null || true
    read -r x y w h <<<"$(geometry "$win")"
    eval "width$f=$w height$f=$h"
    xdotool key alt+s
    sleep 2
    # 詳細設定 ⇒, at its place in device-independent pixels times the factor.
    xdotool mousemove --window "$win" --sync $((417 * f)) $((639 * f)) click 1
    sleep 1
    read -r x y w h <<<"$(geometry "$win")"
    eval "wide$f=$w"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shots/factor$f.png"
    kill $pid
    wait $pid 2>/dev/null || true
}
shoot 1 || exit 1
shoot 2 || exit 1

check "the window is twice as wide (${width1} → ${width2} px)" near "$width2" $((2 * width1)) 2
check "and twice as high (${height1} → ${height2} px)" near "$height2" $((2 * height1)) 2
check "a click at twice the place opens the settings column (${wide1} → ${wide2} px)" \
    near "$wide2" $((2 * wide1)) 4

# Controls in the same places: the doubled window shrunk to half matches the
# small one below the panel and in the settings column (the turning model is
# left out). Fonts hinted at another size leave about 0.05; the small window
# shifted by two pixels gives 0.12.
convert "$shots/factor2.png" -filter box -resize 50% "$shots/factor2-half.png"
controls() {  # controls IMAGE OUT: the window with the panel painted over
    convert "$1" -fill black -draw "rectangle 0,0 504,498" "$2"
}
controls "$shots/factor1.png" "$shots/controls1.png"
controls "$shots/factor2-half.png" "$shots/controls2.png"
rmse=$(compare -metric RMSE "$shots/controls1.png" "$shots/controls2.png" null: 2>&1 | sed 's/.*(\(.*\)).*/\1/')
check "shrunk to half, the doubled window matches the small one (RMSE $rmse)" \
    awk -v e="$rmse" 'BEGIN { exit !(e < 0.08) }'

# Crisp: a window merely blown up from the small one is made of 2×2 blocks of
# one colour; drawn at full resolution, text and frames break them up. The
# settings column holds nothing but text and controls.
convert "$shots/factor2.png" -crop +1010+0 +repage "$shots/column2.png"
convert "$shots/column2.png" -sample 50% -sample 200% "$shots/column2-blocks.png"
broken=$(compare -metric AE -fuzz 3% "$shots/column2.png" "$shots/column2-blocks.png" null: 2>&1 |
    awk '{ printf "%d", $1 }')
total=$(identify -format '%[fx:w*h]' "$shots/column2.png" | awk '{ printf "%d", $1 }')
check "text and controls are drawn at device pixels ($broken of $total px break the 2×2 blocks)" \
    test "$broken" -gt $((total / 100))

# The model sits in the middle of the doubled panel: a back buffer of the
# small size copied one to one would leave it in a corner.
bbox=$(convert "$shots/factor2.png" -crop 1010x998+0+0 +repage -colorspace gray -threshold 12% -format '%@' info:)
read -r bw bh bx by <<<"$(sed 's/[x+]/ /g' <<<"$bbox")"
cx=$((bx + bw / 2)) cy=$((by + bh / 2))
echo "model's box in the panel: $bbox"
check "the model is centred in the doubled panel (centre $cx,$cy)" \
    bash -c "[ $cx -gt 405 ] && [ $cx -lt 605 ] && [ $cy -gt 399 ] && [ $cy -lt 599 ]"

echo "screenshots in $shots"
[ "$failures" -eq 0 ]
