#!/usr/bin/env bash
# Runs every benchmark on this machine and prints the table of what a user
# meets, with the machine's load before and after.
#   bench/run_benchmarks.sh [BUILD_DIR]      (default: build)
# BUILD_DIR must be configured with -DORVANE_BUILD_BENCH=ON and built. The
# window benchmarks need an X server; without $DISPLAY they run under
# xvfb-run (Mesa llvmpipe). Takes a few minutes; the files go to a temporary
# folder that is removed at the end.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$work/xdg}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
x() { if [ -n "${DISPLAY:-}" ]; then "$@"; else xvfb-run -a -s "-screen 0 1280x1024x24" "$@"; fi; }

echo "machine: $(nproc) cores, $(uname -r); load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/bench_xfile_load" --mb 11,51 --keep "$work/files" | tee "$work/load.txt"
big=$(ls "$work"/files/grid*_txt.x | sort -V | tail -1)
(cd "$build/bin" && x "$build/bench/bench_viewer" "$big") | tee "$work/viewer.txt"
x "$build/bench/bench_launch_frame" | tee "$work/launch.txt"
# A user's skinned, textured model, where the corpus is beside the project.
tinyModel=$(cd "$(dirname "$0")/.." && pwd)/../shared/xcorpus/dxsdk-legacy/Media/Tiny/tiny.x
[ -f "$tinyModel" ] && x "$build/bench/bench_launch_frame" "$tinyModel" | tee "$work/launch_tiny.txt"
x "$build/bench/bench_authored_window" | tee "$work/authored.txt"
echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"

# The rows of the loader's headline table, by format, in file-size order.
row() { awk -v f="$1" '/^1\. Whole process/ {on = 1} /^2\./ {on = 0} on && $1 == f' "$work/load.txt" | sed -n "$2p"; }
speedup() { row "$1" "$2" | awk '{ gsub(/x/, "", $9); gsub(/[()x]/, "", $10); print $9 "× (CPU " $10 "×)" }'; }
mb() { row "$1" "$2" | awk '{ printf "%.0f", $2 }'; }
click() { grep "^click to frame, $1" "$work/viewer.txt" | sed 's/.*median \([0-9.]*\) ms.*/\1/'; }
frame=$(grep '^frame of X-File' "$work/viewer.txt" | sed 's/.*median \([0-9.]*\) ms.*/\1/')
tiny=$(sed -n 's/^2\. .*median \([0-9.]*\) ms (\([0-9.]*\) ms of CPU.*/\1 ms (CPU \2 ms)/p' "$work/load.txt")
launch=$(sed -n 's/.*first lit model pixels \([0-9.]*\) ms.*/\1/p' "$work/launch.txt")
launchTiny=$(sed -n 's/.*first lit model pixels \([0-9.]*\) ms.*/\1/p' "$work/launch_tiny.txt" 2>/dev/null || true)
painted=$(sed -n 's/.*window painted \([0-9.]*\) ms.*/\1/p' "$work/launch.txt")
echo
echo "| measure | measured | target |"
echo "|---|---|---|"
echo "| click on a check box → next frame presented, default model (7,680 faces) | $(click 'X-File') ms | ≤ 50 ms |"
echo "| same, a $(mb txt 2) MB text model with per-corner normals | $(click "$work") ms | ≤ 150 ms |"
echo "| launch \`orvane X-File/vorkan.x\` (authored look) → window painted / first lit model pixels | $painted / $launch ms | ≤ 150 ms |"
[ -n "$launchTiny" ] && echo "| launch \`orvane tiny.x\` (the corpus's skinned, textured model) → first lit model pixels | $launchTiny ms | ≤ 300 ms |"
authored() { awk -v c="$1" '$1 == "tiny.x" { print $c }' "$work/authored.txt"; }
echo "| tiny.x in the authored window: one frame (pose, skinning, drawing) | $(authored 3) ms | ≤ 8 ms |"
echo "| same, click on a check box → its frame drawn (plus the timer's wait) | $(authored 4) ms | ≤ 50 ms |"
echo "| whole-process \`orvane --info\` vs \`assimp info -r\`, text, $(mb txt 1) MB / $(mb txt 2) MB | $(speedup txt 1) / $(speedup txt 2) faster | ≥ 6× |"
echo "| same, binary, $(mb bin 1) MB / $(mb bin 2) MB | $(speedup bin 1) / $(speedup bin 2) faster | ≥ 4× |"
echo "| OpenGL frame, default model, 505×499, llvmpipe | $frame ms | ≤ 6 ms |"
echo "| \`orvane --info\` on a tiny file, whole process | $tiny | ≤ 5 ms |"
