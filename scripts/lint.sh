#!/usr/bin/env bash
# clang-tidy over the product sources (not the tests or benchmarks) with the project's .clang-tidy, using
# the dev build's compile commands. Fails on any warning. Extra arguments name the files to check.
set -euo pipefail
cd "$(dirname "$0")/.."

database=build/dev/compile_commands.json
if [ ! -f "$database" ]; then
    echo "lint: $database is missing; run 'cmake --preset dev' first." >&2
    exit 2
fi
tidy=$(command -v clang-tidy || ls /usr/bin/clang-tidy-* 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$tidy" ]; then
    echo "lint: clang-tidy is not installed (scripts/install-deps.sh lint)." >&2
    exit 2
fi

if [ $# -gt 0 ]; then
    files=("$@")
else
    # The product sources the dev build compiles; the Windows backend is not in a Linux build.
    mapfile -t files < <(git ls-files '*.cpp' | grep -Ev '^(tests|bench)/' |
        while read -r file; do
            grep -q "\"file\": \"$PWD/$file\"" "$database" && echo "$file"
        done)
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
printf '%s\n' "${files[@]}" |
    xargs -P 2 -n 4 "$tidy" -p build/dev --quiet >"$log" 2>/dev/null || true
if grep -E '(warning|error): ' "$log"; then
    echo "lint: $(grep -cE '(warning|error): ' "$log") clang-tidy findings in product code." >&2
    exit 1
fi
echo "lint: ${#files[@]} files clean."
