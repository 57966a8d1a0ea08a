#!/usr/bin/env bash
# Sets up the machine, builds Varnic twice and runs every check:
#   build-asan     Debug with ASan and UBSan: every unit, X11 and widget test
#   build-release  the README's install build (Release, no tests): the end-to-end
#                  tests drive its binary, and the Debian package is made of it
# Both builds treat warnings as errors. Then the fuzz targets for a bounded time,
# and the formatting and clang-tidy checks.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh run demo test

# Compositors refuse to run as root, so their tests run as an unprivileged user
# (tests/wayland/as-test-user.sh), who must be able to reach this tree: a clone
# under /root is not reachable until its folders let others pass through.
if [ "$(id -u)" -eq 0 ]; then
  user=${VARNIC_TEST_USER:-varnictest}
  id -u "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
  dir=$PWD
  while [ "$dir" != / ]; do
    if ! runuser -u "$user" -- test -x "$dir"; then
      echo "test: letting $user pass through $dir (o+x)"
      chmod o+x "$dir"
    fi
    dir=$(dirname "$dir")
  done
fi

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARNIC_SANITIZE=ON \
  -DVARNIC_WERROR=ON >/dev/null
cmake --build build-asan
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNIC_BUILD_TESTS=OFF \
  -DVARNIC_WERROR=ON >/dev/null
cmake --build build-release

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j "$(nproc)" --label-exclude e2e
VARNIC_BINARY=$PWD/build-release/app/varnic \
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)" --label-regex e2e
bash tests/package/package.sh build-release
bash tests/fuzz/run.sh build-fuzz 15
bash tools/lint.sh build-asan
