#!/usr/bin/env bash
# Talvor-Tester: install what is missing, build, and then run the program or the tests.
#   ./setup.sh run [talvor-tester arguments]   build and start the program
#   ./setup.sh test                            build and run every test, then build them again
#                                              with AddressSanitizer and UBSan and run them there
set -euo pipefail
cd "$(dirname "$0")"

source tools/packages.sh

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
    install_missing "${base_packages[@]}"
    build build
    exec build/talvor-tester "$@"
    ;;
test)
    install_missing "${base_packages[@]}"
    build build
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$(nproc)"
    build build-asan -DTALVOR_SANITIZE=ON
    # The same tests once more with AddressSanitizer, LeakSanitizer and UBSan in every binary of
    # ours, the simulator included; the first finding fails its test.
    ASAN_OPTIONS=detect_stack_use_after_return=1 UBSAN_OPTIONS=print_stacktrace=1 \
        QT_QPA_PLATFORM=offscreen ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
    ;;
*)
    echo "usage: $0 run [arguments] | $0 test" >&2
    exit 2
    ;;
esac
