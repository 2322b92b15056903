#!/usr/bin/env bash
# Makes the README's pictures with the program itself, on a private Xvfb
# server with Mesa's OpenGL:
#   docs/window.png          the window after Run, settings column open
#   docs/gallery/NAME.png    --look authored renders of delivered models
#                            (only when the program offers --look)
#   docs/make_images.sh [PROGRAM]      (default: build/bin/orvane)
set -euo pipefail
docs=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "${1:-$docs/../build/bin/orvane}")
for tool in xvfb-run xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done
if [ -z "${ORVANE_DOCS_SERVER:-}" ]; then
    export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
    chmod 700 "$XDG_RUNTIME_DIR"
    exec env ORVANE_DOCS_SERVER=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$program"
fi
cd "$(dirname "$program")"

"$program" &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT
win=$(timeout 20 xdotool search --sync --onlyvisible --name '^Orvane$' | head -1)
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool key alt+s                                          # 実行(S): the model turns
sleep 1
xdotool mousemove --window "$win" --sync 417 639 click 1  # 詳細設定 ⇒
sleep 2
read -r x y w h <<<"$(xdotool getwindowgeometry "$win" |
    sed -n -e 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p' -e 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p' |
    tr '\n' ' ')"
import -window root -crop "${w}x${h}+${x}+${y}" +repage -strip "$docs/window.png"
kill $pid
trap - EXIT
echo "wrote $docs/window.png (${w}x${h})"

if "$program" --help 2>&1 | grep -q -- '--look'; then
    mkdir -p "$docs/gallery"
    for model in box teapot vorkan haguruma tours beer; do
        "$program" --render "X-File/$model.x" --look authored --size 160x160 --device ref \
            --output "$docs/gallery/$model.png"
        echo "wrote $docs/gallery/$model.png"
    done
else
    echo "the program has no --look yet: no gallery"
fi
