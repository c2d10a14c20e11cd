#!/usr/bin/env bash
# Installs what is needed, builds Kestrum and starts it. On its first start the program itself
# registers the "Kestrum" data source and creates the database.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
# Cache hits across clones in other folders: paths below the tree are hashed relative to it.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting Kestrum under a virtual X server (xvfb-run)." >&2
  exec xvfb-run -a build/bin/kestrum "$@"
fi
exec build/bin/kestrum "$@"
