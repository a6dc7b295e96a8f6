#!/usr/bin/env bash
# End-to-end check of the default demo: generates the data set with build/'s
# tessaly-make-demo, plays the whole demo headless at a fixed 12 frames per
# second with --progress (which saves a screenshot one second into every scene and at
# the end) and an input script that presses F3 (a screenshot) at chosen frames,
# then checks that the program reached the end and exited 0, and compares the
# SHA-256 of every screenshot with tests/demo/frame_hashes.txt.
#
#   bash scripts/ci-demo.sh            check (build/ must be built)
#   bash scripts/ci-demo.sh --update   write the hashes of this run into tests/demo/frame_hashes.txt
# TESSALY_BUILD=DIR uses DIR/bin instead of build/bin; TESSALY_KEEP_SHOTS=1 keeps the run's folder.
#
# The frames are exact software-rendered pixels: the hashes hold for the same
# compiler and flags (build/, RelWithDebInfo, g++ 12 on x86-64, as scripts/test.sh builds).
# On a mismatch the screenshots are kept and their folder is named.
set -euo pipefail
cd "$(dirname "$0")/.."

update=0
[ "${1:-}" = "--update" ] && update=1
bin=${TESSALY_BUILD:-build}/bin
hashes=tests/demo/frame_hashes.txt
fps=12

work=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-ci-demo.XXXXXX")
keep=${TESSALY_KEEP_SHOTS:-0}  # 1 keeps the data set, log and screenshots
cleanup() { [ "$keep" = 1 ] || rm -rf "$work"; }
trap cleanup EXIT

"$bin/tessaly-make-demo" "$work/demo" >/dev/null

# F3 at chosen presented frames (held for one frame): the intro glow, three
# flights of the landscape, the hall.
script="$work/shots.script"
: >"$script"
for frame in $(grep -v '^#' tests/demo/shot_frames.txt); do
  printf '%d key F3 down\n%d key F3 up\n' "$frame" $((frame + 1)) >>"$script"
done

start=$(date +%s)
set +e
"$bin/tessaly" --data "$work/demo" --headless --fixed-fps "$fps" --progress --script "$script" \
  >"$work/run.log" 2>&1
code=$?
set -e
seconds=$(($(date +%s) - start))
grep -E '^(Scene slot|screenshot|summary)' "$work/run.log" || true

fail() { echo "ci-demo: $*"; keep=1; echo "ci-demo: run log and screenshots kept in $work"; exit 1; }
[ "$code" -eq 0 ] || fail "the program exited with $code"
grep -q '^Scene slot 3$' "$work/run.log" || fail "the demo did not reach the end title"
grep -q '^screenshot: .*end_000\.tga$' "$work/run.log" || fail "no end screenshot"
grep -q '^summary: ' "$work/run.log" || fail "no summary line"

actual="$work/hashes.txt"
(cd "$work/demo/shots" && sha256sum -- *.tga | sort -k2) >"$actual"
if [ "$update" = 1 ]; then
  cp "$actual" "$hashes"
  echo "ci-demo: wrote $(wc -l <"$hashes") hashes to $hashes (${seconds} s)"
  exit 0
fi
if ! diff -u "$hashes" "$actual"; then
  fail "screenshots differ from $hashes (regenerate: bash scripts/ci-demo.sh --update)"
fi
echo "ci-demo: the whole demo ran to the end in ${seconds} s; $(wc -l <"$actual") screenshots match"
[ "$keep" = 1 ] && echo "ci-demo: run log and screenshots kept in $work"
exit 0
