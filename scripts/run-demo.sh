#!/usr/bin/env bash
# Installs what the program needs on Debian 12, builds it (build/, RelWithDebInfo),
# writes the default demo data set into demo/ (once; remove demo/ to write it
# again) and plays it. With a display: full screen with music. Without one: the
# whole demo headless at a fixed 24 frames per second, as fast as the machine
# renders, with progress lines, a screenshot in demo/shots/ at every scene
# change and at the end, a summary line, and the music mixed into
# demo/shots/music.wav. Arguments go to the program.
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
# The program, the libraries it loads at run time and the generator; the tests are not needed to play.
cmake --build build -j"$(nproc)" --target tessaly t7dxraster lwo tga tessaly-make-demo

if [ ! -e demo/.complete ]; then
  rm -rf demo
  build/bin/tessaly-make-demo demo
  touch demo/.complete
fi

if [ -n "$video" ]; then
  echo "Recording the demo headless at 24 frames per second into $video."
  exec build/bin/tessaly --data demo --headless --fixed-fps 24 --progress "$@"
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/tessaly --data demo "$@"
fi
echo "No display: playing the demo headless at 24 frames per second; screenshots and music.wav go to demo/shots/."
exec build/bin/tessaly --data demo --headless --fixed-fps 24 --progress --audio-out "$PWD/demo/shots/music.wav" "$@"
