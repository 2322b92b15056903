#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed time,
# seeded from the delivered models and textures of a normal build.
#
#   fuzz/run.sh [SECONDS] [TARGET...]
#
# SECONDS per target (default 60); TARGETs among fuzz_xfile, fuzz_pose,
# fuzz_mszip and fuzz_texture (default all four, one after the other). Environment:
#   ASSET_DIR       folder holding X-File/ and Texture/ (default build/bin)
#   FUZZ_BUILD_DIR  clang build folder (default build-fuzz)
#   FUZZ_WORK_DIR   seeds, the growing corpora and any findings (default
#                   fuzz-work); corpora are kept, so runs continue each other
#   FUZZ_TIMEOUT    seconds one input may take before it counts as a hang
#                   (default 120: an image of the largest accepted size takes
#                   up to a minute in the instrumented build, and libFuzzer
#                   counts wall time, which a busy machine stretches)
# Exits non-zero when a target finds a crash, a hang or a leak; the input is
# left as FUZZ_WORK_DIR/findings/TARGET-crash-* (or -timeout-*, -leak-*, -oom-*).
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_EACH=${1:-60}
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=(fuzz_xfile fuzz_pose fuzz_mszip fuzz_texture)
ASSET_DIR=${ASSET_DIR:-build/bin}
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
WORK_DIR=${FUZZ_WORK_DIR:-fuzz-work}
TIMEOUT=${FUZZ_TIMEOUT:-120}
CORPUS=../shared/xcorpus  # real-world models, when present

for folder in "$ASSET_DIR/X-File" "$ASSET_DIR/Texture"; do
    [ -d "$folder" ] || { echo "fuzz/run.sh: $folder missing; build the program first" >&2; exit 2; }
done

# Only the targets and the code they test are built.
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DORVANE_BUILD_FUZZ=ON -DORVANE_BUILD_TESTS=OFF -DORVANE_BUILD_ASSETS=OFF >/dev/null
fi
cmake --build "$BUILD_DIR" -j "$(nproc)" --target "${TARGETS[@]}"

# The .x files of a folder tree, one a line.
models() { find "$@" -type f -iname '*.x' 2>/dev/null || true; }
# Those of moderate size: bigger ones slow every run down.
small_models() { find "$@" -type f -iname '*.x' -size -200k 2>/dev/null || true; }

seed_xfile() {
    cp "$ASSET_DIR"/X-File/*.x "$1"/
    small_models "$CORPUS" | while read -r file; do
        cp "$file" "$1/corpus-$(md5sum <"$file" | cut -c1-12).x"
    done
}

# Posing reads the same files.
seed_pose() { seed_xfile "$@"; }

seed_mszip() {
    # What follows the 16-byte header of every compressed model.
    { models "$ASSET_DIR/X-File"; small_models "$CORPUS"; } | while read -r file; do
        case "$(head -c 12 "$file" | tail -c 4)" in
        tzip | bzip) tail -c +17 "$file" >"$1/$(md5sum <"$file" | cut -c1-12)" ;;
        esac
    done
}

seed_texture() {
    cp "$ASSET_DIR"/Texture/* "$1"/
    # Every kind of file the loader reads, small and of odd sizes, made from a
    # delivered texture: TGA true colour, with alpha, run-length encoded,
    # grey and colour-mapped; PNG and BMP in their common depths.
    local source="$ASSET_DIR/Texture/1.bmp" small="-resize 13x7!"
    convert "$source" $small -type TrueColor "$1/rgb.tga"
    convert "$source" $small -alpha set -channel A -fx 'i/w' -type TrueColorAlpha "$1/rgba.tga"
    convert "$source" $small -compress RLE "$1/rle.tga"
    convert "$source" $small -alpha set -compress RLE "$1/rle-alpha.tga"
    convert "$source" $small -type Grayscale "$1/grey.tga"
    convert "$source" $small -colors 16 -type Palette "$1/palette.tga"
    convert "$source" $small -colors 16 -type Palette -compress RLE "$1/palette-rle.tga"
    convert "$source" $small "$1/rgb.png"
    convert "$source" $small -alpha set -channel A -fx 'j/h' "$1/rgba.png"
    convert "$source" $small -colors 16 "$1/palette.png"
    convert "$source" $small -interlace PNG "$1/interlaced.png"
    convert "$source" $small -colors 16 -type Palette "BMP3:$1/palette.bmp"
    convert "$source" $small -colors 16 -type Palette -compress RLE "BMP3:$1/palette-rle.bmp"
    convert "$source" $small -alpha set "BMP:$1/rgba.bmp"
    convert "$source" $small -interlace JPEG "$1/progressive.jpg"
    convert "$source" $small -type Grayscale "$1/grey.jpg"
}

status=0
for target in "${TARGETS[@]}"; do
    seeds="$WORK_DIR/seeds/$target" corpus="$WORK_DIR/corpus/$target" findings="$WORK_DIR/findings"
    rm -rf "$seeds"
    mkdir -p "$seeds" "$corpus" "$findings"
    "seed_${target#fuzz_}" "$seeds"
    options=(-max_total_time="$SECONDS_EACH" -timeout="$TIMEOUT" -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$findings/$target-")
    case "$target" in
    fuzz_xfile | fuzz_pose) options+=(-dict=fuzz/xfile/xfile.dict -max_len=200000) ;;
    fuzz_mszip) options+=(-max_len=200000) ;;
    esac
    echo "== $target: ${SECONDS_EACH}s, $(ls "$seeds" | wc -l) seeds, $(ls "$corpus" | wc -l) inputs kept"
    log="$WORK_DIR/$target.log"
    if "$BUILD_DIR/bin/$target" "${options[@]}" "$corpus" "$seeds" >"$log" 2>&1; then
        grep -E '^(#[0-9]+[[:space:]]+(INITED|DONE)|stat::(number_of_executed_units|peak_rss_mb|new_units_added))' "$log"
    else
        tail -n 60 "$log"
        status=1
    fi
done
exit $status
