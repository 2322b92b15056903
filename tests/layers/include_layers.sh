#!/usr/bin/env bash
# Every #include between the folders of src/ points down the layers:
#
#   app            (uses everything below)
#   ui             the windows and their controls
#   viewer         the scene procedures
#   pose           posing: the scene at a time (std only, reads xfile)
#   render/system  makes either device
#   render/gl  render/ref   the two devices, which never see each other
#   render         records, statuses, math, state both devices share
#   platform  xfile         host services; the .x reader (std + zlib only)
#
# Usage: include_layers.sh SRC_DIR
set -u
src=${1:?usage: include_layers.sh SRC_DIR}

allowed_for() {
    case "$1" in
    xfile) echo "xfile" ;;
    platform) echo "platform" ;;
    render) echo "render platform xfile" ;;
    render/gl) echo "render/gl render platform xfile" ;;
    render/ref) echo "render/ref render platform xfile" ;;
    render/system) echo "render/system render/gl render/ref render platform xfile" ;;
    pose) echo "pose xfile" ;;
    viewer) echo "viewer pose render platform xfile" ;;
    ui) echo "ui viewer pose render platform xfile" ;;
    *) echo "" ;;
    esac
}

# The layer an included path belongs to: the longest known folder prefix.
layer_of() {
    case "$1" in
    render/gl/*) echo render/gl ;;
    render/ref/*) echo render/ref ;;
    render/system/*) echo render/system ;;
    render/*) echo render ;;
    xfile/* | platform/* | pose/* | viewer/* | ui/*) echo "${1%%/*}" ;;
    *) echo "" ;;
    esac
}

bad=0
checked=0
while IFS= read -r file; do
    rel=${file#"$src"/}
    folder=$(dirname "$rel")
    allowed=$(allowed_for "$folder")
    if [ -z "$allowed" ]; then
        echo "FAIL: $rel lies in a folder no layer names ($folder)"
        bad=1
        continue
    fi
    while IFS= read -r included; do
        layer=$(layer_of "$included")
        [ -z "$layer" ] && continue
        checked=$((checked + 1))
        case " $allowed " in
        *" $layer "*) ;;
        *)
            echo "FAIL: $rel includes \"$included\": $folder may not depend on $layer"
            bad=1
            ;;
        esac
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "$src" -name '*.cpp' -o -name '*.h' | sort)

if [ "$bad" -ne 0 ]; then
    exit 1
fi
echo "PASS: $checked includes between layers, all pointing down"
