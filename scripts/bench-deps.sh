#!/usr/bin/env bash
# Installs the benchmark-only peers listed in bench-packages.txt (needs root).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
exec bash "$here/install-deps.sh" "$here/bench-packages.txt"
