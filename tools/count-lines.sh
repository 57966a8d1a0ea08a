#!/usr/bin/env bash
# How large the tests are beside the code they test: non-blank, non-comment
# lines of the tracked sources (C++, shell, Python, JavaScript, CMake) under
# tests/ against all the others. Usage: count-lines.sh [folder...] counts those
# folders of tests/ alone as well.
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
  git ls-files -- "$@" | grep -E '\.(cpp|h|sh|py|js|cmake)$|CMakeLists\.txt$' |
    xargs -r sed -E -e 's@^[[:space:]]*(//|#|/?\*).*@@' -e '/^[[:space:]]*$/d' | wc -l
}
tests=$(count tests)
code=$(count . ':!tests')
echo "tests $tests, code $code: tests are $((100 * tests / code)) % of the code," \
  "$((100 * tests / (tests + code))) % of all lines"
for folder in "$@"; do echo "  $folder: $(count "$folder")"; done
