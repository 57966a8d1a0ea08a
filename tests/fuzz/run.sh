#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for a bounded time (all together
# well under a minute). Fails on the first finding; the input that caused it is
# left as crash-* in the build folder.
#   bash tests/fuzz/run.sh [build folder] [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/../.."
out=${1:-build-fuzz}
seconds=${2:-15}
mkdir -p "$out"

launcher=()
command -v ccache >/dev/null && launcher=(ccache)

# Builds and runs one target with the sources it tests.
fuzz() {
  local name=$1
  shift
  "${launcher[@]}" clang++ -std=c++20 -O1 -g -I. -Wall -Wextra -Wpedantic -Werror \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    "tests/fuzz/$name.cpp" "$@" -o "$out/$name"
  mkdir -p "$out/$name.corpus"
  (cd "$out" && "./$name" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    "$name.corpus" >"$name.log" 2>&1) || { tail -n 40 "$out/$name.log"; echo "fuzz: $name found a fault"; exit 1; }
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$name.log")
  echo "fuzz: $name ran $runs inputs in ${seconds} s without a finding"
}
fuzz PropertyFuzz platform/x11/PropertyParsing.cpp support/Utf8.cpp -lxcb
fuzz LogEscapeFuzz support/LogFormat.cpp support/Utf8.cpp -licuuc
