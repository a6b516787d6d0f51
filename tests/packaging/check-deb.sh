#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-deb.sh BUILD_DIR VERSION SOURCE_DIR: makes the Debian package from the build into a
# temporary folder and checks its version, contents, Depends, licence and lintian's verdict, and
# the hardening of its programs; then answers --help and --version from the unpacked package,
# starts the program on a virtual X display (Xvfb) and closes its window as a user would.
# Nothing is installed on the machine.
set -euo pipefail
build=$1
version=$2
source=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    exit 1
}
fail() {
    echo "$*" >&2
    exit 1
}

# The revision is the source tree's (debrevision.cmake), the file name the one apt is given.
revision=$(cmake -DSOURCE_DIR="$source" -P "$source/packaging/debrevision.cmake")
deb=$work/talvor-tester_${version}-${revision}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb"), but: $(ls "$work")"
[ "$(dpkg-deb --field "$deb" Version)" = "$version-$revision" ] \
    || fail "Version $(dpkg-deb --field "$deb" Version), expected $version-$revision"

diff -u "$here/files.txt" \
    <(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./usr/||' | LC_ALL=C sort)

# The libraries come from dpkg-shlibdeps; the font and Qt's German texts are named by us.
depends=$(dpkg-deb --field "$deb" Depends)
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 \
    fonts-liberation2 qt6-translations-l10n; do
    [[ ", $depends," == *", $package"[\ ,]* ]] || {
        echo "Depends lacks $package: $depends"
        exit 1
    }
done

# Every tag is shown; errors, warnings and the tags of hardening and stripping fail.
if ! lintian --fail-on error,warning -EvIL +pedantic "$deb" >"$work/lintian.txt" 2>&1 \
    || grep -E '^.: [^ ]+ (hardening-|binary-has-unneeded-section)' "$work/lintian.txt"; then
    cat "$work/lintian.txt"
    exit 1
fi

dpkg-deb --extract "$deb" "$work/root"
root=$work/root

doc=$root/usr/share/doc/talvor-tester
grep -qx 'License: GPL-3+' "$doc/copyright" \
    && grep -q '/usr/share/common-licenses/GPL-3"' "$doc/copyright" \
    || fail "$doc/copyright does not name the GPL, version 3 or later"

# Built as Debian builds: RELRO and BIND_NOW, the stack protector and _FORTIFY_SOURCE (the
# checking variants of the C library's functions), no RUNPATH, no .comment section.
for program in talvor-tester talvor-sim; do
    elf=$root/usr/bin/$program
    readelf -lW "$elf" | grep -q GNU_RELRO || fail "$program: no RELRO"
    readelf -dW "$elf" | grep -qE '\(FLAGS\).*BIND_NOW' || fail "$program: no BIND_NOW"
    ! readelf -dW "$elf" | grep -E '\((RUNPATH|RPATH)\)' || fail "$program: has a RUNPATH"
    symbols=$(readelf --dyn-syms -W "$elf")
    grep -q ' __stack_chk_fail@' <<<"$symbols" || fail "$program: no stack protector"
    grep -qE ' __[a-z]+_chk@' <<<"$symbols" || fail "$program: no fortified function"
    ! readelf -SW "$elf" | grep -F ' .comment ' || fail "$program: has a .comment section"
done

# answers PROGRAM ARGUMENT FIRST_LINE: PROGRAM answers ARGUMENT with FIRST_LINE first and status
# 0, without a display and without a word on standard error.
answers() {
    local out
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$1" "$2" \
        2>"$work/stderr") || fail "$1 $2 ended with status $?"
    [ "${out%%$'\n'*}" = "$3" ] && [ ! -s "$work/stderr" ] \
        || fail "$1 $2 said: $out$(cat "$work/stderr")"
}
answers talvor-tester --version "Talvor-Tester $version"
answers talvor-tester --help "Usage: talvor-tester [/NOPORTLIMIT]"
answers talvor-sim --version "talvor-sim (Talvor-Tester) $version"

mkdir -m 700 "$work/runtime"
Xvfb -displayfd 3 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
DISPLAY=:$(cat "$work/display")
export DISPLAY
(cd "$work" && QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime \
    exec "$root/usr/bin/talvor-tester" 2>"$work/stderr") &
program=$!
# Debian's own Python, which python3-xlib belongs to.
/usr/bin/python3 "$here/closewindow.py" "Talvor-Tester $version" talvor-tester || kill "$program"
status=0
wait "$program" || status=$?
if [ "$status" -ne 0 ] || [ -s "$work/stderr" ]; then
    echo "talvor-tester ended with status $status, saying:"
    cat "$work/stderr"
    exit 1
fi
echo "package $(basename "$deb") checked"
