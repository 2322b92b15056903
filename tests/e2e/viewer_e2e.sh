#!/usr/bin/env bash
# Starts the real program on the X server in $DISPLAY and uses it as a person
# would, with keys and the mouse: run, widen, settings that change the picture
# (a scroll bar by its arrow and the arrow keys, the direct light, wireframe),
# the settings reset, about dialog, pop-up and standard menus, exit; then once
# more without OpenGL, wireframe on and off. Screenshots of each step are kept
# in the folder given as $2.
#   viewer_e2e.sh PROGRAM SCREENSHOT_DIR
set -uo pipefail
program=$1
shots=$2
mkdir -p "$shots"
rm -f "$shots"/*.png

if [ -z "${DISPLAY:-}" ] || ! command -v xdotool >/dev/null || ! command -v import >/dev/null; then
    echo "SKIP: needs an X server, xdotool and imagemagick"
    exit 0
fi

failures=0
check() {  # check DESCRIPTION COMMAND...
    local what=$1; shift
    if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
shot() { import -window root "$shots/$1.png"; }
window_width() { xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p'; }
near() { [ "$1" -ge $(($2 - $3)) ] && [ "$1" -le $(($2 + $3)) ]; }
# Mean brightness (0..255) and spread of a region of the last screenshot.
region_stats() { convert "$shots/$1.png" -crop "$2" -colorspace gray -format '%[fx:int(255*mean)] %[fx:int(255*standard_deviation)]' info:; }
visible_count() { xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l; }
# Share of the render panel (per 10000) that the model lights up.
lit_area() { convert "$shots/$1.png" -crop 505x499+0+0 -colorspace gray -threshold 6% -format '%[fx:int(10000*mean)]' info:; }
# Pixels of the render panel that differ between two screenshots.
panel_difference() {
    convert "$shots/$1.png" -crop 505x499+0+0 +repage "$shots/panel-a.miff"
    convert "$shots/$2.png" -crop 505x499+0+0 +repage "$shots/panel-b.miff"
    compare -metric AE -fuzz 3% "$shots/panel-a.miff" "$shots/panel-b.miff" null: 2>&1 | cut -d' ' -f1
    rm -f "$shots"/panel-?.miff
}
click() { xdotool mousemove --window "$main" --sync "$1" "$2" click "${3:-1}"; sleep "${4:-1.5}"; }
# A screenshot once the panel has stopped changing (the model stands still
# and the last Run has drawn), so that a slow machine is no different.
still_shot() {
    shot "$1"
    for _ in $(seq 15); do
        sleep 0.8
        cp "$shots/$1.png" "$shots/previous.png"
        shot "$1"
        [ "$(panel_difference previous "$1")" -lt 20 ] && break
    done
    rm -f "$shots/previous.png"
}

cd "$(dirname "$program")"
"$program" &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT

main=$(timeout 20 xdotool search --sync --onlyvisible --name '^Orvane$' | head -1)
if [ -z "$main" ]; then echo "FAIL the main window did not appear"; exit 1; fi
sleep 0.5
xdotool windowfocus --sync "$main" 2>/dev/null || true
shot 01-start
check "opens collapsed, about 505 px wide" near "$(window_width "$main")" 505 12

# Narrowed, the settings column takes no focus: Shift+Tab from 実行 goes to
# a control in view (設定リセット, at the defaults a no-op), not to 更新 off
# screen, whose space bar would switch texturing on and draw the model.
xdotool key shift+Tab space
sleep 2
shot 01-shift-tab-space
changed=$(panel_difference 01-start 01-shift-tab-space)
check "Shift+Tab and Space from 実行 change nothing out of sight ($changed pixels differ)" test "$changed" -lt 50
xdotool key Tab  # round to 実行 again
sleep 0.3

xdotool key alt+s
sleep 2
shot 02-run
read -r mean spread <<<"$(region_stats 02-run 505x499+0+0)"
check "Run draws a lit model (panel mean $mean, spread $spread)" test "$mean" -gt 3 -a "$spread" -gt 8

# Tab from 実行 lands on the panel, whose focus mark shows over the frame
# OpenGL draws; Shift+Tab goes back, and the mark with it.
xdotool key Tab
sleep 0.7
shot 02-panel-focus
read -r marked _ <<<"$(region_stats 02-panel-focus 480x1+12+1)"
check "the focused panel shows its mark over the frame (top row mean $marked)" test "$marked" -gt 50
xdotool key shift+Tab
sleep 0.7
shot 02-panel-unfocused
read -r unmarked _ <<<"$(region_stats 02-panel-unfocused 480x1+12+1)"
check "and none once the focus is back on 実行 (top row mean $unmarked)" test "$unmarked" -lt 20

# 詳細設定 ⇒ widens the window to show the settings column.
xdotool mousemove --window "$main" --sync 417 639 click 1
sleep 0.7
shot 03-settings
check "the width toggle gives about 760 px" near "$(window_width "$main")" 760 12

# Y rotation off (Check1): the model stands still, so pictures compare.
click 535 47
still_shot 04-still
read -r still_mean _ <<<"$(region_stats 04-still 505x499+0+0)"
still_area=$(lit_area 04-still)
check "the model still stands lit with rotation off (lit $still_area)" test "$still_area" -gt 300

# The camera distance bar (HScroll10, 990): its left arrow steps it down
# one, moving the camera away; then Right and Left step it as on Windows.
click 526 256
still_shot 05-bar-989
area_989=$(lit_area 05-bar-989)
check "the bar's left arrow moves the camera away ($still_area -> $area_989)" test "$area_989" -lt "$still_area"
xdotool key Right Right Right Right
sleep 3
still_shot 06-bar-993
area_993=$(lit_area 06-bar-993)
check "Right steps the bar up: nearer, the model larger ($area_989 -> $area_993)" test "$area_993" -gt "$area_989"
xdotool key Left Left Left Left Left Left Left Left
sleep 4
still_shot 07-bar-985
area_985=$(lit_area 07-bar-985)
check "Left steps the bar down: farther, the model smaller ($area_993 -> $area_985)" test "$area_985" -lt "$area_989"

# Wireframe on (Check7): only the edges are drawn.
click 270 639
still_shot 08-wireframe
area_wire=$(lit_area 08-wireframe)
check "wireframe draws the edges only (lit $area_985 -> $area_wire)" test "$area_wire" -lt $((area_985 * 3 / 4))

# The direct light off (Check8): only the dim ambient light is left.
click 526 542
still_shot 09-light-off
read -r dark_mean _ <<<"$(region_stats 09-light-off 505x499+0+0)"
read -r wire_mean _ <<<"$(region_stats 08-wireframe 505x499+0+0)"
check "the direct light off darkens the panel (mean $wire_mean -> $dark_mean)" test "$dark_mean" -lt "$wire_mean"

# 設定リセット puts every setting back (rotation too); with rotation off
# again the picture is the default one once more.
xdotool key alt+r
sleep 2
click 535 47 1 2
still_shot 10-reset
changed=$(panel_difference 04-still 10-reset)
check "設定リセット gives the default picture again ($changed pixels differ)" test "$changed" -lt 500

xdotool key alt+h
about=$(timeout 10 xdotool search --sync --onlyvisible --name 'バージョン情報' | head -1)
sleep 0.7
shot 11-about
check "ソフト情報 opens the about dialog" test -n "$about"
# The focus is on 了承: the space bar presses it, and the dialog hides.
xdotool key space
sleep 0.7
check "the focus is on 了承: the space bar closes the dialog" test "$(visible_count 'バージョン情報')" -eq 0

# The toolkit's standard menus, in Japanese: the text box's and a scroll bar's.
xdotool windowfocus --sync "$main" 2>/dev/null || true
before=$(xdotool search --onlyvisible --pid $pid 2>/dev/null | wc -l)
click 100 529 3 0.7
shot 12-text-menu
after=$(xdotool search --onlyvisible --pid $pid 2>/dev/null | wc -l)
check "a right click on the model name box opens its own menu" test "$after" -gt "$before"
xdotool key Escape
sleep 0.3
click 620 176 3 0.7
shot 13-scroll-bar-menu
after=$(xdotool search --onlyvisible --pid $pid 2>/dev/null | wc -l)
check "a right click on a scroll bar opens its own menu" test "$after" -gt "$before"
xdotool key Escape
sleep 0.3

xdotool windowfocus --sync "$main" 2>/dev/null || true
before=$(xdotool search --onlyvisible --pid $pid 2>/dev/null | wc -l)
xdotool mousemove --window "$main" --sync 252 600 click 3
sleep 0.7
shot 14-menu
after=$(xdotool search --onlyvisible --pid $pid 2>/dev/null | wc -l)
check "a right click on the window opens the pop-up menu" test "$after" -gt "$before"
xdotool key Escape
sleep 0.3

xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key alt+e
for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
check "Alt+E ends the program" bash -c "! kill -0 $pid 2>/dev/null"
wait $pid 2>/dev/null
status=$?
check "and it ends with status 0 (was $status)" test "$status" -eq 0
trap - EXIT

# Once more on a host without OpenGL: the reference device draws, and what
# is switched off goes off at once.
QT_XCB_GL_INTEGRATION=none "$program" &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT
main=$(timeout 20 xdotool search --sync --onlyvisible --pid $pid --name '^Orvane$' | head -1)
if [ -z "$main" ]; then echo "FAIL the main window did not appear without OpenGL"; exit 1; fi
sleep 0.5
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key alt+s
sleep 3
xdotool key Tab
sleep 0.7
shot 15-no-gl-panel-focus
read -r marked _ <<<"$(region_stats 15-no-gl-panel-focus 480x1+12+1)"
check "without OpenGL too the focused panel shows its mark (top row mean $marked)" test "$marked" -gt 50
xdotool key shift+Tab
click 417 639 1 0.7
click 535 47 1 3
still_shot 15-no-gl-solid
nogl_area=$(lit_area 15-no-gl-solid)
check "without OpenGL the reference device draws the model (lit $nogl_area)" test "$nogl_area" -gt 300
click 270 639 1 3
still_shot 16-no-gl-wireframe
changed=$(panel_difference 15-no-gl-solid 16-no-gl-wireframe)
check "without OpenGL wireframe on changes the picture ($changed pixels)" test "$changed" -gt 2000
click 270 639 1 3
still_shot 17-no-gl-solid-again
changed=$(panel_difference 15-no-gl-solid 17-no-gl-solid-again)
check "without OpenGL wireframe off gives the solid picture back ($changed pixels differ)" test "$changed" -lt 500
xdotool key alt+e
for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
check "Alt+E ends the program without OpenGL too" bash -c "! kill -0 $pid 2>/dev/null"
trap - EXIT

# A model named on the command line is drawn without a key or a click.
"$program" X-File/vorkan.x &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT
main=$(timeout 20 xdotool search --sync --onlyvisible --pid $pid --name '^Orvane$' | head -1)
sleep 2
shot 18-named-model
read -r mean spread <<<"$(region_stats 18-named-model 505x499+0+0)"
check "orvane MODEL.x draws it at once (panel mean $mean, spread $spread)" test -n "$main" -a "$mean" -gt 3 -a "$spread" -gt 8
kill $pid 2>/dev/null
wait $pid 2>/dev/null
trap - EXIT

echo "screenshots in $shots"
[ "$failures" -eq 0 ]
