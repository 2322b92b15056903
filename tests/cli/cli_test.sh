#!/usr/bin/env bash
# The command line: --info without a display, --render's determinism and
# motion, and clean failures.
#   cli_test.sh PROGRAM WORK_DIR
set -uo pipefail
program=$1
work=$2
assets=$(dirname "$program")
mkdir -p "$work"
failures=0
check() {  # check DESCRIPTION COMMAND...
    local what=$1; shift
    if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
# Pixels of two images that differ by more than 2 % in some channel.
differing() { compare -metric AE -fuzz 2% "$1" "$2" null: 2>&1 | cut -d' ' -f1; }

# --info needs no display; a bad file fails after the others are printed.
printf 'xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 4;0,1,2,3;; }\n' > "$work/broken.x"
out=$(env -u DISPLAY -u QT_QPA_PLATFORM "$program" --info "$assets/X-File/box.x" "$work/broken.x" \
      "$assets/X-File/teapot.x" 2>&1)
status=$?
echo "$out"
check "--info exits 1 when a file fails" test "$status" -eq 1
check "--info describes the cube" grep -qx "$assets/X-File/box.x: faces=12 vertices=24 subsets=1 format=txt float=32" <<<"$out"
check "--info names the cause for the broken file" grep -q "^$work/broken.x: error: .*[0-9]" <<<"$out"
check "--info goes on after a failure" grep -q "^$assets/X-File/teapot.x: faces=" <<<"$out"
check "--info with good files exits 0" env -u DISPLAY "$program" --info "$assets/X-File/box.x" >/dev/null

cd "$assets"
# The reference device needs no X server at all.
check "--render with the reference device runs without a display" \
    env -u DISPLAY -u QT_QPA_PLATFORM "$program" --render 'X-File\vorkan.x' --output "$work/ref.png" --device ref --time 500
check "  and writes a 505×499 image" test "$(identify -format '%wx%h' "$work/ref.png" 2>/dev/null)" = 505x499

if [ -n "${DISPLAY:-}" ]; then
    render() { "$program" --render 'X-File\box.x' --output "$work/$1.png" --time "$2" --device hal 2>/dev/null; }
    render a 1000 && render b 1000
    check "two renders at the same time are identical" cmp -s "$work/a.png" "$work/b.png"
    render quarter 1001.5707963 && render eighth 1000.7853982
    # Speed 100 turns one radian a second: π/2 s later the cube looks the same.
    check "a quarter turn later the cube looks the same ($(differing "$work/a.png" "$work/quarter.png") px)" \
        test "$(differing "$work/a.png" "$work/quarter.png")" -lt 500
    check "an eighth turn later it does not ($(differing "$work/a.png" "$work/eighth.png") px)" \
        test "$(differing "$work/a.png" "$work/eighth.png")" -gt 5000
    "$program" --render 'X-File\box.x' --output "$work/small.png" --size 64x48 --time 1000 2>/dev/null
    check "--size sets the image size" test "$(identify -format '%wx%h' "$work/small.png" 2>/dev/null)" = 64x48
fi

"$program" --render 'X-File\no-such-model.x' --output "$work/none.png" --device ref 2>"$work/err.txt"
check "a missing model is exit status 1" test $? -eq 1
check "  with the not-found message" grep -q 'Xファイル、または テクスチャが見つかりません' "$work/err.txt"
"$program" --render "$work/broken.x" --output "$work/none.png" --device ref 2>"$work/err.txt"
check "a broken model is exit status 1 with the run-time error" grep -q '実行時エラー' "$work/err.txt"
"$program" --render 'X-File\box.x' --output "$work/none.png" --size 0x5 >/dev/null 2>&1
check "a bad size is refused" test $? -eq 2

echo "$failures failed"
[ "$failures" -eq 0 ]
