#!/usr/bin/env bash
# Talvor-Tester: install what is missing, build, and then run the program or the tests.
#   ./setup.sh run [talvor-tester arguments]   build and start the program
#   ./setup.sh test                            build and run every test
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake g++ make qt6-base-dev qt6-serialport-dev libgl-dev fonts-liberation2)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Install them as root, then run this command again:" >&2
        echo "  sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}

command=${1:-}
[ $# -gt 0 ] && shift
case "$command" in
run)
    install_missing
    build build
    exec build/talvor-tester "$@"
    ;;
test)
    install_missing
    build build
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$(nproc)"
    ;;
*)
    echo "usage: $0 run [arguments] | $0 test" >&2
    exit 2
    ;;
esac
