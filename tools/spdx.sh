#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tools/spdx.sh: puts the licence line "// SPDX-License-Identifier: GPL-3.0-or-later" (or its "#"
# form) at the top of every source file of the project that lacks it, after a "#!" line where
# there is one. Files that have it are left as they are, so running it again changes nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/build.sh

while read -r mark file; do
    has_spdx_line "$mark" "$file" && continue
    if head -n 1 "$file" | grep -q '^#!'; then
        sed -i "1a $mark $spdx_line" "$file"
    else
        sed -i "1i $mark $spdx_line" "$file"
    fi
    echo "$file"
done < <(spdx_files)
