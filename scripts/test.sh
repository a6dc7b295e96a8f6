#!/usr/bin/env bash
# Installs what the project needs on Debian 12, builds it twice (plain, and with
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs every test of both,
# then the checks that need the whole program (scripts/ci-*.sh, in name order).
# Tests run one at a time: several programs write fixed names in the temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --timeout 900

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTESSALY_SANITIZE=ON -DTESSALY_BENCH=OFF
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure --timeout 1800

for check in scripts/ci-*.sh; do
  [ -e "$check" ] || continue
  echo "== $check"
  bash "$check"
done
