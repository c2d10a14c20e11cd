#!/usr/bin/env bash
# Starts or stops a throw-away PostgreSQL 15 server for the engine tests.
#   pg-test-server.sh start DIR PORT   -> prints the ODBC connection string
#   pg-test-server.sh stop DIR
# initdb refuses root, so the server runs as the postgres user in a folder it owns.
set -euo pipefail
bin=/usr/lib/postgresql/15/bin
cmd=${1:?start|stop}; dir=${2:?data folder}
as_pg() { if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }
case "$cmd" in
start)
  port=${3:?port}
  mkdir -p "$dir"
  [ "$(id -u)" = 0 ] && chown postgres:postgres "$dir"
  if [ ! -f "$dir/data/PG_VERSION" ]; then
    as_pg "$bin/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
      || { cat "$dir/initdb.log" >&2; exit 1; }
  fi
  as_pg "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
    start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
  echo "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=$port;Database=postgres;Uid=postgres;Pwd=;"
  ;;
stop)
  [ -f "$dir/data/postmaster.pid" ] && as_pg "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null || true
  ;;
*) echo "usage: $0 start DIR PORT | stop DIR" >&2; exit 2 ;;
esac
