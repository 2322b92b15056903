#!/usr/bin/env bash
# The program against its surroundings: paths that are not regular files,
# files that exist but cannot be read, outputs that cannot be written (a
# folder without write permission, a full disk) and renders running side by
# side in one folder.
#   surroundings_test.sh PROGRAM WORK_DIR
set -uo pipefail
program=$1
work=$2
assets=$(dirname "$program")
rm -rf "$work"
mkdir -p "$work"
chmod 755 "$work"
failures=0
check() {  # check DESCRIPTION COMMAND...
    local what=$1; shift
    if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
# Permissions do not stop root: as root, commands that must meet them run as
# the unprivileged user "nobody", off screen (the X server is root's).
as_user() {
    if [ "$(id -u)" -eq 0 ]; then
        setpriv --reuid=65534 --regid=65534 --clear-groups -- \
            env -u DISPLAY -u XAUTHORITY -u XDG_RUNTIME_DIR QT_QPA_PLATFORM=offscreen "$@"
    else
        "$@"
    fi
}
render() { "$program" --render 'X-File\box.x' --device ref --time 1000 --size 96x80 "$@"; }
only_file() { [ "$(find "$1" -mindepth 1 | wc -l)" -eq "$2" ]; }

# --- Paths that are not regular files are refused before any read ---------
mkfifo "$work/fifo.x"
# A broken reader would fill memory from /dev/zero: 4 GiB of address space
# stops it. (A sanitizer build reserves far more for itself; there the
# sanitizer's own memory checks stand in.)
address_space=4194304
[ -n "${ASAN_OPTIONS:-}" ] && address_space=unlimited
for path in /dev/zero "$work/fifo.x" "$work"; do
    start=$(date +%s%N)
    out=$(ulimit -v "$address_space"; timeout 10 "$program" --info "$path" 2>&1)
    status=$?
    ms=$((($(date +%s%N) - start) / 1000000))
    check "--info $path is refused at once (status $status, $ms ms)" test "$status" -eq 1 -a "$ms" -lt 5000
    check "  saying it is not a regular file" grep -q "^$path: error: .*not a regular file" <<<"$out"
done

# The checks that need an unprivileged user run only where it can reach the
# program and this folder.
if as_user "$program" --info "$assets/X-File/box.x" >/dev/null 2>&1 && as_user test -x "$work"; then
    as_nobody=1
else
    as_nobody=0
    echo "skip the permission checks: the user nobody cannot reach $program or $work"
fi

# --- Files that exist but cannot be read -----------------------------------
if [ "$as_nobody" -eq 1 ]; then
    cp "$assets/X-File/box.x" "$work/locked.x"
    chmod 000 "$work/locked.x"
    out=$(as_user "$program" --info "$work/locked.x" 2>&1)
    check "--info on an unreadable model is status 1" test $? -eq 1
    check "  naming the file and the cause" grep -q "^$work/locked.x: error: cannot open .*[Pp]ermission denied" <<<"$out"
    out=$(cd "$assets" && as_user "$program" --render "$work/locked.x" --output "$work/locked.png" --device ref 2>&1)
    status=$?
    echo "$out"
    check "--render of an unreadable model is status 1" test "$status" -eq 1
    check "  saying it cannot be drawn" grep -q 'cannot draw' <<<"$out"
    check "  naming the file" grep -q "locked.x: cannot open .*[Pp]ermission denied" <<<"$out"
    check "  and writes nothing" test ! -e "$work/locked.png"
    cp "$assets/Texture/1.bmp" "$work/locked.bmp"
    chmod 000 "$work/locked.bmp"
    out=$(cd "$assets" && as_user "$program" --render 'X-File\box.x' --texture "$work/locked.bmp" \
          --output "$work/locked.png" --device ref 2>&1)
    status=$?
    echo "$out"
    check "--render with an unreadable texture is status 1, naming it" \
        test "$status" -eq 1 -a -n "$(grep "cannot draw $work/locked.bmp" <<<"$out")"
    check "  and writes nothing" test ! -e "$work/locked.png"
    rm -f "$work/locked.x" "$work/locked.bmp"
fi

cd "$assets"
# --- Outputs that cannot be written leave nothing behind -------------------
if [ "$as_nobody" -eq 1 ]; then
    mkdir -p "$work/readonly"
    chmod 555 "$work/readonly"
    out=$(as_user "$program" --render 'X-File\box.x' --device ref --output "$work/readonly/out.png" 2>&1)
    status=$?
    echo "$out"
    check "a folder without write permission is status 1" test "$status" -eq 1
    check "  with a message naming the file" grep -q "cannot write $work/readonly/out.png" <<<"$out"
    check "  and nothing in the folder" only_file "$work/readonly" 0
fi

out=$(render --output "$work/no-such-folder/out.png" 2>&1)
check "a folder that is not there is status 1 with a message" \
    test $? -eq 1 -a -n "$(grep "cannot write $work/no-such-folder/out.png" <<<"$out")"

out=$(render --output /dev/full 2>&1)
check "/dev/full is status 1 with a message" test $? -eq 1 -a -n "$(grep 'cannot write /dev/full' <<<"$out")"
check "  and stays the device it was" test -c /dev/full

# A full disk: the file size limit fails writes the way a full disk does.
mkdir -p "$work/full"
render --output "$work/full/kept.png"
cp "$work/full/kept.png" "$work/earlier.png"
out=$(bash -c 'trap "" XFSZ; ulimit -f 1; exec "$@"' _ "$program" --render 'X-File\box.x' --device ref \
      --time 1000 --size 300x300 --output "$work/full/kept.png" 2>&1)
status=$?
echo "$out"
check "a full disk is status 1" test "$status" -eq 1
check "  with a message naming the file" grep -q "cannot write $work/full/kept.png: " <<<"$out"
check "  keeping the earlier image whole" cmp -s "$work/full/kept.png" "$work/earlier.png"
check "  and no partial file beside it" only_file "$work/full" 1
out=$(render --output "$work/full/picture.unknown" 2>&1)
check "a name without an image format is status 1 with a message" \
    test $? -eq 1 -a -n "$(grep 'known image format' <<<"$out")"

# --- Renders side by side in one folder --------------------------------------
mkdir -p "$work/parallel"
render --time 1000 --output "$work/alone-a.png"
render --time 1001 --output "$work/alone-b.png"
pids=()
for i in 1 2 3 4 5 6; do
    render --time $((1000 + i % 2)) --output "$work/parallel/$i.png" &
    pids+=($!)
    render --time 1000 --output "$work/parallel/same.png" &  # all to one name
    pids+=($!)
done
statuses=0
for pid in "${pids[@]}"; do wait "$pid" || statuses=$((statuses + 1)); done
check "twelve renders at once all succeed" test "$statuses" -eq 0
same=0
for i in 1 2 3 4 5 6; do
    if [ $((i % 2)) -eq 0 ]; then cmp -s "$work/parallel/$i.png" "$work/alone-a.png" && same=$((same + 1))
    else cmp -s "$work/parallel/$i.png" "$work/alone-b.png" && same=$((same + 1)); fi
done
check "  each image is the one a render alone writes ($same of 6)" test "$same" -eq 6
check "  the shared name holds one whole image" cmp -s "$work/parallel/same.png" "$work/alone-a.png"
check "  and no temporary file is left" only_file "$work/parallel" 7

echo "$failures failed"
[ "$failures" -eq 0 ]
