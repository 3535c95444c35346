#!/usr/bin/env bash
# Several quorvel-server instances on one PostgreSQL behind nginx, on loopback.
#
#   deploy/multi-instance.sh [run] [OPTIONS]       brings everything up, waits for
#                                                   Ctrl-C, then takes it down
#   deploy/multi-instance.sh up STATE [OPTIONS]     brings it up in folder STATE and returns
#   deploy/multi-instance.sh down STATE             stops what "up" started there
#   deploy/multi-instance.sh kill STATE N           kill -9 of instance N (1-based)
#   deploy/multi-instance.sh start STATE N          starts instance N again on its port
#
# OPTIONS: --instances N (2), --db URL (default: a private PostgreSQL cluster in
# STATE/pg), --server PATH (quorvel-server), --port PORT (nginx's; default: a free
# one), and after "--" options for every instance (--demo and --demo-large* go to
# the first start of instance 1 only, which seeds the shared database).
# "up" prints "balancer http://127.0.0.1:PORT" and "instance N http://..." lines and
# writes the same as shell variables to STATE/env.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
log() { echo "multi-instance: $*" >&2; }
die() { log "$*"; exit 1; }

as_pg() { "$@"; }
if [[ $(id -u) -eq 0 ]]; then as_pg() { runuser -u postgres -- "$@"; }; fi

pg_bindir() { ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1; }

find_server() {
  local candidate
  for candidate in "${QUORVEL_SERVER:-}" "$here/../build/bin/quorvel-server" \
                   "$(command -v quorvel-server || true)" /usr/bin/quorvel-server; do
    [[ -n "$candidate" && -x "$candidate" ]] && { echo "$candidate"; return; }
  done
  die "quorvel-server not found (give --server PATH)"
}

start_cluster() {
  local state=$1 bindir port attempt
  bindir=$(pg_bindir)
  [[ -n "$bindir" ]] || die "PostgreSQL is not installed"
  mkdir -p "$state/pg"
  [[ $(id -u) -eq 0 ]] && chown postgres "$state/pg"
  as_pg "$bindir/initdb" -N -D "$state/pg/data" -A trust -U quorvel -E UTF8 --no-locale \
    >"$state/pg/initdb.log" 2>&1 || { cat "$state/pg/initdb.log" >&2; die "initdb failed"; }
  for attempt in 1 2 3 4 5 6 7 8; do
    port=$(( 20000 + (RANDOM * 7 + attempt * 7919) % 30000 ))
    if as_pg "$bindir/pg_ctl" -D "$state/pg/data" -l "$state/pg/server.log" -w -t 30 \
         -o "-p $port -k $state/pg -c listen_addresses=127.0.0.1 -c max_connections=300" \
         start >/dev/null 2>&1; then
      as_pg "$bindir/createdb" -h 127.0.0.1 -p "$port" -U quorvel quorvel
      echo "postgresql://quorvel@127.0.0.1:$port/quorvel"
      return
    fi
  done
  cat "$state/pg/server.log" >&2
  die "the PostgreSQL cluster did not start"
}

# The instance's options without the ones that seed the demo library.
without_seed() {
  local skip="" a
  for a in "$@"; do
    if [[ -n "$skip" ]]; then skip=""; continue; fi
    case "$a" in
      --demo|--demo-large) ;;
      --demo-large-size) skip=yes ;;
      *) printf '%s\n' "$a" ;;
    esac
  done
}

wait_healthy() {
  local url=$1 tries
  for tries in $(seq 1 150); do
    curl -fsS -o /dev/null --max-time 2 "$url/health" 2>/dev/null && return 0
    sleep 0.2
  done
  return 1
}

# start_instance STATE N LISTEN [args...]: starts it detached, prints its URL.
start_instance() {
  local state=$1 n=$2 listen=$3 server url line
  shift 3
  server=$(cat "$state/server")
  mkdir -p "$state/instance$n"
  setsid "$server" --listen "$listen" --data-dir "$state/instance$n" --db "$(cat "$state/db")" \
    --file-store database --client-address-header X-Real-IP --max-connections-per-address 0 \
    "$@" >"$state/instance$n/out.log" 2>"$state/instance$n/server.log" </dev/null &
  echo $! >"$state/instance$n/pid"
  for _ in $(seq 1 600); do
    line=$(grep -m1 -o 'listening on http://[^ ]*' "$state/instance$n/out.log" 2>/dev/null || true)
    if [[ -n "$line" ]]; then
      url=${line#listening on }
      wait_healthy "$url" || die "instance $n does not reach its database"
      echo "${url##*:}" >"$state/instance$n/port"
      echo "$url"
      return
    fi
    kill -0 "$(cat "$state/instance$n/pid")" 2>/dev/null || break
    sleep 0.1
  done
  cat "$state/instance$n/server.log" >&2
  die "instance $n did not start"
}

write_nginx_conf() {
  local state=$1 port=$2 n=$3 i user=""
  [[ $(id -u) -eq 0 ]] && user="user root;"
  mkdir -p "$state/nginx/tmp"
  {
    cat <<CONF
$user
worker_processes 1;
pid $state/nginx/nginx.pid;
error_log $state/nginx/error.log warn;
events { worker_connections 4096; }
http {
  access_log off;
  client_body_temp_path $state/nginx/tmp/body;
  proxy_temp_path $state/nginx/tmp/proxy;
  fastcgi_temp_path $state/nginx/tmp/fastcgi;
  uwsgi_temp_path $state/nginx/tmp/uwsgi;
  scgi_temp_path $state/nginx/tmp/scgi;
  upstream quorvel {
CONF
    for i in $(seq 1 "$n"); do
      # A failed connection or an error reply takes the instance out for 5 s;
      # nginx open source checks passively, on the requests themselves.
      echo "    server 127.0.0.1:$(cat "$state/instance$i/port") max_fails=1 fail_timeout=5s;"
    done
    cat <<CONF
    keepalive 64;
  }
  server {
    listen 127.0.0.1:$port;
    # The instances enforce the upload limit themselves, and the files stream
    # through in both directions instead of into nginx's temporary files.
    client_max_body_size 0;
    proxy_request_buffering off;
    proxy_buffering off;
    proxy_http_version 1.1;
    proxy_set_header Connection "";
    proxy_set_header Host \$http_host;
    proxy_set_header X-Real-IP \$remote_addr;
    proxy_connect_timeout 2s;
    proxy_read_timeout 300s;
    proxy_send_timeout 300s;
    # Another instance is tried when this one cannot be reached or is not
    # healthy. A request that was already sent is retried only when it is
    # idempotent (GET, HEAD): "non_idempotent" is deliberately not listed, so
    # a login, an edit or an upload is never done twice.
    proxy_next_upstream error timeout http_502 http_503 http_504;
    proxy_next_upstream_tries 3;
    location / { proxy_pass http://quorvel; }
  }
}
CONF
  } >"$state/nginx/nginx.conf"
}

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

start_nginx() {
  local state=$1 port=$2 n=$3 attempt
  command -v nginx >/dev/null || [[ -x /usr/sbin/nginx ]] || die "nginx is not installed"
  local nginx_bin
  nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)
  for attempt in 1 2 3 4 5 6 7 8; do
    [[ -n "$port" ]] || port=$(( 20000 + (RANDOM * 13 + attempt * 6007) % 30000 ))
    write_nginx_conf "$state" "$port" "$n"
    if "$nginx_bin" -p "$state/nginx" -c "$state/nginx/nginx.conf" -e "$state/nginx/error.log" \
         2>>"$state/nginx/start.log"; then
      echo "$port" >"$state/nginx/port"
      return
    fi
    port=""
  done
  cat "$state/nginx/start.log" "$state/nginx/error.log" >&2 2>/dev/null || true
  die "nginx did not start"
}

cmd_up() {
  local state=$1 n=2 db="" server="" port="" i url
  shift
  local extra=()
  while (($#)); do
    case "$1" in
      --instances) n=$2; shift 2 ;;
      --db) db=$2; shift 2 ;;
      --server) server=$2; shift 2 ;;
      --port) port=$2; shift 2 ;;
      --) shift; extra=("$@"); break ;;
      *) die "unknown option $1" ;;
    esac
  done
  mkdir -p "$state"
  state=$(cd "$state" && pwd)
  [[ -n "$server" ]] || server=$(find_server)
  echo "$server" >"$state/server"
  [[ -n "$db" ]] || db=$(start_cluster "$state")
  echo "$db" >"$state/db"
  # The balancer's address is fixed before the instances start: the links to
  # the management page they hand out must lead through it.
  [[ -n "$port" ]] || port=$(free_port)
  extra+=(--manage-intranet-url "http://127.0.0.1:$port" --manage-extranet-url "http://127.0.0.1:$port")
  printf '%s\n' "${extra[@]+"${extra[@]}"}" >"$state/args"
  : >"$state/env"
  for i in $(seq 1 "$n"); do
    if ((i == 1)); then
      url=$(start_instance "$state" 1 127.0.0.1:0 "${extra[@]+"${extra[@]}"}")
    else
      mapfile -t rest < <(without_seed "${extra[@]+"${extra[@]}"}")
      url=$(start_instance "$state" "$i" 127.0.0.1:0 "${rest[@]+"${rest[@]}"}")
    fi
    echo "instance $i $url"
    echo "QUORVEL_INSTANCE_$i=$url" >>"$state/env"
  done
  echo "$n" >"$state/instances"
  start_nginx "$state" "$port" "$n"
  url="http://127.0.0.1:$(cat "$state/nginx/port")"
  wait_healthy "$url" || die "nginx does not reach the instances"
  echo "QUORVEL_BALANCER=$url" >>"$state/env"
  echo "balancer $url"
}

cmd_kill() {
  local state=$1 n=$2
  kill -9 "$(cat "$state/instance$n/pid")"
}

cmd_start() {
  local state=$1 n=$2
  mapfile -t rest < <(without_seed $(cat "$state/args"))
  start_instance "$state" "$n" "127.0.0.1:$(cat "$state/instance$n/port")" \
    "${rest[@]+"${rest[@]}"}" >/dev/null
}

stop_pid() {
  local pid=$1 _
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
}

cmd_down() {
  local state=$1 f bindir
  [[ -d "$state" ]] || return 0
  if [[ -f "$state/nginx/nginx.pid" ]]; then stop_pid "$(cat "$state/nginx/nginx.pid")"; fi
  for f in "$state"/instance*/pid; do [[ -f "$f" ]] && stop_pid "$(cat "$f")"; done
  if [[ -d "$state/pg/data" ]]; then
    bindir=$(pg_bindir)
    as_pg "$bindir/pg_ctl" -D "$state/pg/data" -m fast stop >/dev/null 2>&1 || true
  fi
}

cmd_run() {
  local state
  state=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-deploy.XXXXXX")
  chmod 755 "$state"
  trap 'cmd_down "$state"; rm -rf "$state"' EXIT
  trap 'exit 0' INT TERM
  local args=("$@")
  ((${#args[@]})) || args=(--instances 2 -- --demo)
  cmd_up "$state" "${args[@]}"
  log "up; the client logs in at the balancer's address (demo accounts: see $state/instance1/out.log). Ctrl-C stops."
  while sleep 3600; do :; done
}

case "${1:-run}" in
  up) shift; cmd_up "$@" ;;
  down) cmd_down "$2" ;;
  kill) cmd_kill "$2" "$3" ;;
  start) cmd_start "$2" "$3" ;;
  run) shift || true; cmd_run "$@" ;;
  -h|--help) sed -n '2,18p' "$0" ;;
  *) cmd_run "$@" ;;
esac
