#!/usr/bin/env bash
# --thumbnail and --render in the bare environment a file manager gives a
# thumbnailer: no XDG_RUNTIME_DIR, no display, a private HOME and TMPDIR. A
# good run writes its image and nothing else, anywhere, and says nothing on
# standard error; a failed or stopped one leaves nothing behind either.
#   clean_run_test.sh PROGRAM WORK_DIR
set -uo pipefail
program=$1
work=$2
assets=$(dirname "$program")
# shellcheck source=../support/check.sh
. "$(dirname "$0")/../support/check.sh"
rm -rf "$work"
mkdir -p "$work"

# bare [VARIABLE=VALUE...] COMMAND...: COMMAND with only PATH, a fresh HOME
# and a fresh TMPDIR (both under $work/run), run from $work/run/cwd.
prepare() {
    rm -rf "$work/run"
    mkdir -p "$work/run/home" "$work/run/tmp" "$work/run/cwd" "$work/run/out"
}
# A sanitizer build's settings (suppressions, the preloaded driver) stay.
sanitizer=()
for variable in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS LD_PRELOAD; do
    [ -n "${!variable:-}" ] && sanitizer+=("$variable=${!variable}")
done
in_bare() {
    cd "$work/run/cwd" &&
        exec env -i PATH="$PATH" HOME="$work/run/home" TMPDIR="$work/run/tmp" ${sanitizer[@]+"${sanitizer[@]}"} "$@"
}
bare() { prepare; (in_bare "$@"); }
fails() { ! "$@"; }
empty() { [ -z "$(find "$1" -mindepth 1 -print -quit)" ]; }
# Everything a run left under $work/run but the one expected file.
left() { find "$work/run" -mindepth 1 -not -type d -not -path "$1" -print; \
         find "$work/run" -mindepth 2 -type d -print; }
left_behind() { [ -z "$(left "$1")" ]; }

out=$work/run/out/thumb.png
bare "$program" --thumbnail "$assets/X-File/teapot.x" "$out" 128 2>"$work/err.txt"
check "--thumbnail in a bare environment succeeds" test $? -eq 0
check "  writes the PNG" test "$(identify -format '%m %wx%h' "$out" 2>/dev/null)" = "PNG 128x128"
check "  says nothing on standard error ($(head -c 200 "$work/err.txt"))" test ! -s "$work/err.txt"
check "  and leaves no file or folder anywhere else ($(left "$out" | tr '\n' ' '))" left_behind "$out"

# A thumbnailer that TMPDIR points nowhere for: Qt's own temporary folder is /tmp.
bare TMPDIR="$work/run/no-such-folder" "$program" --thumbnail "$assets/X-File/box.x" "$out" 64 \
    2>"$work/err.txt"
check "--thumbnail with TMPDIR naming no folder succeeds" test $? -eq 0
check "  saying nothing on standard error ($(head -c 200 "$work/err.txt"))" test ! -s "$work/err.txt"

# A session's XDG_RUNTIME_DIR where the folder is not (a sandbox without
# /run/user), and one that could be made (its parent is there).
for runtime in "$work/run/no-such/folder" "$work/run/tmp/runtime"; do
    bare XDG_RUNTIME_DIR="$runtime" "$program" --thumbnail "$assets/X-File/box.x" "$out" 64 2>"$work/err.txt"
    check "--thumbnail with XDG_RUNTIME_DIR naming no folder ($(basename "$(dirname "$runtime")")/...) succeeds" \
        test $? -eq 0
    check "  saying nothing on standard error ($(head -c 200 "$work/err.txt"))" test ! -s "$work/err.txt"
    check "  and leaves nothing behind ($(left "$out" | tr '\n' ' '))" left_behind "$out"
done

bare "$program" --thumbnail "$assets/X-File/no-such-model.x" "$out" 64 2>"$work/err.txt"
check "--thumbnail of a missing model fails" test $? -ne 0
check "  saying why on standard error" test -s "$work/err.txt"
check "  without Qt's complaint about XDG_RUNTIME_DIR" fails grep -q XDG_RUNTIME_DIR "$work/err.txt"
check "  and leaves nothing behind ($(left /none | tr '\n' ' '))" left_behind /none

# The alarm the thumbnailer sets for itself, rung early: it stops at once and
# takes its temporary things with it.
prepare
(in_bare "$program" --thumbnail "$assets/X-File/teapot.x" "$out" 8192 2>"$work/err.txt") &
thumbnailer=$!
for _ in $(seq 200); do  # until the handler is set (SIGALRM, 14, in the caught mask)
    caught=$(sed -n 's/^SigCgt:\s*//p' "/proc/$thumbnailer/status" 2>/dev/null)
    [ -n "$caught" ] && (((16#$caught >> 13) & 1)) && break
    sleep 0.05
done
kill -ALRM "$thumbnailer" 2>/dev/null
wait "$thumbnailer"
check "a thumbnail past its time gives up with status 3" test $? -eq 3
check "  and leaves nothing behind ($(left /none | tr '\n' ' '))" left_behind /none

# --render: the same quiet run, with the reference device and no display.
out=$work/run/out/render.png
bare "$program" --render "$assets/X-File/box.x" --output "$out" --device ref --size 64x48 2>"$work/err.txt"
check "--render in a bare environment succeeds" test $? -eq 0
check "  writes the image" test "$(identify -format '%wx%h' "$out" 2>/dev/null)" = 64x48
check "  says nothing on standard error ($(head -c 200 "$work/err.txt"))" test ! -s "$work/err.txt"
check "  and leaves no file or folder anywhere else ($(left "$out" | tr '\n' ' '))" left_behind "$out"
bare "$program" --render "$assets/X-File/box.x" --output "$out" --device ref --look authored --size 64x48 \
    2>"$work/err.txt"
check "--render --look authored says nothing on standard error ($(head -c 200 "$work/err.txt"))" \
    test ! -s "$work/err.txt"
check "  and leaves nothing else ($(left "$out" | tr '\n' ' '))" left_behind "$out"
if [ -n "${DISPLAY:-}" ]; then
    # On the display, with OpenGL: only standard error is asked about (the
    # OpenGL driver keeps its own caches).
    bare DISPLAY="$DISPLAY" ${XAUTHORITY:+XAUTHORITY="$XAUTHORITY"} \
        "$program" --render "$assets/X-File/box.x" --output "$out" --size 64x48 2>"$work/err.txt"
    check "--render on the display in a bare environment succeeds" test $? -eq 0
    check "  saying nothing on standard error ($(head -c 200 "$work/err.txt"))" test ! -s "$work/err.txt"
    check "  and leaving nothing in TMPDIR" empty "$work/run/tmp"
fi

# A folder open to others is no runtime folder: Qt would not take it.
mkdir -p "$work/open"
chmod 755 "$work/open"
bare XDG_RUNTIME_DIR="$work/open" "$program" --thumbnail "$assets/X-File/box.x" "$work/run/out/t.png" 32 \
    2>"$work/err.txt"
check "with XDG_RUNTIME_DIR naming a folder open to others the thumbnail is made quietly" \
    test $? -eq 0 -a ! -s "$work/err.txt"
check "  and the folder is left as it was" test -z "$(find "$work/open" -mindepth 1)" -a "$(stat -c %a "$work/open")" = 755

# A variable that is set is the user's: it is used as it is and not removed.
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
bare XDG_RUNTIME_DIR="$work/runtime" "$program" --thumbnail "$assets/X-File/box.x" "$work/run/out/t.png" 32 \
    2>"$work/err.txt"
check "with XDG_RUNTIME_DIR set the thumbnail is made quietly" test $? -eq 0 -a ! -s "$work/err.txt"
check "  and the user's runtime folder stays" test -d "$work/runtime"

echo "$failures failed"
[ "$failures" -eq 0 ]
