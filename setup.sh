#!/usr/bin/env bash
# Talvor-Tester: install what is missing, build, and then run the program or the tests.
#   ./setup.sh run [arguments]          build and start the program with the device simulator
#   ./setup.sh run --real [arguments]   build and start the program for your own device
#   ./setup.sh test                     build and run every test
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

# build DIR [TARGET...]: configure and build the given targets (all when none are named).
build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
}

# The tester and the device simulator together, "COM 1" pointing at the simulator through a
# settings folder of the demo's own (never the user's settings). Closing the window ends both.
run_demo() {
    local config=$PWD/build/demo-config
    local link=$config/talvor-sim-device
    mkdir -p "$config/MOXT"
    rm -f "$link"
    build/talvor-sim --quiet --link "$link" >/dev/null &
    local sim=$!
    trap "kill $sim 2>/dev/null; wait $sim 2>/dev/null" EXIT
    for _ in $(seq 50); do
        [ -e "$link" ] && break
        sleep 0.1
    done
    printf '[Devices]\nCOM1=%s\n\n[Port]\nPortNumber=0\n' "$link" >"$config/MOXT/MOXT.conf"
    echo "Demo: COM 1 is the device simulator. Click \"Verbinden\", then \"Initialisiere Detektoren\"."
    echo "For a real device: ./setup.sh run --real"
    XDG_CONFIG_HOME=$config build/talvor-tester "$@"
}

command=${1:-}
[ $# -gt 0 ] && shift
case "$command" in
run)
    install_missing
    build build talvor-tester talvor-sim
    if [ "${1:-}" = "--real" ]; then
        shift
        exec build/talvor-tester "$@"
    fi
    run_demo "$@"
    ;;
test)
    install_missing
    build build
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$(nproc)"
    ;;
*)
    echo "usage: $0 run [--real] [arguments] | $0 test" >&2
    exit 2
    ;;
esac
