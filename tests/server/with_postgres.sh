#!/bin/sh
# Runs a command with a private PostgreSQL cluster on a loopback port. The
# command finds the cluster's maintenance database in QUORVEL_TEST_DB and
# creates its own databases there. PostgreSQL refuses to run as root, so as
# root the cluster runs as the "postgres" user.
set -u
bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bindir" ]; then
  echo "with_postgres: PostgreSQL is not installed" >&2
  exit 1
fi
dir=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-pg.XXXXXX") || exit 1
as_pg() { "$@"; }
if [ "$(id -u)" -eq 0 ]; then
  chown postgres "$dir"
  as_pg() { runuser -u postgres -- "$@"; }
fi
cleanup() {
  as_pg "$bindir/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

as_pg "$bindir/initdb" -D "$dir/data" -A trust -U quorvel -E UTF8 --no-locale >"$dir/initdb.log" 2>&1 || {
  cat "$dir/initdb.log" >&2
  exit 1
}
started=""
for attempt in 1 2 3 4 5 6 7 8; do
  port=$(( 20000 + ($$ * 7 + attempt * 7919) % 30000 ))
  if as_pg "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
       -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=200" start >/dev/null 2>&1; then
    started=yes
    break
  fi
done
if [ -z "$started" ]; then
  echo "with_postgres: the cluster did not start" >&2
  cat "$dir/server.log" >&2
  exit 1
fi
export QUORVEL_TEST_DB="postgresql://quorvel@127.0.0.1:$port/postgres"
"$@"
