#!/usr/bin/env bash
# Installs what the program needs on Debian 12, builds it (build/, RelWithDebInfo),
# writes the default demo data set into demo/ (once; remove demo/ to write it
# again) and plays it. With a display: full screen with music. Without one: the
# whole demo headless at a fixed 24 frames per second, as fast as the machine
# renders, with progress lines, a screenshot one second into every scene and at
# the end, a summary line, and the music mixed into music.wav. Arguments go to
# the program.
#
# Each run keeps what it wrote (screenshots, music.wav) in a folder of its own,
# demo/shots/YYYY-MM-DD_HHMMSS/, so no run overwrites an earlier one.
#
# --video FILE (.mkv or .mp4) records the whole demo with its music into FILE,
# headless at a fixed 24 frames per second, display or not; a relative FILE is
# taken from the directory the script was started in.
set -euo pipefail
start_dir=$PWD
cd "$(dirname "$0")/.."

args=()
video=""
while [ $# -gt 0 ]; do
  if [ "$1" = "--video" ] && [ $# -ge 2 ]; then
    video=$2
    case "$video" in /*) ;; *) video="$start_dir/$video" ;; esac
    args+=(--video "$video")
    shift 2
  else
    args+=("$1")
    shift
  fi
done
set -- ${args[@]+"${args[@]}"}

bash scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The program (which brings the modules it loads at run time) and the generator; the tests are not needed to play.
cmake --build build -j"$(nproc)" --target tessaly tessaly-make-demo

if [ ! -e demo/.complete ]; then
  rm -rf demo
  build/bin/tessaly-make-demo demo
  touch demo/.complete
fi

# The program saves its screenshots into demo/shots/; what this run adds there
# is moved into the run's own folder when it ends.
run_dir="demo/shots/$(date +%Y-%m-%d_%H%M%S)"
[ -e "$run_dir" ] && run_dir="${run_dir}_$$"
mkdir -p "$run_dir"
marker=$(mktemp)
collect() {
  find demo/shots -maxdepth 1 -type f -newer "$marker" -exec mv -n -t "$run_dir" {} +
  rm -f "$marker"
  echo "This run's screenshots and music: $run_dir/"
}
trap collect EXIT

if [ -n "$video" ]; then
  echo "Recording the demo headless at 24 frames per second into $video; screenshots go to $run_dir/."
  build/bin/tessaly --data demo --headless --fixed-fps 24 --progress "$@"
elif [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  build/bin/tessaly --data demo "$@"
else
  echo "No display: playing the demo headless at 24 frames per second; screenshots and music.wav go to $run_dir/."
  build/bin/tessaly --data demo --headless --fixed-fps 24 --progress --audio-out "$run_dir/music.wav" "$@"
fi
