# Sourced by the scripts that build this project (setup.sh, bench/run.sh, fuzz/run.sh,
# tools/soak.sh): what to install, how to configure and build, and the format check.
source "$(dirname "${BASH_SOURCE[0]}")/packages.sh"

# build DIR [TARGET...] [-- CMAKE_OPTION...]: configure and build the given targets (all when none
# are named). Options given after -- override the defaults, the build type too.
build() {
    local dir=$1
    shift
    local targets=() options=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
        targets+=("$1")
        shift
    done
    [ $# -gt 0 ] && shift && options=("$@")
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
    [ ${#targets[@]} -gt 0 ] && targets=(--target "${targets[@]}")
    cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
}

# Fails, naming the files, when clang-format would change any C++ file of the project.
check_format() {
    local files
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        files=$(git ls-files '*.cpp' '*.h')
    else
        files=$(find src tests tools bench fuzz -name '*.cpp' -o -name '*.h')
    fi
    echo "$files" | xargs clang-format --dry-run --Werror
}

# build_package DIR: builds what the Debian package holds (not the tests) and makes the package,
# the only one in DIR then, so that "apt install ./DIR/talvor-tester_*.deb" picks it.
build_package() {
    local dir=$1
    build "$dir" talvor_package
    rm -f "$dir"/talvor-tester_*.deb
    (cd "$dir" && cpack)
    echo "Install it with: sudo apt install ./$(ls "$dir"/talvor-tester_*.deb)"
}
