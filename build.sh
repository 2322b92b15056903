#!/usr/bin/env bash
# Orvane's one set-up script for a fresh Debian 12 machine.
#   ./build.sh run    install what is missing, build (Release) and start the viewer
#   ./build.sh test   install what is missing, build and run the whole test suite headless
set -euo pipefail
cd "$(dirname "$0")"

BUILD_DIR=${BUILD_DIR:-build}
PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libqt6opengl6-dev zlib1g-dev
          libgl1-mesa-dri fonts-ipafont-gothic fonts-rocknroll)
TEST_PACKAGES=(libgtest-dev xvfb xauth imagemagick xdotool python3)

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
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
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
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
