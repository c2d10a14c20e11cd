#!/usr/bin/env bash
# Installs what is needed, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# starts a private PostgreSQL server on loopback and runs every test on both engines.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/install-deps.sh
# Cache hits across clones in other folders: paths below the tree are hashed relative to it.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
build=${BUILD_DIR:-build-test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DENABLE_SANITIZERS=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

pgdir=$(mktemp -d /tmp/kestrum-pg.XXXXXX)
cleanup() { bash "$root/scripts/pg-test-server.sh" stop "$pgdir" || true; rm -rf "$pgdir"; }
trap cleanup EXIT
conn=""
for try in 1 2 3 4 5; do
  port=$((40000 + RANDOM % 20000))
  if conn=$(bash scripts/pg-test-server.sh start "$pgdir" "$port"); then break; fi
  conn=""
done
[ -n "$conn" ] || { echo "could not start the test PostgreSQL server" >&2; exit 1; }

export TEST_PG_ODBC="$conn"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/kestrum-xdg.XXXXXX)}
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600
