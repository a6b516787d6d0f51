#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# check-revision.sh DEBREVISION_CMAKE: the Debian revisions that debrevision.cmake gives a tree
# without commits, two commits one after the other and a change not yet committed: each later
# one greater, so that apt installs every rebuild as an upgrade.
set -euo pipefail
script=$1
repo=$(mktemp -d)
trap 'rm -rf "$repo"' EXIT

fail() {
    echo "$*" >&2
    exit 1
}
revision() { cmake -DSOURCE_DIR="$repo" -P "$script"; }
# commit TEXT TIME: commits the file "file" holding TEXT, made at TIME.
commit() {
    echo "$1" >"$repo/file"
    git -C "$repo" add file
    GIT_AUTHOR_DATE=$2 GIT_COMMITTER_DATE=$2 git -C "$repo" -c commit.gpgsign=false \
        -c user.name=Test -c user.email=test@example.invalid commit -q -m "$1"
}

git -C "$repo" init -q
revisions=("$(revision)")
commit one 2026-12-08T10:00:00Z
revisions+=("$(revision)")
commit two 2026-12-08T10:00:01Z
revisions+=("$(revision)")
echo three >"$repo/file"
touch -d 2026-12-08T11:30:00Z "$repo/file"
revisions+=("$(revision)")

hash=$(git -C "$repo" rev-parse --short HEAD)
expected=(1 "1+git20261208100000.$(git -C "$repo" rev-parse --short HEAD~)"
    "1+git20261208100001.$hash" "1+git20261208113000.$hash.dirty")
[ "${revisions[*]}" = "${expected[*]}" ] \
    || fail "revisions ${revisions[*]}, expected ${expected[*]}"
for i in 1 2 3; do
    dpkg --compare-versions "1.0.1-${revisions[i - 1]}" lt "1.0.1-${revisions[i]}" \
        || fail "1.0.1-${revisions[i]} is not later than 1.0.1-${revisions[i - 1]}"
done
echo "revisions ${revisions[*]} checked"
