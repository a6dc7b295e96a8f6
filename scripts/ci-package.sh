#!/usr/bin/env bash
# Makes the Debian package from build/ (already built by scripts/test.sh),
# installs it, generates the default demo with the installed generator, plays
# it headless for 300 frames with the installed program, and removes the
# package again.
#   BUILD_DIR  build folder (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$(realpath "${BUILD_DIR:-build}")
start=$(date +%s)

sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
export DEBIAN_FRONTEND=noninteractive

work=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-ci-package.XXXXXX")
installed=0
cleanup() {
  if [ "$installed" -eq 1 ]; then
    $sudo_cmd apt-get purge -y -q tessaly >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# The package is made in a folder of its own so no earlier package is picked up.
cmake --build "$build_dir" --target tessaly tessaly-make-demo >/dev/null
(cd "$work" && cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work/package" >/dev/null)
deb=$(ls "$work"/package/tessaly_*.deb)
echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
dpkg-deb --field "$deb" Depends
dpkg-deb --contents "$deb" | grep -q '/usr/share/man/man6/tessaly.6' || { echo "no man page in the package"; exit 1; }
contents=$(dpkg-deb --contents "$deb")
for plugin in tga png jpg jpeg bmp iff lbm; do
  grep -q "/usr/lib/tessaly/$plugin.so\$" <<<"$contents" || { echo "no $plugin.so in the package"; exit 1; }
done

# apt reads the file as its own sandbox user: the folder must be open to it.
chmod 755 "$work" "$work/package"
installed=1
$sudo_cmd apt-get install -y -q "$deb" >/dev/null
echo "installed:"
dpkg -L tessaly | while read -r path; do [ -d "$path" ] || echo "  $path"; done

# The installed program and generator, as any user would run them.
tessaly="$(dpkg -L tessaly | grep '/bin/tessaly$')"
maker="$(dpkg -L tessaly | grep '/bin/tessaly-make-demo$')"
"$tessaly" --help >/dev/null
"$maker" "$work/demo" >/dev/null
(cd "$work" && "$tessaly" --data "$work/demo" --headless --fixed-fps 24 --frames 300 >"$work/run.log" 2>&1) || {
  echo "installed tessaly failed:"; cat "$work/run.log"; exit 1; }

echo "ci-package: installed package played 300 frames; $(( $(date +%s) - start )) s"
