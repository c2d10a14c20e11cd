#!/usr/bin/env bash
# Builds the tests of the lists counted on the counting thread (query layer and data module, the
# parts and invoice windows, the part finders) and of the backup's worker threads with
# ThreadSanitizer in build-tsan, and runs them on both engines REPEAT times (default 3), two test
# programs at once. Left out: the PostgreSQL backups (pg_dump is started from a worker thread) and
# the backup killed in a child process, since the checker cannot follow a process forked from a
# program with threads and is unreliable in the parent afterwards. Not part of CI, which
# has no time for it. Uses TEST_PG_ODBC when set, else a private PostgreSQL server as
# scripts/test.sh does. Usage: scripts/tsan.sh [REPEAT]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
repeat=${1:-3}
dpkg -s libtsan2 >/dev/null 2>&1 || apt-get install -y --no-install-recommends libtsan2
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
flags="-fsanitize=thread -g -O1"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DENABLE_SANITIZERS=OFF -DBUILD_BENCHMARKS=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread >/dev/null
nice -n 10 cmake --build build-tsan -j"$(nproc)" --target test_data kestrum_records_tests kestrum_invoicing_tests \
  kestrum_backup_tests kestrum_backup_program_tests

if [ -z "${TEST_PG_ODBC:-}" ]; then
  pgdir=$(mktemp -d /tmp/kestrum-pg.XXXXXX)
  trap 'bash scripts/pg-test-server.sh stop "$pgdir" || true; rm -rf "$pgdir"' EXIT
  TEST_PG_ODBC=$(bash scripts/pg-test-server.sh start "$pgdir" $((40000 + RANDOM % 20000)))
  export TEST_PG_ODBC
fi
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/kestrum-xdg.XXXXXX)}
# Any report fails its program (exit code 66) after every report is printed.
export TSAN_OPTIONS="suppressions=$root/tests/tsan.supp halt_on_error=0 second_deadlock_stack=1 history_size=7"

# One test program with a filter, its output in build-tsan/<program>.log.
run() {
  nice -n 10 "build-tsan/bin/$1" --gtest_filter="$2" --gtest_repeat="$repeat" >"build-tsan/$1.log" 2>&1 \
    || { echo "$1: failed or reported, see build-tsan/$1.log" >&2; return 1; }
}
status=0
run test_data '*' & data=$!
run kestrum_records_tests '*Long*:*Closed*' || status=1
wait $data || status=1
run kestrum_invoicing_tests '*Long*:*Finder*:*NameList*' & invoicing=$!
run kestrum_backup_tests '*-*PostgreSQL*:*PgDump*:*Killed*' || status=1
wait $invoicing || status=1
run kestrum_backup_program_tests '*-*PostgreSQL*' || status=1
[ $status = 0 ] && echo "ThreadSanitizer: no reports"
exit $status
