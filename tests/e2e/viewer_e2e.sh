#!/usr/bin/env bash
# Starts the real program on the X server in $DISPLAY and uses it as a person
# would, with keys and the mouse: run, widen, about dialog, pop-up menu, exit.
# Screenshots of each step are kept in the folder given as $2.
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

xdotool key alt+s
sleep 2
shot 02-run
read -r mean spread <<<"$(region_stats 02-run 505x499+0+0)"
check "Run draws a lit model (panel mean $mean, spread $spread)" test "$mean" -gt 3 -a "$spread" -gt 8

# 詳細設定 ⇒ widens the window to show the settings column.
xdotool mousemove --window "$main" --sync 417 639 click 1
sleep 0.7
shot 03-settings
check "the width toggle gives about 760 px" near "$(window_width "$main")" 760 12

xdotool key alt+h
timeout 10 xdotool search --sync --onlyvisible --name 'バージョン情報' >/dev/null
sleep 0.7
shot 04-about
# The focus is on 了承: the space bar presses it, and the dialog hides.
xdotool key space
sleep 0.7
check "the about dialog opens with the focus on 了承" test "$(visible_count 'バージョン情報')" -eq 0

xdotool windowfocus --sync "$main" 2>/dev/null || true
before=$(xdotool search --onlyvisible --pid $pid 2>/dev/null | wc -l)
xdotool mousemove --window "$main" --sync 252 600 click 3
sleep 0.7
shot 05-menu
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

# A model named on the command line is drawn without a key or a click.
"$program" X-File/vorkan.x &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT
main=$(timeout 20 xdotool search --sync --onlyvisible --name '^Orvane$' | head -1)
sleep 2
shot 06-named-model
read -r mean spread <<<"$(region_stats 06-named-model 505x499+0+0)"
check "orvane MODEL.x draws it at once (panel mean $mean, spread $spread)" test -n "$main" -a "$mean" -gt 3 -a "$spread" -gt 8
kill $pid 2>/dev/null
wait $pid 2>/dev/null
trap - EXIT

echo "screenshots in $shots"
[ "$failures" -eq 0 ]
