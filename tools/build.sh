# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that build this project (setup.sh, bench/run.sh, fuzz/run.sh,
# tools/soak.sh): what to install, how to configure and build, and the format and licence-line
# checks.
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

# The licence line of every source file: the first line, or the second after a "#!" line.
spdx_line="SPDX-License-Identifier: GPL-3.0-or-later"

# Prints the project's source files, each after the comment mark its licence line takes: "//"
# for C++, "#" for shell, CMake and Python; data files (the fuzz corpus, file lists, manual
# pages, desktop files) are left out, the copyright file covers them. Only in a git checkout.
spdx_files() {
    local cxx=('*.cpp' '*.h' '*.h.in') hash=('*.sh' '*.py' '*.cmake' '*CMakeLists.txt' '.ci/run')
    git ls-files -- "${cxx[@]}" | sed 's|^|// |'
    git ls-files -- "${hash[@]}" | sed 's|^|# |'
}

# has_spdx_line MARK FILE: whether FILE starts with its licence line.
has_spdx_line() {
    [ "$(head -n 2 "$2" | grep -v '^#!' | head -n 1)" = "$1 $spdx_line" ]
}

# Fails, naming the files, when a source file lacks its licence line (tools/spdx.sh adds it).
check_spdx() {
    local mark file missing=()
    while read -r mark file; do
        has_spdx_line "$mark" "$file" || missing+=("$file")
    done < <(spdx_files)
    [ ${#missing[@]} -eq 0 ] && return 0
    printf 'These files lack the line "%s" at the top (tools/spdx.sh adds it):\n' \
        "$spdx_line" >&2
    printf '  %s\n' "${missing[@]}" >&2
    return 1
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
