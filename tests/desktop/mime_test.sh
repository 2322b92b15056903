#!/usr/bin/env bash
# The desktop files: the model/x-directx type compiled with update-mime-database
# into a private database and asked about real files the way a file manager
# asks (xdg-mime on a GNOME session, which uses GIO); the .desktop and
# .thumbnailer entries name that type.
#   mime_test.sh RESOURCE_DIR MODEL_DIR WORK_DIR [CORPUS_DIR]
set -uo pipefail
resources=$1
models=$2
work=$3
corpus=${4:-}
# shellcheck source=../support/check.sh
. "$(dirname "$0")/../support/check.sh"
for tool in update-mime-database xdg-mime gio desktop-file-validate; do
    command -v "$tool" >/dev/null || { echo "SKIP: needs $tool"; exit 0; }
done

rm -rf "$work"
mkdir -p "$work/share/mime/packages" "$work/home" "$work/files"
cp "$resources/orvane-directx.xml" "$work/share/mime/packages/"
# It warns that the folder is not on the search path: these queries put it there.
compile() { update-mime-database "$work/share/mime" 2>"$work/update-mime-database.log"; }
check "update-mime-database compiles the package file" compile
check "the compiled type keeps its Japanese comment" \
    grep -q '<comment xml:lang="ja">DirectX 3D モデル</comment>' "$work/share/mime/model/x-directx.xml"

# The private database first, the system's after it, nothing from $HOME.
filetype() {
    XDG_CURRENT_DESKTOP=GNOME XDG_DATA_HOME="$work/home" XDG_DATA_DIRS="$work/share:/usr/share" \
        xdg-mime query filetype "$1" 2>/dev/null
}
expect() {  # expect FILE TYPE WHY
    local got
    got=$(filetype "$1")
    check "$3: $(basename "$1") is $2 (got ${got:-nothing})" test "$got" = "$2"
}

cp "$models/box.x" "$work/files/box.x"
cp "$models/box.x" "$work/files/box-renamed.bin"
expect "$work/files/box.x" model/x-directx "a delivered model"
expect "$work/files/box-renamed.bin" model/x-directx "by its content alone"
# Binary and compressed models carry the same header.
if [ -n "$corpus" ] && [ -d "$corpus" ]; then
    for model in assimp-X/test_cube_binary.x assimp-X/test_cube_compressed.x assimp-X/Testwuson.X; do
        [ -f "$corpus/$model" ] || continue
        expect "$corpus/$model" model/x-directx "a corpus model"
        name=$(basename "$model")
        cp "$corpus/$model" "$work/files/${name%.*}.dat"
        expect "$work/files/${name%.*}.dat" model/x-directx "renamed, by content"
    done
fi

# An rpcgen interface file shares the extension. With no other type
# claiming *.x the one glob decides and content is never read, so the name
# alone makes it ours (the thumbnailer then fails on it and no thumbnail is
# cached). As soon as a type for it claims *.x too, content decides: the
# header rule keeps models ours and the RPC file goes to the other type.
printf 'program PING_PROG {\n    version PING_VERS {\n        int PING(void) = 1;\n    } = 1;\n} = 0x20000101;\n' \
    > "$work/files/ping.x"
expect "$work/files/ping.x" model/x-directx "the name alone, no other type claiming *.x"
cat > "$work/share/mime/packages/rpc-stand-in.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="text/x-rpcgen">
    <comment>RPC interface</comment>
    <sub-class-of type="text/plain"/>
    <glob pattern="*.x"/>
  </mime-type>
</mime-info>
XML
compile
expect "$work/files/ping.x" text/x-rpcgen "another type claims *.x"
expect "$work/files/box.x" model/x-directx "the header wins over the other type's glob"
rm "$work/share/mime/packages/rpc-stand-in.xml"
compile

# A text file that merely starts like a model keeps its own extension's type.
printf 'xof 0303txt 0032\nnotes\n' > "$work/files/notes.txt"
expect "$work/files/notes.txt" text/plain "a .txt name"

check "desktop-file-validate accepts the desktop entry" desktop-file-validate "$resources/orvane.desktop"
check "the desktop entry opens model/x-directx" grep -qx 'MimeType=model/x-directx;' "$resources/orvane.desktop"
thumbnailer=$resources/orvane.thumbnailer
check "the thumbnailer entry is a [Thumbnailer Entry]" test "$(head -1 "$thumbnailer")" = "[Thumbnailer Entry]"
check "the thumbnailer runs orvane --thumbnail %i %o %s" grep -qx 'Exec=orvane --thumbnail %i %o %s' "$thumbnailer"
check "the thumbnailer serves model/x-directx" grep -qx 'MimeType=model/x-directx;' "$thumbnailer"

[ "$failures" -eq 0 ]
