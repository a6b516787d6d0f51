#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-component.sh TEST_EXE DIR: runs the Windows serial component's QtTest under Wine in a new
# prefix in DIR, with COM1 to COM6 mapped to echopeer.py's pseudo-terminals.
set -euo pipefail
test=$1
dir=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine.sh"

new_prefix "$dir"
ports=6
/usr/bin/python3 "$here/echopeer.py" $ports >"$dir/peer.txt" &
peer=$!
trap 'kill $peer 2>/dev/null || true; end_prefix' EXIT
for _ in $(seq 50); do
    [ "$(wc -l <"$dir/peer.txt")" -eq $ports ] && break
    sleep 0.1
done
mapfile -t paths <"$dir/peer.txt"
map_ports "${paths[@]}"

# A program started by Wine has no console: QtTest writes into a file.
result=$dir/result.txt
status=0
wine_run "$test" -o "$(winpath "$result"),txt" || status=$?
cat "$result"
check_no_real_line
exit $status
