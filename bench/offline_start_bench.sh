#!/usr/bin/env bash
# Start-up to the main window from the saved library (server down) against
# the online start with every file already cached, for the large demo
# library (10,000 scripts, or --demo-large-size C:S:T), in one run: three
# starts of each, medians and their ratio, and the saved file's size.
#   bench/offline_start_bench.sh [C:S:T]
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-}
scripts/build >/dev/null
work=$(mktemp -d /tmp/quorvel-offlinebench.XXXXXX)
server_pid=
trap '[[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
export QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_DATA_HOME"

demo=(--demo-large)
[[ -n $size ]] && demo=(--demo-large-size "$size")
build/bin/quorvel-server "${demo[@]}" --listen 127.0.0.1:0 --data-dir "$work/server" > "$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 1 1800); do grep -q "listening on" "$work/server.log" 2>/dev/null && break; sleep 0.2; done
base=$(grep -o 'http://[0-9.:]*' "$work/server.log" | head -n 1)
[[ -n $base ]] || { echo "quorvel-server did not start" >&2; exit 1; }

bench=build/bin/offline_start_bench
[[ -x $bench ]] || bench=build/bench/offline_start_bench
ms() { sed -n 's/.*main window: \([0-9]*\) ms.*/\1/p'; }

# Three starts in a mode: each line on stderr, the median on stdout.
median_of() { # mode
  local line
  for _ in 1 2 3; do
    line=$("$bench" "$1" "$base" agent agent123)
    echo "$line" >&2
    echo "$line" | ms
  done | sort -n | sed -n 2p
}

"$bench" online "$base" agent agent123 > /dev/null # fills the cache and saves the library
on=$(median_of online)
kill "$server_pid"; wait "$server_pid" 2>/dev/null || true; server_pid=
off=$(median_of offline)
echo "median: online (all files cached) $on ms, offline from the saved library $off ms, ratio offline/online $(awk "BEGIN{printf \"%.2f\", $off/$on}")"
ls -l "$XDG_DATA_HOME"/quorvel/offline/*.db | awk '{printf "saved library file: %d bytes\n", $5}'
