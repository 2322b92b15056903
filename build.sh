#!/usr/bin/env bash
# Orvane's one set-up script for a fresh Debian 12 machine.
#   ./build.sh run    install what is missing, build (Release) and start the viewer
#   ./build.sh test   install what is missing, build and run the whole test suite headless
#   ./build.sh format        rewrite every C++ file in the house style (.clang-format)
#   ./build.sh format-check  list the files that differ from it; fails if any do
# ORVANE_WERROR=ON in the environment turns compiler warnings into errors.
set -euo pipefail
cd "$(dirname "$0")"

BUILD_DIR=${BUILD_DIR:-build}
PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libqt6opengl6-dev zlib1g-dev
          libgl1-mesa-dri fonts-ipafont-gothic fonts-rocknroll qt6-translations-l10n)
TEST_PACKAGES=(libgtest-dev xvfb xauth imagemagick xdotool shared-mime-info xdg-utils libglib2.0-bin
               desktop-file-utils dpkg-dev file librsvg2-bin)

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
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_WERROR="${ORVANE_WERROR:-OFF}" "$@"
    cmake --build "$BUILD_DIR" -j "$(nproc)"
}

case "${1:-}" in
run)
    install_missing "${PACKAGES[@]}"
    build -DORVANE_BUILD_TESTS=OFF
    exec "$BUILD_DIR/bin/orvane"
    ;;
test)
    install_missing "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    build -DORVANE_BUILD_TESTS=ON
    export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
    chmod 700 "$XDG_RUNTIME_DIR"
    cd "$BUILD_DIR"
    # One X server for the whole suite; the OpenGL tests draw with Mesa on it.
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j 2 --timeout 600
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
    echo "usage: $0 run|test|format|format-check" >&2
    exit 2
    ;;
esac
