#!/usr/bin/env bash
# check-deb.sh BUILD_DIR VERSION: makes the Debian package from the build into a temporary folder
# and checks its contents, its Depends and lintian's verdict; then starts the program from the
# unpacked package on a virtual X display (Xvfb) and closes its window as a user would. Nothing
# is installed on the machine.
set -euo pipefail
build=$1
version=$2
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
deb=$work/talvor-tester_${version}_$(dpkg --print-architecture).deb

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

lintian --fail-on error "$deb" >"$work/lintian.txt" 2>&1 || {
    cat "$work/lintian.txt"
    exit 1
}

dpkg-deb --extract "$deb" "$work/root"
mkdir -m 700 "$work/runtime"
Xvfb -displayfd 3 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || {
    echo "Xvfb did not start"
    exit 1
}
DISPLAY=:$(cat "$work/display")
export DISPLAY
(cd "$work" && QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime \
    exec "$work/root/usr/bin/talvor-tester" 2>"$work/stderr") &
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
