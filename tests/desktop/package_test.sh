#!/usr/bin/env bash
# The Debian package: built with CPack from this build tree, its contents
# listed with dpkg-deb -c, then unpacked into a scratch root and the unpacked
# program run from another folder the way a user or a file manager runs it;
# last, GNOME's thumbnail factory makes thumbnails with the unpacked package.
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

# GNOME's thumbnail factory, as Nautilus uses it: the type GIO detects from
# the unpacked package's MIME data, the factory's choice of thumbnailer from
# the unpacked share/thumbnailers/ (found through XDG_DATA_DIRS, the program
# through PATH), and the thumbnailer run in the factory's bubblewrap sandbox.
# The sandbox shows a thumbnailer /usr and a copy of the one file in a fresh
# /tmp; a stand-in for bwrap on PATH adds the unpacked tree at its own path,
# where an installed package's files would be under /usr. Each model is
# copied alone into a folder, so that the program run directly sees what the
# sandbox shows (no textures beside it).
factory_python=
for py in /usr/bin/python3 python3; do
    "$py" -c 'import gi; gi.require_version("GnomeDesktop", "3.0"); from gi.repository import GnomeDesktop' \
        2>/dev/null && { factory_python=$py; break; }
done
real_bwrap=$(command -v bwrap)
if [ -z "$factory_python" ]; then
    echo "GNOME's thumbnail factory steps left out: needs python3-gi and gir1.2-gnomedesktop-3.0"
elif [ -z "$real_bwrap" ] || ! "$real_bwrap" --ro-bind /usr /usr --symlink usr/lib /lib --symlink usr/lib64 /lib64 \
        --symlink usr/bin /bin --unshare-all --die-with-parent /usr/bin/true 2>/dev/null; then
    echo "GNOME's thumbnail factory steps left out: bubblewrap cannot make its sandbox here"
elif ! command -v update-mime-database >/dev/null; then
    echo "GNOME's thumbnail factory steps left out: needs update-mime-database"
else
    factory=$work/factory
    mkdir -p "$factory/sandbox" "$factory/home" "$factory/files" "$factory/pictures" "$factory/direct"
    # The sandbox's /tmp is a folder of the factory's own, mounted after the
    # stand-in's tree: an unpacked tree under /tmp would be hidden there, and
    # its mount point would be left in the factory's folder. Such a tree is
    # copied outside /tmp for these steps.
    sandboxed=$work/root
    case $work/ in
    /tmp/*)
        sandboxed=$(mktemp -d /var/tmp/orvane-package-test.XXXXXX)
        trap 'rm -rf "$sandboxed"' EXIT
        cp -a "$work/root/." "$sandboxed/" ;;
    esac
    usr=$sandboxed/usr
    update-mime-database "$usr/share/mime" 2>/dev/null
    printf '#!/bin/sh\nexec %s --ro-bind %s %s "$@"\n' "$real_bwrap" "$sandboxed" "$sandboxed" \
        >"$factory/sandbox/bwrap"
    chmod +x "$factory/sandbox/bwrap"
    # A text, a binary, a compressed and a renamed model of the package.
    cp "$usr/lib/orvane/X-File/city02_01.x" "$factory/files/text.x"
    cp "$usr/lib/orvane/X-File/haguruma.x" "$factory/files/binary.x"
    cp "$usr/lib/orvane/X-File/teapot.x" "$factory/files/compressed.x"
    cp "$usr/lib/orvane/X-File/vorkan.x" "$factory/files/renamed.bin"
    if [ -n "$corpus" ] && [ -d "$corpus" ]; then
        cp "$corpus/assimp-X/test.x" "$factory/files/corpus-text.x"
        cp "$corpus/blitz3d/samples/mak/castle/markio/mariorun.x" "$factory/files/corpus-binary.x"
        cp "$corpus/assimp-X/test_cube_compressed.x" "$factory/files/corpus-compressed.x"
        cp "$corpus/assaultwing/models/snake.X" "$factory/files/corpus-renamed"
    fi
    printf 'xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 4;0,1,2,3;; }\n' >"$factory/files/broken.x"
    printf 'program PING_PROG {\n    version PING_VERS {\n        int PING(void) = 1;\n    } = 1;\n} = 0x20000101;\n' \
        >"$factory/files/ping.x"
    # run_factory [VARIABLE=VALUE...]: the factory on every file, one line each.
    run_factory() {
        rm -f "$factory"/pictures/*
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_RUNTIME_DIR \
            PATH="$factory/sandbox:$usr/bin:$PATH" HOME="$factory/home" XDG_DATA_HOME="$factory/home/share" \
            XDG_DATA_DIRS="$usr/share:/usr/share" "$@" \
            timeout 120 "$factory_python" "$(dirname "$0")/thumbnail_factory.py" "$factory/pictures" \
            "$factory"/files/* 2>"$factory/stderr.txt"
    }
    # One run without XDG_RUNTIME_DIR (a bare start), one with a session's,
    # which names a folder the sandbox does not hold.
    for environment in "XDG_RUNTIME_DIR unset" "XDG_RUNTIME_DIR=/run/user/$(id -u)"; do
        echo "GNOME's thumbnail factory, $environment:"
        if [ "$environment" = "XDG_RUNTIME_DIR unset" ]; then lines=$(run_factory); else lines=$(run_factory "$environment"); fi
        check "  the factory answered for every file" \
            test "$(grep -c . <<<"$lines")" -eq "$(ls "$factory/files" | wc -l)"
        while IFS=$'\t' read -r path type can result left; do
            name=$(basename "$path")
            case $name in
            broken.x | ping.x)
                check "  $name: the factory makes no picture ($result)" test "${result%%:*}" = none
                check "    and its temporary folder is gone ($left)" test "$left" = -
                continue ;;
            esac
            check "  $name: GIO detects model/x-directx (got $type)" test "$type" = model/x-directx
            check "    the factory can thumbnail it" test "$can" = yes
            picture=${result%% *}
            check "    the factory makes a 256×256 picture ($result)" test "${result#* }" = 256x256
            direct=$factory/direct/$name.png
            [ -f "$direct" ] || env -u DISPLAY -u QT_QPA_PLATFORM PATH="$usr/bin:$PATH" \
                orvane --thumbnail "$path" "$direct" 256 2>/dev/null
            differ=$(compare -metric AE "$picture" "$direct" null: 2>&1)
            check "    the picture orvane --thumbnail makes of the file ($differ pixels differ)" test "$differ" = 0
            spread=$(convert "$picture" -colorspace gray -format '%[fx:int(255*standard_deviation)]' info: 2>/dev/null)
            check "    showing something (spread ${spread:-none})" test "${spread:-0}" -gt 8
            check "    and its temporary folder is gone ($left)" test "$left" = -
        done <<<"$lines"
        # What a failed run left, it takes away again.
        for folder in $(cut -f5 <<<"$lines" | tr ' ' '\n' | grep '^/tmp/gnome-desktop-thumbnailer-'); do
            rm -rf "$folder"
        done
        check "  the factory warned of no folder left behind" \
            fails grep -q 'left files in directory' "$factory/stderr.txt"
        grep -v -e '^$' "$factory/stderr.txt" | head -5
    done
fi

[ "$failures" -eq 0 ]
