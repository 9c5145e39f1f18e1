#!/usr/bin/env bash
# Fails when a tracked source file lacks the licence line near its top (within 5 lines):
#   SPDX-License-Identifier: GPL-3.0-or-later
# Checks code, window designs and build files under src/ tests/ bench/ tools/ fuzz/ scripts/,
# the CI scripts and the build files at the top.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=0
while IFS= read -r -d '' file; do
    [ -f "$file" ] || continue  # deleted but not yet committed
    if ! head -n 5 "$file" | grep -q 'SPDX-License-Identifier: GPL-3\.0-or-later'; then
        echo "no SPDX line: $file"
        missing=$((missing + 1))
    fi
done < <(git ls-files -z -- src tests bench tools fuzz scripts .ci CMakeLists.txt data/CMakeLists.txt |
         grep -zE '(\.(c|cc|cpp|h|hpp|sh|py|cmake|ui)|CMakeLists\.txt|^\.ci/run)$')
if [ "$missing" -gt 0 ]; then
    echo "$missing source files lack 'SPDX-License-Identifier: GPL-3.0-or-later'" >&2
    exit 1
fi
echo "every source file carries the SPDX line"
