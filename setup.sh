#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Talvor-Tester: install what is missing, build, and then run the program or the tests.
#   ./setup.sh run [arguments]          build and start the program with the device simulator
#   ./setup.sh run --real [arguments]   build and start the program for your own device
#   ./setup.sh test                     check the code's format, build and run every test, then
#                                       build them again with AddressSanitizer and UBSan and run
#                                       them there
#   ./setup.sh flaky [CTEST_OPTION...]  build, then run every test (or those that -R names) up to
#                                       20 times in a row until it fails, two at a time, while a
#                                       process per core keeps the machine busy
#   ./setup.sh package                  build the Debian package build/talvor-tester_*.deb
#   ./setup.sh windows                  build the Windows installer and zip in build-windows/
#                                       (tools/windows.sh: where the Qt for Windows comes from)
set -euo pipefail
cd "$(dirname "$0")"

source tools/build.sh
source tools/windows.sh

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

# A test that fails once in twenty runs is a defect: every test 20 times, on a machine whose cores
# a process of ours keeps busy meanwhile.
# The burners are global: the exit trap runs after the function has returned, and must still find
# them, also when the run is interrupted.
burners=()
run_loaded_repeatedly() {
    for _ in $(seq "$(nproc)"); do
        sh -c 'while :; do :; done' &
        burners+=($!)
    done
    trap 'kill "${burners[@]}" 2>/dev/null || true' EXIT
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j2 \
        --repeat until-fail:20 "$@"
}

# The Windows program compiles in the background while the Linux trees build and their tests run,
# on whatever the cores have to spare (configuring, linking one program, tests that wait for the
# simulator), after the packages it and its tests need, which are mostly downloads; test_windows
# then finds it built and only tests it. The script waits for it on every exit, so that no
# compiler is left running.
start_windows_build() {
    mkdir -p build-windows
    (
        qt=$(find_windows_qt)
        [ -n "$qt" ] || exit 0
        install_missing "${windows_test_packages[@]}"
        build_windows "$qt"
    ) >build-windows/background.log 2>&1 &
    windows_build=$!
    trap 'wait' EXIT
}

finish_windows_build() {
    wait "$windows_build" && return 0
    cat build-windows/background.log >&2
    echo "The Windows build failed (output above, also in build-windows/background.log)." >&2
    return 1
}

command=${1:-}
[ $# -gt 0 ] && shift
case "$command" in
run)
    install_missing "${base_packages[@]}"
    build build talvor-tester talvor-sim
    if [ "${1:-}" = "--real" ]; then
        shift
        exec build/talvor-tester "$@"
    fi
    run_demo "$@"
    ;;
test)
    install_missing "${base_packages[@]}" "${package_packages[@]}" "${package_test_packages[@]}" \
        "${report_test_packages[@]}" \
        clang-format
    check_format
    check_spdx
    start_windows_build
    build build
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$(nproc)"
    # Only what the tests need: the package's parts are checked in the plain build.
    build build-asan talvor_tests -- -DTALVOR_SANITIZE=ON
    # The same tests once more with AddressSanitizer, LeakSanitizer and UBSan in every binary of
    # ours, the simulator included; the first finding fails its test.
    ASAN_OPTIONS=detect_stack_use_after_return=1 UBSAN_OPTIONS=print_stacktrace=1 \
        QT_QPA_PLATFORM=offscreen ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
    finish_windows_build
    test_windows
    ;;
flaky)
    install_missing "${base_packages[@]}" "${package_packages[@]}" "${package_test_packages[@]}"
    build build
    run_loaded_repeatedly "$@"
    ;;
windows)
    windows_command
    ;;
package)
    install_missing "${base_packages[@]}" "${package_packages[@]}"
    build_package build
    ;;
*)
    echo "usage: $0 run [--real] [arguments] | $0 test | $0 flaky [ctest options] |" \
        "$0 package | $0 windows" >&2
    exit 2
    ;;
esac
