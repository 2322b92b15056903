#!/usr/bin/env bash
# The Debian package: built with CPack from this build tree, its contents
# listed with dpkg-deb -c, then unpacked into a scratch root and the unpacked
# program run from another folder the way a user or a file manager runs it.
#   package_test.sh BUILD_DIR WORK_DIR [CORPUS_DIR]
set -uo pipefail
build=$1
work=$2
corpus=${3:-}
# shellcheck source=../support/check.sh
. "$(dirname "$0")/../support/check.sh"
fails() { ! "$@"; }
for tool in cpack dpkg-deb dpkg-shlibdeps identify compare; do
    command -v "$tool" >/dev/null || { echo "SKIP: needs $tool"; exit 0; }
done

rm -rf "$work"
mkdir -p "$work/out" "$work/root" "$work/elsewhere"
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL cpack could not build the package"
    exit 1
fi
deb=$(ls "$work"/out/orvane_*.deb 2>/dev/null | head -1)
check "cpack wrote orvane_VERSION_ARCH.deb" test -f "$deb"
[ -f "$deb" ] || exit 1
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

listing=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
has() { grep -qx "$1" <<<"$listing"; }
for path in ./usr/bin/orvane ./usr/lib/orvane/orvane ./usr/lib/orvane/X-File/box.x \
            ./usr/lib/orvane/X-File/teapot.x ./usr/share/applications/orvane.desktop \
            ./usr/share/icons/hicolor/16x16/apps/orvane.png ./usr/share/icons/hicolor/32x32/apps/orvane.png \
            ./usr/share/icons/hicolor/48x48/apps/orvane.png ./usr/share/icons/hicolor/scalable/apps/orvane.svg \
            ./usr/share/mime/packages/orvane-directx.xml ./usr/share/thumbnailers/orvane.thumbnailer; do
    check "the package holds $path" has "$path"
done
check "the package holds the textures" grep -q '^\./usr/lib/orvane/Texture/.' <<<"$listing"
check "everything installs under /usr" test -z "$(grep -v -e '^\./$' -e '^\./usr/' <<<"$listing")"
check "/usr/bin/orvane links to the program" \
    grep -q ' \./usr/bin/orvane -> \.\./lib/orvane/orvane$' <<<"$(dpkg-deb -c "$deb")"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6opengl6 libgl1-mesa-dri fonts-ipafont-gothic \
               fonts-rocknroll qt6-translations-l10n libsquish0; do
    check "it depends on $package" grep -q "\b$package\b" <<<"$depends"
done

dpkg-deb -x "$deb" "$work/root"
usr=$work/root/usr
for size in 16 32 48; do
    check "the ${size}px icon is ${size}×${size}" \
        test "$(identify -format '%wx%h' "$usr/share/icons/hicolor/${size}x${size}/apps/orvane.png")" = "${size}x${size}"
done
# The scalable icon is the same drawing as the fixed sizes.
if command -v rsvg-convert >/dev/null; then
    rsvg-convert -w 48 -h 48 "$usr/share/icons/hicolor/scalable/apps/orvane.svg" -o "$work/svg48.png"
    rmse=$(compare -metric RMSE "$work/svg48.png" "$usr/share/icons/hicolor/48x48/apps/orvane.png" null: 2>&1 |
        sed 's/.*(\(.*\)).*/\1/')
    check "the scalable icon at 48 px matches the drawn one (RMSE $rmse)" \
        awk -v e="$rmse" 'BEGIN { exit !(e < 0.04) }'
fi
if command -v desktop-file-validate >/dev/null; then
    check "the installed desktop entry validates" desktop-file-validate "$usr/share/applications/orvane.desktop"
fi

# From another folder, with no display: the program finds its own libraries
# and reads a delivered model by its installed path.
cd "$work/elsewhere"
info=$(env -u DISPLAY -u QT_QPA_PLATFORM "$usr/bin/orvane" --info "$usr/lib/orvane/X-File/box.x" 2>&1)
echo "$info"
check "the unpacked program's --info reads a delivered model" \
    grep -qx "$usr/lib/orvane/X-File/box.x: faces=12 vertices=24 subsets=1 format=txt float=32" <<<"$info"

# Thumbnails, as a file manager makes them: the Exec line of the installed
# .thumbnailer with %i, %o and %s filled in, the unpacked bin/ on PATH.
if "$usr/bin/orvane" --help 2>&1 | grep -q -- '--thumbnail'; then
    exec_line=$(sed -n 's/^Exec=//p' "$usr/share/thumbnailers/orvane.thumbnailer")
    thumbnail() {  # thumbnail INPUT OUTPUT SIZE
        local command=${exec_line//%i/\"$1\"}
        command=${command//%o/\"$2\"}
        command=${command//%s/$3}
        env -u DISPLAY -u QT_QPA_PLATFORM PATH="$usr/bin:$PATH" timeout 30 bash -c "$command"
    }
    models=("$usr/lib/orvane/X-File/teapot.x")
    if [ -n "$corpus" ] && [ -d "$corpus" ]; then
        # Textured (PNG; a model named .X in capitals; binary with some textures
        # missing) and a compressed one.
        models+=("$corpus/assimp-X/test.x" "$corpus/assaultwing/models/snake.X"
                 "$corpus/blitz3d/samples/mak/castle/markio/mariorun.x" "$corpus/assimp-X/test_cube_compressed.x")
    fi
    mkdir -p "$work/thumbnails"
    for model in "${models[@]}"; do
        [ -f "$model" ] || continue
        name=$(basename "$model")
        out=$work/thumbnails/${name%.*}.png
        check "a thumbnail of $name" thumbnail "$model" "$out" 256
        check "  is 256×256" test "$(identify -format '%wx%h' "$out" 2>/dev/null)" = 256x256
        spread=$(convert "$out" -colorspace gray -format '%[fx:int(255*standard_deviation)]' info: 2>/dev/null)
        check "  and shows something (spread ${spread:-none})" test "${spread:-0}" -gt 8
    done
    printf 'program PING_PROG {\n    version PING_VERS {\n        int PING(void) = 1;\n    } = 1;\n} = 0x20000101;\n' \
        >"$work/elsewhere/ping.x"
    check "an RPC interface file named .x gets no thumbnail" \
        fails thumbnail "$work/elsewhere/ping.x" "$work/thumbnails/ping.png" 256
    check "  and leaves no file behind" test ! -e "$work/thumbnails/ping.png"
    echo "thumbnails in $work/thumbnails"
else
    echo "the program has no --thumbnail yet: thumbnail steps left out"
fi

[ "$failures" -eq 0 ]
