#!/usr/bin/env bash
# The command line: Qt's conventions for --help, --version and bad options,
# --info without a display, --render's determinism and motion, --thumbnail
# as a file manager calls it, and clean failures.
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

# --help and --version print on standard output and succeed; an unknown
# option is one line on standard error naming it, and exit status 2.
nodisplay() { env -u DISPLAY -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY "$@"; }
out=$(nodisplay "$program" --help 2>"$work/err.txt")
status=$?
check "--help exits 0" test "$status" -eq 0
check "  and prints the usage on standard output" grep -q -- '--thumbnail INPUT OUTPUT SIZE' <<<"$out"
check "  and nothing on standard error" test ! -s "$work/err.txt"
out=$(nodisplay "$program" --version 2>/dev/null)
status=$?
check "--version exits 0 and prints 'orvane X.Y' ($out)" test "$status" -eq 0 -a -n "$(grep -xE 'orvane [0-9]+\.[0-9]+' <<<"$out")"
nodisplay "$program" --frobnicate >"$work/out.txt" 2>"$work/err.txt"
status=$?
check "an unknown option exits 2" test "$status" -eq 2
check "  with one line naming it and pointing to --help ($(cat "$work/err.txt"))" \
    test "$(wc -l <"$work/err.txt")" -eq 1 -a -n "$(grep frobnicate "$work/err.txt" | grep -- --help)"
check "  and nothing on standard output" test ! -s "$work/out.txt"
nodisplay "$program" --output "$work/x.png" >/dev/null 2>&1
check "a --render option without --render exits 2" test $? -eq 2
nodisplay "$program" --render box.x --output "$work/x.png" --look sideways >/dev/null 2>&1
check "an unknown look exits 2" test $? -eq 2
nodisplay "$program" --look sideways box.x >/dev/null 2>&1
check "an unknown look for the window exits 2" test $? -eq 2
nodisplay "$program" --look viewer >"$work/out.txt" 2>"$work/err.txt"
check "--look for the window without a FILE exits 2 naming it" \
    test $? -eq 2 -a -n "$(grep -- --look "$work/err.txt")"
nodisplay "$program" --render box.x --output "$work/x.png" --look authored --texture a.png >/dev/null 2>&1
check "--texture with the authored look exits 2" test $? -eq 2
nodisplay "$program" --thumbnail box.x "$work/x.png" >/dev/null 2>&1
check "--thumbnail without SIZE exits 2" test $? -eq 2
nodisplay "$program" --render box.x --output "$work/x.png" --animation Walk >/dev/null 2>&1
check "--animation with the viewer look exits 2" test $? -eq 2

# The authored look poses an animated model: --time is seconds into the set
# that --animation names (by name or index), the first set by default.
cat >"$work/arm.x" <<'MODEL'
xof 0303txt 0032
Frame Body {
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
 Mesh Base { 4; -1;-1;0;, -1;1;0;, 1;1;0;, 1;-1;0;; 2; 3;0,1,2;, 3;0,2,3;; }
 Frame Arm {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 2,0,0,1;; }
  Mesh Stick { 4; 0;-0.2;0;, 0;0.2;0;, 2;0.2;0;, 2;-0.2;0;; 2; 3;0,1,2;, 3;0,2,3;; }
 }
}
AnimationSet Wave {
 Animation { { Arm } AnimationKey { 0; 2; 0;4;1,0,0,0;;, 4800;4;0.7071,0,0,0.7071;;; } }
}
AnimationSet Lift {
 Animation { { Arm } AnimationKey { 2; 2; 0;3;2,0,0;;, 4800;3;2,3,0;;; } }
}
MODEL
posed() {  # posed NAME ARGS...
    local name=$1; shift
    nodisplay "$program" --render "$work/arm.x" --output "$work/$name.png" --device ref --look authored \
        --size 96x96 "$@" 2>"$work/$name.txt"
}
posed first && posed zero --time 0 && posed half --time 0.5 && posed period --time 1
check "an animated model renders in the authored look" test -s "$work/first.png"
check "  at time 0 by default" cmp -s "$work/first.png" "$work/zero.png"
check "  moving half a second later" test "$(differing "$work/first.png" "$work/half.png")" -gt 20
check "  and back one period later" cmp -s "$work/first.png" "$work/period.png"
posed byname --animation Lift --time 0.5 && posed byindex --animation 1 --time 0.5
check "--animation finds a set by name and by index" cmp -s "$work/byname.png" "$work/byindex.png"
check "  and plays another set" test "$(differing "$work/half.png" "$work/byname.png")" -gt 20
posed unknown --animation Jog
check "an unknown --animation fails" test $? -eq 1
check "  naming the sets there are ($(tail -1 "$work/unknown.txt"))" grep -q 'Jog.*"Wave".*"Lift"' "$work/unknown.txt"
check "  and writes nothing" test ! -e "$work/unknown.png"

# A time that reads as a number but is no time of day is refused as a word is.
for time in abc nan inf -inf -1 1e300; do
    nodisplay "$program" --render box.x --output "$work/x.png" --device ref --time "$time" >/dev/null 2>"$work/err.txt"
    status=$?
    check "--time $time exits 2, was $status ($(head -1 "$work/err.txt"))" test "$status" -eq 2
done

# In the authored look --time is any time from the set's start (it loops);
# what no clock shows is refused there too.
for time in nan inf -1; do
    nodisplay "$program" --render box.x --output "$work/x.png" --device ref --look authored --time "$time" \
        >/dev/null 2>"$work/err.txt"
    status=$?
    check "--look authored --time $time exits 2, was $status" test "$status" -eq 2
done
nodisplay "$program" --render "$work/arm.x" --output "$work/late.png" --device ref --look authored --size 96x96 \
    --time 100000.5 2>/dev/null
check "--look authored takes a time past a day, as the set loops" cmp -s "$work/late.png" "$work/half.png"

# The window without a display says so and ends with a status, not an abort.
for display in "" ":97"; do
    env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY="$display" timeout 20 "$program" >"$work/out.txt" \
        2>"$work/err.txt"
    status=$?
    check "the window with DISPLAY='$display' and no display exits 1 (was $status)" test "$status" -eq 1
    check "  saying that no display was found ($(head -c 160 "$work/err.txt"))" grep -q 'no display was found' "$work/err.txt"
    check "  pointing to what works without one" grep -q -- '--device ref' "$work/err.txt"
    check "  and nothing of the toolkit's failure" bash -c "! grep -qi -e reinstall -e 'platform plugin' '$work/err.txt'"
done

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
# An animated, skinned file: its bones, its tick rate and each set's length.
cat > "$work/walk.x" <<'MODEL'
xof 0303txt 0032
Frame Hip { Frame Knee { }
 Mesh Leg { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;
  SkinWeights { "Hip"; 2; 0, 1; 1.0, 1.0; 1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;; }
  SkinWeights { "Knee"; 1; 2; 1.0; 1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0;; } } }
AnimationSet Walk { Animation { {Knee} AnimationKey { 2; 2; 0; 3; 0.0,0.0,0.0;;, 4960; 3; 0.0,1.0,0.0;;; } } }
AnimationSet Rest { }
MODEL
out=$(env -u DISPLAY -u QT_QPA_PLATFORM "$program" --info "$work/walk.x" 2>&1)
echo "$out"
check "--info counts the bones and says the tick rate was not given" \
    grep -qx "$work/walk.x: bones=2 ticks-per-second=4800 assumed" <<<"$out"
check "--info gives each set's length in seconds" \
    test "$(grep -c "^$work/walk.x: animation " <<<"$out")" -eq 2 -a \
    -n "$(grep -x "$work/walk.x: animation 1 \"Walk\" 1.033 s (4960 ticks)" <<<"$out")"
check "--info adds nothing for a static model" test "$(env -u DISPLAY "$program" --info "$assets/X-File/box.x" | wc -l)" -eq 1

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

# --thumbnail as a file manager calls it: no display, an absolute INPUT.
nodisplay "$program" --thumbnail "$assets/X-File/city02_01.x" "$work/thumb.png" 96 2>"$work/err.txt"
check "--thumbnail works without a display" test $? -eq 0
check "  and writes a SIZE×SIZE PNG" test "$(identify -format '%m %wx%h' "$work/thumb.png" 2>/dev/null)" = "PNG 96x96"
check "  with its texture found" test -z "$(grep -i texture "$work/err.txt")"
nodisplay "$program" --render 'X-File\city02_01.x' --output "$work/authored.png" --device ref --look authored \
    --size 96x96 2>/dev/null
check "  the same picture as --render --look authored on the reference device" cmp -s "$work/thumb.png" "$work/authored.png"
nodisplay "$program" --thumbnail "file://$assets/X-File/box%2Ex" "$work/uri.png" 32 2>/dev/null
check "  and takes the model as a file URI" test "$(identify -format '%wx%h' "$work/uri.png" 2>/dev/null)" = 32x32
# No wrong preview is ever cached: failures leave no file and no temporary.
rm -f "$work"/none-thumb*
nodisplay "$program" --thumbnail "$work/broken.x" "$work/none-thumb.png" 96 2>/dev/null
check "a broken model gets no thumbnail: non-zero exit" test $? -ne 0
check "  and no file" test -z "$(ls "$work" | grep none-thumb)"
(ulimit -v 300000; nodisplay "$program" --thumbnail "$assets/X-File/teapot.x" "$work/none-thumb.png" 8192 2>/dev/null)
check "a thumbnail that runs out of memory fails" test $? -ne 0
check "  and leaves no file" test -z "$(ls "$work" | grep none-thumb)"
# The alarm the program sets for itself, rung early.
env -u DISPLAY -u QT_QPA_PLATFORM "$program" --thumbnail "$assets/X-File/teapot.x" "$work/none-thumb.png" 8192 \
    2>/dev/null &
thumbnailer=$!
# Rung once the program has set its handler (SIGALRM, 14, in the caught mask).
for _ in $(seq 200); do
    caught=$(sed -n 's/^SigCgt:\s*//p' "/proc/$thumbnailer/status" 2>/dev/null)
    [ -n "$caught" ] && (( (16#$caught >> 13) & 1 )) && break
    sleep 0.05
done
kill -ALRM $thumbnailer 2>/dev/null
wait $thumbnailer
check "a thumbnail past its time gives up with status 3" test $? -eq 3
check "  and leaves no file" test -z "$(ls "$work" | grep none-thumb)"

# A file named with a leading dot is hidden from listings, not from a user
# who names it: every mode opens it by that name.
mkdir -p "$work/dotted"
cp "$assets/X-File/box.x" "$work/dotted/.x"
rm -f "$work"/dotted*.png
out=$(env -u DISPLAY "$program" --info "$work/dotted/.x" 2>&1)
check "--info reads a model named .x ($out)" grep -q "faces=12" <<<"$out"
nodisplay "$program" --render "$work/dotted/.x" --output "$work/dotted.png" --device ref --time 1000 2>"$work/err.txt"
check "--render draws a model named .x ($(head -1 "$work/err.txt"))" test -s "$work/dotted.png"
nodisplay "$program" --render "$work/dotted/.x" --output "$work/dotted-authored.png" --device ref --look authored \
    2>"$work/err.txt"
check "--render --look authored draws it ($(head -1 "$work/err.txt"))" test -s "$work/dotted-authored.png"
nodisplay "$program" --thumbnail "$work/dotted/.x" "$work/dotted-thumb.png" 32 2>"$work/err.txt"
check "--thumbnail draws it ($(head -1 "$work/err.txt"))" test -s "$work/dotted-thumb.png"

# Failures say, in one line of English each, which file, what is wrong and
# what to do, with the host's separators.
english() { ! grep -qP '[^\x00-\x7F]' "$1"; }
"$program" --render 'X-File\no-such-model.x' --output "$work/none.png" --device ref 2>"$work/err.txt"
check "a missing model is exit status 1" test $? -eq 1
check "  with a message naming it, host-spelled ($(cat "$work/err.txt"))" grep -q 'cannot find the model X-File/no-such-model.x' "$work/err.txt"
check "  and saying what to do" grep -q 'Check the name' "$work/err.txt"
check "  in English only" english "$work/err.txt"
"$program" --render 'X-File\box.x' --texture 'Texture\no-such.png' --output "$work/none.png" --device ref 2>"$work/err.txt"
check "a missing texture is named ($(cat "$work/err.txt"))" grep -q 'cannot find the texture Texture/no-such.png' "$work/err.txt"
nodisplay "$program" --thumbnail "$work/no-such-model.x" "$work/none-thumb.png" 96 2>"$work/err.txt"
check "--thumbnail of a missing model says it is not found ($(cat "$work/err.txt"))" grep -q "cannot find the model $work/no-such-model.x" "$work/err.txt"
nodisplay "$program" --thumbnail "$assets/X-File/box.x" "$work/none-thumb.png" -3 2>"$work/err.txt"
status=$?
check "--thumbnail with SIZE -3 exits 2 (was $status)" test "$status" -eq 2
check "  saying the size is wrong ($(cat "$work/err.txt"))" grep -q 'SIZE must be' "$work/err.txt"
nodisplay "$program" --render 'X-File\box.x' --output "$work/none.png" --device hal 2>"$work/err.txt"
check "--render --device hal without a display points to --device ref ($(cat "$work/err.txt"))" grep -q -- '--device ref' "$work/err.txt"
check "  in English only" english "$work/err.txt"
nodisplay "$program" --render 'X-File\box.x' --output "$work/no-such-folder/x.png" --device ref 2>"$work/err.txt"
check "an output that cannot be written is named, in English only ($(cat "$work/err.txt"))" \
    bash -c "grep -q 'cannot write $work/no-such-folder/x.png' '$work/err.txt' && ! grep -qP '[^\x00-\x7F]' '$work/err.txt'"
mkdir -p "$work/X-File"
cp "$work/broken.x" "$work/X-File/broken.x"
(cd "$work" && "$program" --render 'X-File\broken.x' --output "$work/none.png" --device ref 2>"$work/err.txt")
check "a broken model is exit status 1, the file and the fault named ($(head -1 "$work/err.txt"))" \
    grep -q 'cannot draw X-File/broken.x: line 2' "$work/err.txt"
check "  in English only, no \\ in the path" bash -c "! grep -q '\\\\' '$work/err.txt' && ! grep -qP '[^\x00-\x7F]' '$work/err.txt'"
nodisplay "$program" --thumbnail "$work/broken.x" "$work/none-thumb.png" 96 2>"$work/err.txt"
check "--thumbnail of a broken model names the file and the fault ($(head -1 "$work/err.txt"))" \
    grep -q "cannot draw $work/broken.x: line 2" "$work/err.txt"
"$program" --render 'X-File\box.x' --output "$work/none.png" --size 0x5 >/dev/null 2>&1
check "a bad size is refused" test $? -eq 2

echo "$failures failed"
[ "$failures" -eq 0 ]
