#!/usr/bin/env bash
# Builds the Debian packages in Release into build-package/ (or $BUILD_DIR): kestrum,
# libvantrel<soname> and libvantrel-dev, then shows what dpkg-deb and lintian say of each.
# Exits non-zero when lintian reports an error.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
bash scripts/install-deps.sh scripts/package-packages.txt
# Cache hits across clones in other folders: paths below the tree are hashed relative to it.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
build=${BUILD_DIR:-build-package}
# Debian's hardening and optimisation flags, as a Debian package build would use them.
eval "$(dpkg-buildflags --export=sh)"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB)

status=0
for deb in "$build"/*.deb; do
  echo "=== $(basename "$deb")"
  dpkg-deb --info "$deb"
  dpkg-deb --contents "$deb"
done
echo "=== lintian"
# lintian refuses to run as root unless told; it only reads the packages.
lintian --allow-root --info "$build"/*.deb || status=$?
ls -l "$build"/*.deb
exit "$status"
