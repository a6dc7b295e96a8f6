#!/usr/bin/env bash
# The soak (tests/soak, tessaly_soak): the whole demo three times in a row in
# one process, headless at 4 frames a second, the scenes loaded again with LOAD
# through the console and the demo restarted with F4 between passes, then
# 20,000 walk-mode frames. The heap in use after the first pass must equal the
# heap at the end, and the leak checker must report nothing at exit.
#
# 1. The optimised build (build/) with LeakSanitizer preloaded: its allocator
#    counts the heap exactly, and it checks for leaks at exit. The full soak.
# 2. The sanitizer build (build-sanitize/): a short soak (two passes at one
#    frame a second, 200 walk frames) under AddressSanitizer and
#    UndefinedBehaviorSanitizer, for use after free in the reload paths and
#    leaks. Its heap count grows by about 5.5 kB from pass 1 to pass 2, where
#    the optimised build's count is exact: a memory profile taken after each
#    pass shows five more 1,040-byte blocks of the C library's exit-handler
#    list, grown by the __cxa_atexit that lwo.so's reader registers each time
#    the plug-in is loaded again (its slot is freed when the plug-in is
#    released, but the list does not always reuse it), and the soak's own
#    records (Mark, Span); nothing the program keeps. It is allowed 8 kB.
#
# Times on a 2-core machine: about 4 minutes of CPU for the first, a little
# over 3 for the second.
set -euo pipefail
cd "$(dirname "$0")/.."

for soak in build/bin/tessaly_soak build-sanitize/bin/tessaly_soak; do
  if [ ! -x "$soak" ]; then
    echo "ci-soak: $soak is missing (build and build-sanitize come first)" >&2
    exit 1
  fi
done
lsan=$(gcc -print-file-name=liblsan.so)
if [ ! -e "$lsan" ]; then
  echo "ci-soak: LeakSanitizer's run-time library (liblsan0, installed with g++) is missing" >&2
  exit 1
fi

export SDL_AUDIODRIVER=dummy
start=$SECONDS
echo "ci-soak: full soak, optimised build, LeakSanitizer preloaded"
LD_PRELOAD="$lsan" LSAN_OPTIONS=exitcode=23 build/bin/tessaly_soak --passes 3 --fps 4 --walk-frames 20000
echo "ci-soak: full soak took $((SECONDS - start)) s"

start=$SECONDS
echo "ci-soak: short soak, sanitizer build"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  build-sanitize/bin/tessaly_soak --passes 2 --fps 1 --walk-frames 200 --tolerance 8192
echo "ci-soak: short soak took $((SECONDS - start)) s"
