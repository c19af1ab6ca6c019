#!/usr/bin/env bash
# Runs a Windows program under a Wine loader for ctest: scripts/wine-run.sh LOADER PROGRAM [ARGS...].
# Wine starts its helpers (the desktop process above all) from the first program that needs them, and
# they inherit that program's output. ctest reads a test's output to its end, so it would wait for such
# a helper to end as well, seconds after the test, and the next test would start a new helper again.
# The program writes into a file instead, which is shown once the program has ended.
set -u
loader=$1
shift
output=$(mktemp)
"$loader" "$@" > "$output" 2>&1 < /dev/null
code=$?
cat "$output"
rm -f "$output"
exit $code
