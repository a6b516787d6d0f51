# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the tests of the Windows build: a headless Wine prefix of the test's own whose COM1
# points where the test says. Wine maps COM ports to the machine's /dev/ttyS* by itself (COM1 to
# /dev/ttyS0 at first), and those may be real serial lines: nothing is started in a prefix before
# COM1 is mapped explicitly and the links checked, and no Wine process may hold a real line at the
# end. COM 255 is the port without a device: far above the ports that Wine maps by itself.
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
readonly missing_port=255

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# new_prefix DIR: a fresh prefix in DIR (HOME there too, so that Wine links no folder of the
# user's into it), with Debian's Liberation fonts for Windows' metrics.
new_prefix() {
    rm -rf "$1"
    mkdir -p "$1/home"
    export WINEPREFIX=$1/prefix HOME=$1/home
    "$wine" wineboot -i >/dev/null 2>&1 || fail "wineboot failed"
    "$wineserver" -w
    cp /usr/share/fonts/truetype/liberation2/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
}

# map_ports COM1_PATH [COM2_PATH...]: COM1 (COM2, ...) is that path; the server is started anew,
# which makes the links, and they are checked.
map_ports() {
    local number=0 path
    for path in "$@"; do
        case "$path" in
        /dev/pts/*) ;;
        *) fail "no pseudo-terminal to map COM$((number + 1)) to: '$path'" ;;
        esac
        number=$((number + 1))
        "$wine" reg add 'HKLM\Software\Wine\Ports' /v "COM$number" /d "$path" /f >/dev/null
    done
    "$wineserver" -k 2>/dev/null
    "$wineserver" -w
    # Started by hand, so that what the server prints when it is stopped goes into a file.
    "$wineserver" -p5 2>>"$WINEPREFIX/../wineserver.txt"
    "$wine" reg query 'HKLM\Software\Wine\Ports' >/dev/null
    number=0
    for path in "$@"; do
        number=$((number + 1))
        [ "$(readlink "$WINEPREFIX/dosdevices/com$number")" = "$path" ] || fail "COM$number is not $path"
    done
    check_missing_port
}

check_missing_port() {
    [ ! -e "$WINEPREFIX/dosdevices/com$missing_port" ] \
        && [ ! -L "$WINEPREFIX/dosdevices/com$missing_port" ] || fail "COM$missing_port exists"
}

# wine_run PROGRAM [ARGUMENT...]: runs a Windows program in the prefix, once COM1 is mapped.
wine_run() {
    case "$(readlink "$WINEPREFIX/dosdevices/com1")" in
    /dev/pts/*) ;;
    *) fail "COM1 is not mapped to a pseudo-terminal" ;;
    esac
    check_missing_port
    "$wine" "$@"
}

# Fails when a process of this prefix holds a serial line of the machine open.
check_no_real_line() {
    local pid
    for pid in $(grep -lsz "^WINEPREFIX=$WINEPREFIX\$" /proc/[0-9]*/environ | cut -d/ -f3) \
        $(pgrep -x wineserver64); do
        if ls -l "/proc/$pid/fd" 2>/dev/null | grep -E -- '-> /dev/tty(S|USB|ACM)'; then
            fail "process $pid holds a serial line of this machine"
        fi
    done
}

# winpath FILE: the Windows path of a Linux file, through drive Z:.
winpath() {
    local path=Z:$1
    echo "${path//\//\\}"
}

# Ends every process of the prefix and its server.
end_prefix() {
    if [ -n "${WINEPREFIX:-}" ]; then
        "$wineserver" -k 2>/dev/null
        "$wineserver" -w
    fi
    return 0
}
