#!/usr/bin/env bash
# Checks formatting (clang-format) and the enabled clang-tidy checks on the
# product's sources. Needs a configured build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
sources=$(git ls-files 'app/*.cpp' 'windows/*.cpp' 'permissions/*.cpp' 'views/*.cpp' \
  'platform/*.cpp' 'support/*.cpp')
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "$sources" | xargs -P "$(nproc)" -n 4 clang-tidy -quiet -p "$build"
