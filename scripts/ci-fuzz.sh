#!/usr/bin/env bash
# Bounded fuzzing in CI: installs clang with its libFuzzer runtime, builds the
# harnesses in build-fuzz/ and runs each for FUZZ_SECONDS (60) from its
# seeds. Fails when any harness finds a crash, a leak, undefined behaviour,
# a broken invariant or an input slower than 10 seconds; the input is kept
# in build-fuzz/artifacts/TARGET/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh clang libclang-rt-14-dev

seconds=${FUZZ_SECONDS:-60}
start=$(date +%s)
failed=()
for target in lwo tga lws console png jpeg bmp ilbm; do
  echo "== fuzz $target (${seconds}s)"
  bash scripts/fuzz.sh "$target" "$seconds" > "/tmp/ci-fuzz-$target-$$.log" 2>&1 || failed+=("$target")
  grep -E "^#[0-9]+[[:space:]]+DONE|^stat::|^fuzz.sh:" "/tmp/ci-fuzz-$target-$$.log" || true
  if [ ${#failed[@]} -gt 0 ] && [ "${failed[-1]}" = "$target" ]; then
    grep -E -A40 "ERROR|check failed|runtime error" "/tmp/ci-fuzz-$target-$$.log" | head -80 || tail -n 60 "/tmp/ci-fuzz-$target-$$.log"
  fi
  rm -f "/tmp/ci-fuzz-$target-$$.log"
done
echo "ci-fuzz.sh: $(( $(date +%s) - start ))s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "ci-fuzz.sh: findings in: ${failed[*]} (inputs in build-fuzz/artifacts/)" >&2
  exit 1
fi
