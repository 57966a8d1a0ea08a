#!/usr/bin/env bash
# Sets up the machine, builds Varnic twice (plain and with ASan+UBSan) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARNIC_SANITIZE=ON >/dev/null
cmake --build build-asan

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build --output-on-failure -j "$(nproc)"
# The end-to-end tests drive the release binary; the sanitizer build covers the rest.
ctest --test-dir build-asan --output-on-failure -j "$(nproc)" --label-exclude e2e
