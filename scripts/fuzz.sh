#!/usr/bin/env bash
# scripts/fuzz.sh TARGET SECONDS: fuzzes one reader with libFuzzer for SECONDS.
# TARGET is lwo, tga, lws, console, png, jpeg, bmp or ilbm. Builds the harness
# in build-fuzz/ with clang (configuring it on first use), makes the seed
# inputs (fuzz_seeds or, for pictures, fuzz_image_seeds, plus the shared
# corpus), and runs one process, niced, over the corpus kept in
# build-fuzz/corpus/TARGET. Crashing inputs land in build-fuzz/artifacts/TARGET/;
# the output is also kept in build-fuzz/logs/TARGET.log. Fails on a crash.
# FUZZ_ARGS adds libFuzzer options (e.g. FUZZ_ARGS=-seed=1).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 2 ]; then
  echo "usage: scripts/fuzz.sh lwo|tga|lws|console|png|jpeg|bmp|ilbm SECONDS" >&2
  exit 2
fi
target=$1
seconds=$2
case "$target" in
  lwo) max_len=16384 ;;
  tga) max_len=16384 ;;
  lws) max_len=16384 ;;
  console) max_len=1500 ;;  # longer than the interpreter's 1024-byte line copy
  png|bmp|ilbm) max_len=16384 ;;
  jpeg) max_len=32768 ;;
  *) echo "fuzz.sh: unknown target $target (lwo, tga, lws, console, png, jpeg, bmp, ilbm)" >&2; exit 2 ;;
esac
seeder=fuzz_seeds
case "$target" in png|jpeg|bmp|ilbm) seeder=fuzz_image_seeds ;; esac

build=build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTESSALY_FUZZ=ON -DTESSALY_TESTS=OFF -DTESSALY_BENCH=OFF
fi
nice -n 10 cmake --build "$build" -j"$(nproc)" --target "fuzz_$target" "$seeder"

# Seeds, made afresh each run: the writers' files and the shared corpus.
seeds="$build/seeds/$target"
made=$(mktemp -d)
"$build/bin/$seeder" "$made"
rm -rf "$seeds"
mkdir -p "$build/seeds"
mv "$made/$target" "$seeds"
rm -rf "$made"
corpus_dir="${TESSALY_CORPUS_DIR:-../shared/corpus}"
if [ -d "$corpus_dir" ]; then
  case "$target" in
    lwo) find "$corpus_dir" -iname '*.lwo' -exec cp {} "$seeds/" \; ;;
    lws) find "$corpus_dir" -iname '*.lws' -exec cp {} "$seeds/" \; ;;
    tga) find "$corpus_dir" -iname '*.tga' -exec cp {} "$seeds/" \; ;;
    png) find "$corpus_dir" -iname '*.png' -exec cp {} "$seeds/" \; ;;
  esac
fi

corpus="$build/corpus/$target"
artifacts="$build/artifacts/$target"
mkdir -p "$corpus" "$artifacts" "$build/logs"
log="$build/logs/$target.log"
dict=""
[ -f "fuzz/$target.dict" ] && dict="fuzz/$target.dict"
set +e
# shellcheck disable=SC2086
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
nice -n 10 "$build/bin/fuzz_$target" \
  -max_len="$max_len" -rss_limit_mb=2048 -timeout=10 -max_total_time="$seconds" \
  ${dict:+-dict="$dict"} -artifact_prefix="$artifacts/" -print_final_stats=1 \
  ${FUZZ_ARGS:-} "$corpus" "$seeds" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
set -e
echo "fuzz.sh: $target ran ${seconds}s, corpus $(find "$corpus" -type f | wc -l) files, exit $status"
exit "$status"
