#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-install.sh BUILD_DIR VERSION: installs the build into a temporary DESTDIR and checks the
# tree: every file in its place and nothing else, the desktop entry and the AppStream metadata
# valid and pointing at what is installed, the icons at their sizes, README's Markdown and the
# manual pages clean.
set -euo pipefail
build=$1
version=$2
here=$(cd "$(dirname "$0")" && pwd)
id=org.talvortester.talvortester
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

fail() {
    echo "$*" >&2
    exit 1
}
# silent COMMAND...: fails, showing what COMMAND said, unless it succeeds without a word.
silent() {
    local out
    if ! out=$("$@" 2>&1) || [ -n "$out" ]; then
        printf '%s:\n%s\n' "$*" "$out" >&2
        return 1
    fi
}
render() { LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$1" >/dev/null; }

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
cd "$root/usr"
diff -u "$here/files.txt" <(find . -type f -printf '%P\n' | LC_ALL=C sort)

desktop=share/applications/$id.desktop
silent desktop-file-validate "$desktop"
icon=$(sed -n 's/^Icon=//p' "$desktop")
exec=$(sed -n 's/^Exec=//p' "$desktop")
[ -f "share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon is not installed"
[ -x "bin/$exec" ] || fail "Exec=$exec is not installed"

metainfo=share/metainfo/$id.metainfo.xml
if ! appstreamcli validate --no-net --pedantic "$metainfo" >"$root/appstream.txt" \
    || grep -E '^[EWIP]: ' "$root/appstream.txt"; then
    cat "$root/appstream.txt"
    exit 1
fi
grep -q "<release version=\"$version\" date=\"" "$metainfo" \
    || fail "no release $version in $metainfo"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
    || fail "$metainfo does not launch $id.desktop"

for png in share/icons/hicolor/*x*/apps/"$id".png; do
    size=${png#share/icons/hicolor/}
    size=${size%%/*}
    file -b "$png" | grep -q "^PNG image data, ${size/x/ x }," || fail "$png: $(file -b "$png")"
done

# README as a Markdown renderer reads it (cmark): each fenced code block ends in a closing fence.
# An unclosed one would run to the end of the file, turning the rest into code.
readme=$root/README.md
zcat share/doc/talvor-tester/README.md.gz >"$readme"
while read -r first last; do
    sed -n "${first}p" "$readme" | grep -qE '^ {0,3}(```|~~~)' || continue
    sed -n "${last}p" "$readme" | grep -qE '^ {0,3}(```|~~~) *$' \
        || fail "README.md: the code block from line $first on has no closing fence"
done < <(cmark --to xml --sourcepos "$readme" \
    | sed -n 's/.*<code_block sourcepos="\([0-9]*\):[0-9]*-\([0-9]*\):.*/\1 \2/p')

for page in share/man/man1/*.1.gz; do
    silent mandoc -T lint -W warning "$page"
    silent render "$page"
    lexgrog "$page" >/dev/null
done
echo "install tree of $version checked"
