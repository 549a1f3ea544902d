#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under Wine.
# Prints each program's time and the test code's share of the library's,
# also when a test fails; exits with CTest's status.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
log=build/mingw/Testing/test-output.txt
mkdir -p "$(dirname "$log")"
status=0
ctest --preset mingw "$@" 2>&1 | tee "$log" || status=$?

echo
echo "Time per test program (s):"
sed -n 's/.*Test *#[0-9]*: \([^ ]*\) .* \([0-9.]*\) sec$/\2 \1/p' "$log" |
  sort -rn | awk '{ printf "  %7.1f  %s\n", $1, $2 }'
count() { git ls-files -co --exclude-standard -- "$@" | grep -E '\.(c|cc|cpp|h|hpp|inc)$' |
  xargs -r cat | grep -c -v '^\s*$'; }
code=$(count src include) tests=$(count tests)
echo "Test code: $tests non-blank C/C++ lines in tests/ against $code in src/ + include/" \
  "($(( 100 * tests / code ))%)"
exit $status
