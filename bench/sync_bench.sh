#!/usr/bin/env bash
# Login to the end of the synchronisation, for the demo library, the large
# one and one of 100,000 scripts in 10,000 categories, with an empty cache
# and with every file cached; next to it, curl fetching the same JSON replies
# and files (six at a time, as the client) as the floor, and the client
# reading the same library replies into records alone (time and peak memory).
set -euo pipefail
cd "$(dirname "$0")/.."
dpkg-query -W -f='${db:Status-Status}' curl 2>/dev/null | grep -q installed ||
  { [[ $(id -u) -eq 0 ]] && apt-get install -y -qq curl >/dev/null || sudo apt-get install -y -qq curl >/dev/null; }
scripts/build >/dev/null
work=$(mktemp -d /tmp/quorvel-syncbench.XXXXXX)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT

# Sets $base. Not called in a command substitution: the pid must reach the
# exit trap of this shell, not of a subshell.
start_server() { # name, options...
  local name=$1; shift
  build/bin/quorvel-server "$@" --listen 127.0.0.1:0 --data-dir "$work/$name" > "$work/$name.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 1 1800); do grep -q "listening on" "$work/$name.log" 2>/dev/null && break; sleep 0.2; done
  base=$(grep -o 'http://[0-9.:]*' "$work/$name.log" | head -n 1)
  [[ -n $base ]] || { echo "quorvel-server $name did not start" >&2; exit 1; }
}

stop_servers() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null && wait "$p" 2>/dev/null || true; done
  pids=()
}

curl_floor() { # base, token, url list
  local base=$1 token=$2 urls=$3 config="$work/curl.cfg"
  : > "$config"
  add() { printf 'url = "%s"\nheader = "authorities: %s"\nheader = "Content-Type: application/json"\noutput = "/dev/null"\n%s\nnext\n' \
            "$base$1" "$token" "${2:+data = \"$2\"}" >> "$config"; }
  add /tavorine/clientGeneral/checkVersionUpdate
  add /tavorine/clientOperateHabit/getAdsorptionList
  for t in 0 1; do add /tavorine/clientKb/getClassifyTree "{\\\"clientBusinessType\\\":\\\"310\\\",\\\"classifyType\\\":\\\"$t\\\"}"; done
  for t in 0 1; do add /tavorine/clientKb/getClassifyTree "{\\\"clientBusinessType\\\":\\\"320\\\",\\\"classifyType\\\":\\\"$t\\\"}"; done
  add /tavorine/clientKb/queryFile '{}'
  for t in 0 1 2; do add /tavorine/clientKb/querySpeech "{\\\"classifyType\\\":\\\"$t\\\"}"; done
  add /tavorine/clientKb/queryEmoji '{}'
  for t in 0 1; do add /tavorine/clientKb/queryClassify "{\\\"clientBusinessType\\\":\\\"300\\\",\\\"classifyType\\\":\\\"$t\\\"}"; done
  add /tavorine/clientPhrase/list
  local json_start json_end files_end
  sed -i '$ d' "$config" # no "next" after the last request
  json_start=$(date +%s%N)
  curl -s -K "$config"
  json_end=$(date +%s%N)
  : > "$config"
  while read -r url; do
    printf 'url = "%s"\nheader = "authorities: %s"\noutput = "/dev/null"\nnext\n' "$url" "$token" >> "$config"
  done < "$urls"
  sed -i '$ d' "$config"
  curl -s --no-progress-meter --parallel --parallel-max 6 -K "$config"
  files_end=$(date +%s%N)
  echo "  curl floor: JSON replies $(( (json_end - json_start) / 1000000 )) ms, $(wc -l < "$urls") files $(( (files_end - json_end) / 1000000 )) ms"
}

client() { # home, arguments...
  local home=$1; shift
  HOME=$home XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$work QT_LOGGING_RULES="*.debug=false" \
    QT_QPA_PLATFORM=offscreen build/bin/sync_bench "$@"
}

run() { # label, base
  local label=$1 base=$2 home="$work/home-${1%% *}"
  mkdir -p "$home"
  echo "$label"
  for mode in "empty cache" "all cached"; do
    printf '  %-12s ' "$mode:"
    client "$home" "$base" agent agent123 "$work/urls.txt"
  done
  printf '  %-12s ' "reference:"
  client "$home" "$base" agent agent123 --parse-only
  local token
  token=$(curl -s -X POST "$base/tavorine/loginAccount/logInCrm" -d '{"account":"agent","password":"agent123"}' |
    grep -o '"jwtToken":"[0-9a-f]*"' | cut -d'"' -f4)
  curl_floor "$base" "$token" "$work/urls.txt"
}

start_server demo --demo
run "demo library" "$base"
stop_servers
start_server large --demo-large
run "large library (10,000 scripts, 1,000 categories, 500 stickers)" "$base"
stop_servers
start_server huge --demo-large-size 10000:100000:500
run "huge library (100,000 scripts, 10,000 categories, 500 stickers)" "$base"
stop_servers
