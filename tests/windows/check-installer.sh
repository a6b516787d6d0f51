#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-installer.sh INSTALLER SIMULATOR VERSION DIR: installs Talvor-Tester silently into a new
# Wine prefix in DIR, starts the installed program under Xvfb with COM1 mapped to talvor-sim, and
# drives its window with xdotool at the places of its design: a recording started from the log's
# menu, "Verbinden", "Initialisiere Detektoren", "Sys-Info", the device unplugged, COM 255 (no
# device) chosen and "Verbinden" again, the window closed. What it shows is read from the device's
# side, the recording, the registry and screenshots (kept in DIR). Then it uninstalls silently.
set -euo pipefail
installer=$1
sim=$2
version=$3
dir=$4
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine.sh"
# A failure keeps the screen as it was, to be looked at.
fail() {
    echo "FAIL: $*" >&2
    [ -n "${DISPLAY:-}" ] && import -window root "$dir/failure.png"
    exit 1
}

new_prefix "$dir"
programs="$WINEPREFIX/drive_c/Program Files/Talvor-Tester"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Talvor-Tester.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Talvor-Tester'
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; end_prefix' EXIT

"$sim" >"$dir/sim.txt" 2>"$dir/sim-log.txt" &
pids+=($!)
sim_pid=$!
Xvfb -displayfd 3 -screen 0 1280x1024x24 3>"$dir/display.txt" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$dir/sim.txt" ] && [ -s "$dir/display.txt" ] && break
    sleep 0.1
done
export DISPLAY=:$(head -1 "$dir/display.txt")
map_ports "$(head -1 "$dir/sim.txt")"

# wait_for WHAT COMMAND...: up to 15 s until COMMAND succeeds.
wait_for() {
    local what=$1
    shift
    for _ in $(seq 150); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    fail "$what"
}
sim_got() { grep -q "$1" "$dir/sim-log.txt"; }

wine_run "$installer" /S
[ -f "$programs/talvor-tester.exe" ] || fail "not installed into Program Files"
[ -f "$menu" ] || fail "no Start-menu entry Talvor-Tester"
"$wine" reg query "$uninstall_key" /v UninstallString | grep -q 'uninstall.exe' \
    || fail "no uninstaller registered"

wine_run 'C:\Program Files\Talvor-Tester\talvor-tester.exe' /NOPORTLIMIT &
pids+=($!)
program=$!
window=$(timeout 60 xdotool search --sync --name "^Talvor-Tester $version\$" | head -1)
[ -n "$window" ] || fail "no window \"Talvor-Tester $version\""
sleep 1

# Places in the window's client area: the design's twips / 15.
click() {
    xdotool mousemove --window "$window" "$1" "$2" click "${3:-1}"
    sleep 0.5
}
shot() { import -window "$window" "$dir/$1.png"; }
# pixels NAME COLOUR [GEOMETRY]: how many pixels of that colour (#RRGGBB) the screenshot NAME has
# there.
pixels() {
    convert "$dir/$1.png" ${3:+-crop "$3"} txt:- | grep -c " $2 " || true
}
error_line=700x11+8+490
log_box=860\ 324
com_list=56\ 458
connect=136\ 458
initialise=168\ 480
sys_info=56\ 480

# The log's menu: "Mitschnitt starten..." below "Kopieren" (off: nothing selected), "Alles
# kopieren" and "Alles auswählen"; the file dialog proposes a file in the documents folder.
click $log_box 3
xdotool key Down Down Down Down Return
sleep 3
xdotool key Return
wait_for "no recording started" xdotool search --name "^Talvor-Tester $version - Mitschnitt: "

click $connect
wait_for "\"Verbinden\" did not open COM1" sim_got "device opened"
click $initialise
click $sys_info
wait_for "the device got no 0x20" sim_got "received 0x20"
wait_for "the device got no 0x60" sim_got "received 0x60"
sleep 1
shot table
filled=$(pixels table '#80FF80')
[ "$filled" -gt 10000 ] || fail "the address column is not filled ($filled light green pixels)"
[ "$(pixels table '#000000' $error_line)" -eq 0 ] || fail "an error is shown after connecting"
check_no_real_line

kill "$sim_pid"
sleep 2
shot lost
[ "$(pixels lost '#000000' $error_line)" -gt 0 ] || fail "no error shown after the unplug"
[ "$(pixels lost '#80FF80')" -eq "$filled" ] || fail "the table changed at the unplug"

# COM 255 is the last entry of the list with /NOPORTLIMIT.
click $com_list
xdotool key End Return
sleep 0.5
click $connect
shot missing
[ "$(pixels missing '#000000' $error_line)" -gt 0 ] || fail "no error shown for COM 255"
cmp -s <(convert "$dir/lost.png" -crop $error_line rgb:-) \
    <(convert "$dir/missing.png" -crop $error_line rgb:-) && fail "the error for COM 255 is the old one"
check_no_real_line

name=$(xdotool getwindowname "$window")
/usr/bin/python3 "$here/../packaging/closewindow.py" "$name" talvor-tester.exe
timeout 20 tail --pid="$program" -f /dev/null || fail "the window did not close"

"$wine" reg query 'HKCU\Software\MOXT\MOXT\Port' /v PortNumber | grep -q 'REG_SZ *254' \
    || fail "PortNumber 254 (COM 255) not stored in the registry"
# Wine links the documents folder to HOME, which is the test's own.
recording=$(find "$HOME" -maxdepth 1 -name 'talvor-*.txt' | head -1)
[ -n "$recording" ] || fail "no recording in the documents folder"
for line in "CONNECT COM 1" "TX 20" "TX 60" "RX FC 01 " "RX .*FD " "LOST" "STOP"; do
    grep -q " $line" "$recording" || fail "the recording has no \"$line\""
done
grep -q "CONNECT COM 255" "$recording" && fail "COM 255 opened"
check_no_real_line

wine_run 'C:\Program Files\Talvor-Tester\uninstall.exe' /S
wait_for "not uninstalled" test ! -e "$programs/talvor-tester.exe"
[ ! -e "$menu" ] || fail "the Start-menu entry stays after uninstalling"
"$wine" reg query "$uninstall_key" >/dev/null 2>&1 && fail "the uninstaller stays registered"
echo "installed, driven and uninstalled under Wine; screenshots in $dir"
