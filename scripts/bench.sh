#!/usr/bin/env bash
# Builds the project with the benchmarks (RelWithDebInfo) and runs every
# benchmark program, printing the machine first and then each program's figures.
#   BUILD_DIR   build folder (default: build)
#   BENCH_ARGS  extra arguments for every benchmark program
# The llvmpipe comparison (bench/llvmpipe) needs OSMesa, which only this script
# installs: the program and its tests never use it. It runs with as many
# llvmpipe threads as LP_NUM_THREADS says (0: none besides the caller).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}

bash scripts/install-deps.sh libosmesa6-dev

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_BENCH=ON >/dev/null
# bench/NAME/ builds NAME_bench; the program and its modules come with them.
benches=()
for dir in bench/*/; do
  benches+=("$(basename "$dir")_bench")
done
cmake --build "$build_dir" -j"$(nproc)" --target tessaly tessaly-make-demo "${benches[@]}"

echo "== machine"
lscpu | sed -n 's/^Model name: *//p' | head -1
echo "$(nproc) cores, $(free -g | awk '/^Mem:/ {print $2}') GB memory, $(uname -sr)"
echo "commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown), $(date -u '+%Y-%m-%d %H:%M UTC')"

status=0
for bench in "${benches[@]}"; do
  program="$build_dir/bin/$bench"
  [ -x "$program" ] || { echo; echo "== $bench: not built"; continue; }
  echo
  echo "== $(basename "$program")"
  # shellcheck disable=SC2086
  "$program" ${BENCH_ARGS:-} || status=1
done
exit $status
