#!/usr/bin/env bash
# Debian 12 packages the build, the tests and the program need, and any further
# packages named as arguments (scripts that need more pass theirs).
set -euo pipefail
packages=(build-essential cmake pkg-config libsdl2-dev libopenmpt-dev
          libpng-dev libjpeg62-turbo-dev  # the picture plug-ins' decoders
          libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev   # --video
          libgtest-dev libgmock-dev libbenchmark-dev
          file   # file: CPack reads the binaries with it for the package dependencies
          xvfb libx11-dev   # the window tests run the program on a virtual X display
          "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -q
  $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
