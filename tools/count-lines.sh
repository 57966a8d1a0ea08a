#!/usr/bin/env bash
# How large the tests are beside the code they test: non-blank, non-comment
# lines of the tracked sources under tests/ against all the others, for the
# C++ sources alone and for every language (C++, JavaScript, shell, Python,
# CMake). Usage: count-lines.sh [folder...] counts those folders as well.
set -euo pipefail
cd "$(dirname "$0")/.."
# count PATTERN PATHSPEC...: lines of the matching files that are neither blank
# nor comments (// and /* */ lines in C++ and JavaScript, # lines elsewhere).
count() {
  local pattern=$1
  shift
  git ls-files -- "$@" | grep -E "$pattern" | while read -r file; do
    case $file in
      *.cpp | *.h | *.js) sed -E -e 's@^[[:space:]]*(//|/?\*).*@@' "$file" ;;
      *) sed -E -e 's@^[[:space:]]*#.*@@' "$file" ;;
    esac
  done | sed -E '/^[[:space:]]*$/d' | wc -l
}
cpp='\.(cpp|h)$'
all='\.(cpp|h|js|sh|py|cmake)$|CMakeLists\.txt$'
for kind in cpp all; do
  tests=$(count "${!kind}" tests)
  code=$(count "${!kind}" . ':!tests')
  echo "$kind: tests $tests, code $code: tests are $((100 * tests / code)) % of the code"
done
for folder in "$@"; do echo "  $folder: $(count "$all" "$folder")"; done
