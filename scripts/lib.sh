# Shared by scripts/test and scripts/demo: install what is missing, configure and build.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${CORVANE_BUILD_DIR:-$ROOT/build}

install_missing_packages() {
    local wanted missing=()
    mapfile -t wanted < <(grep -v '^#' "$ROOT/scripts/packages.txt" | grep -v '^$')
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
}

configure_and_build() {
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$BUILD" -j "$(nproc)"
}
