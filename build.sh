#!/usr/bin/env bash
# Orvane's one set-up script for a fresh Debian 12 machine.
#   ./build.sh run    install what is missing, build (Release) and start the viewer
#   ./build.sh test   install what is missing, build and run the whole test suite headless
#   ./build.sh format        rewrite every C++ file in the house style (.clang-format)
#   ./build.sh format-check  list the files that differ from it; fails if any do
# ORVANE_WERROR=ON in the environment turns compiler warnings into errors.
#   ./build.sh sanitize  the suite again under AddressSanitizer, UndefinedBehaviorSanitizer
#                        and leak checking, in build-asan/ (SANITIZE_DIR)
#   ./build.sh fuzz [SECONDS]  each fuzz target for SECONDS (default 60), seeded from
#                        the delivered files of the test build (fuzz/README.md)
set -euo pipefail
cd "$(dirname "$0")"

BUILD_DIR=${BUILD_DIR:-build}
PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libqt6opengl6-dev zlib1g-dev libsquish-dev
          libgl1-mesa-dri fonts-ipafont-gothic fonts-rocknroll qt6-translations-l10n)
TEST_PACKAGES=(libgtest-dev xvfb xauth imagemagick xdotool shared-mime-info xdg-utils libglib2.0-bin
               desktop-file-utils dpkg-dev file librsvg2-bin python3 python3-gi gir1.2-gnomedesktop-3.0
               bubblewrap)
FUZZ_PACKAGES=(clang libclang-rt-14-dev imagemagick)

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_WERROR="${ORVANE_WERROR:-OFF}" "$@"
    cmake --build "$dir" -j "$(nproc)"
}

# Runs the suite built in $1 on one X server; the OpenGL tests draw with Mesa
# on it. Further arguments go to ctest; SUITE_ENV holds variables for the
# tests alone (not for the X server).
SUITE_ENV=()
run_suite() {
    export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
    chmod 700 "$XDG_RUNTIME_DIR"
    local dir=$1
    shift
    (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24" \
        env "${SUITE_ENV[@]}" ctest --output-on-failure -j 2 --timeout 600 "$@")
}

case "${1:-}" in
run)
    install_missing "${PACKAGES[@]}"
    build "$BUILD_DIR" -DORVANE_BUILD_TESTS=OFF
    exec "$BUILD_DIR/bin/orvane"
    ;;
test)
    install_missing "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    build "$BUILD_DIR" -DORVANE_BUILD_TESTS=ON
    run_suite "$BUILD_DIR"
    ;;
sanitize)
    install_missing "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    SANITIZE_DIR=${SANITIZE_DIR:-build-asan}
    # The delivered models and textures are those of the test build, where the
    # generators and their tests run; only the program and its tests are
    # built again.
    if [ ! -d "$BUILD_DIR/bin/X-File" ] || [ ! -d "$BUILD_DIR/bin/Texture" ]; then
        cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release
        cmake --build "$BUILD_DIR" -j "$(nproc)" --target delivered_assets
    fi
    build "$SANITIZE_DIR" -DORVANE_BUILD_TESTS=ON -DORVANE_BUILD_ASSETS=OFF -DORVANE_SANITIZE=address,undefined
    for assets in X-File Texture; do
        rm -rf "${SANITIZE_DIR:?}/bin/$assets"
        ln -s "$(cd "$BUILD_DIR/bin" && pwd)/$assets" "$SANITIZE_DIR/bin/$assets"
    done
    # The first error of any kind ends the test that met it. Leaks that belong
    # to the system's libraries are listed, with reasons, in the suppressions.
    export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:verify_asan_link_order=0
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
    # Mesa unloads its driver when the display closes, and with it the only
    # pointers to what the driver keeps for the life of the process: the leak
    # check would then find that memory unreferenced, allocated in a module no
    # longer known, which no suppression can name. Loaded ahead of the
    # program, the driver stays to the end (hence the link order check off).
    mesa_driver=/usr/lib/$(gcc -print-multiarch)/dri/swrast_dri.so
    if [ -f "$mesa_driver" ]; then SUITE_ENV=("LD_PRELOAD=$mesa_driver"); fi
    # The device parity cases draw every delivered model on both devices
    # through the code the other OpenGL and reference tests cover; they run
    # once, in the test pass (here they would add about 45 s).
    # The package test builds a .deb of the Release tree's kind; it runs there.
    run_suite "$SANITIZE_DIR" -E '^(test_parity|deb_package)$'
    ;;
fuzz)
    install_missing "${PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
    [ -d "$BUILD_DIR/bin/X-File" ] || build "$BUILD_DIR"
    ASSET_DIR=$BUILD_DIR/bin exec fuzz/run.sh "${2:-60}"
    ;;
format | format-check)
    install_missing clang-format-14 git
    mapfile -t sources < <(git ls-files -- '*.cpp' '*.h')
    if [ "$1" = format ]; then
        clang-format-14 -i "${sources[@]}"
    else
        clang-format-14 --dry-run -Werror "${sources[@]}"
        echo "format-check: ${#sources[@]} files in the house style"
    fi
    ;;
*)
    echo "usage: $0 run|test|sanitize|fuzz [SECONDS]|format|format-check" >&2
    exit 2
    ;;
esac
