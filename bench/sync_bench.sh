#!/usr/bin/env bash
# Login to the end of the synchronisation, for the demo library, the large
# one and one of 100,000 scripts in 10,000 categories, with an empty cache
# and with every file cached; next to it, curl sending the same requests as
# the floor (login, JSON replies, file checks and files six at a time, as the
# client), and the client reading the same library replies into records
# alone (time and peak memory). The server's replies are warm for both.
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

# The same requests as the client, by curl: the login, the JSON replies one
# after another, then the file checks and the files six at a time. Sets
# $floor_login, $floor_json, $floor_checks, $floor_files (ms).
curl_floor() { # base, url list
  local base=$1 urls=$2 config="$work/curl.cfg" token t0 t1 t2 t3 t4
  add() { printf 'url = "%s"\nheader = "authorities: %s"\nheader = "Content-Type: application/json"\noutput = "/dev/null"\n%s\nnext\n' \
            "$base$1" "$token" "${2:+data = \"$2\"}" >> "$config"; }
  t0=$(date +%s%N)
  token=$(curl -s -X POST "$base/tavorine/loginAccount/logInCrm" -d '{"account":"agent","password":"agent123"}' |
    grep -o '"jwtToken":"[0-9a-f]*"' | cut -d'"' -f4)
  t1=$(date +%s%N)
  : > "$config"
  add /tavorine/clientGeneral/checkVersionUpdate
  add /tavorine/clientOperateHabit/getAdsorptionList
  for t in 0 1; do add /tavorine/clientKb/getClassifyTree "{\\\"clientBusinessType\\\":\\\"310\\\",\\\"classifyType\\\":\\\"$t\\\"}"; done
  for t in 0 1; do add /tavorine/clientKb/getClassifyTree "{\\\"clientBusinessType\\\":\\\"320\\\",\\\"classifyType\\\":\\\"$t\\\"}"; done
  add /tavorine/clientKb/queryFile '{}'
  for t in 0 1 2; do add /tavorine/clientKb/querySpeech "{\\\"classifyType\\\":\\\"$t\\\"}"; done
  add /tavorine/clientKb/queryEmoji '{}'
  for t in 0 1; do add /tavorine/clientKb/queryClassify "{\\\"clientBusinessType\\\":\\\"300\\\",\\\"classifyType\\\":\\\"$t\\\"}"; done
  add /tavorine/clientPhrase/list
  sed -i '$ d' "$config" # no "next" after the last request
  curl -s -K "$config"
  t2=$(date +%s%N)
  files() { # path prefix for each file id
    : > "$config"
    while read -r url; do
      printf 'url = "%s"\nheader = "authorities: %s"\noutput = "/dev/null"\nnext\n' "$base$1${url##*fileId=}" "$token" >> "$config"
    done < "$urls"
    sed -i '$ d' "$config"
    curl -s --no-progress-meter --parallel --parallel-max 6 -K "$config"
  }
  files "/tavorine/nas/getNasFileMappingInfo?fileId="
  t3=$(date +%s%N)
  files "/tavorine/nas/downloadFileById?fileId="
  t4=$(date +%s%N)
  floor_login=$(( (t1 - t0) / 1000000 )) floor_json=$(( (t2 - t1) / 1000000 ))
  floor_checks=$(( (t3 - t2) / 1000000 )) floor_files=$(( (t4 - t3) / 1000000 ))
}

client() { # home, arguments...
  local home=$1; shift
  HOME=$home XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$work QT_LOGGING_RULES="*.debug=false" \
    QT_QPA_PLATFORM=offscreen build/bin/sync_bench "$@"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

run() { # label, base
  local label=$1 base=$2 home="$work/home-${1%% *}" line ms
  mkdir -p "$home"
  echo "$label"
  # One client run first, for the list of files (its first synchronisation
  # also creates the attachments category); one curl pass then has the
  # server build and cache every reply, for the client and the floor alike.
  client "$home-warm" "$base" agent agent123 "$work/urls.txt" > /dev/null
  curl_floor "$base" "$work/urls.txt"
  curl_floor "$base" "$work/urls.txt"
  for mode in "empty cache" "all cached"; do
    line=$(client "$home" "$base" agent agent123 "$work/urls.txt")
    ms=$(sed -n 's/^login to main window \([0-9]*\) ms.*/\1/p' <<< "$line")
    printf '  %-12s %s\n' "$mode:" "$line"
    if [[ $mode == "empty cache" ]]; then
      printf '    floor, every request of the client: %d ms (login %d, JSON %d, file checks %d, files %d) -> %sx\n' \
        $((floor_login + floor_json + floor_checks + floor_files)) "$floor_login" "$floor_json" "$floor_checks" "$floor_files" \
        "$(ratio "$ms" $((floor_login + floor_json + floor_checks + floor_files)))"
      printf '    floor, JSON replies and files only: %d ms -> %sx\n' $((floor_json + floor_files)) "$(ratio "$ms" $((floor_json + floor_files)))"
    else
      printf '    floor, every request of the client: %d ms (login %d, JSON %d, file checks %d) -> %sx\n' \
        $((floor_login + floor_json + floor_checks)) "$floor_login" "$floor_json" "$floor_checks" \
        "$(ratio "$ms" $((floor_login + floor_json + floor_checks)))"
      printf '    floor, JSON replies only: %d ms -> %sx\n' "$floor_json" "$(ratio "$ms" "$floor_json")"
    fi
  done
  printf '  %-12s ' "reference:"
  client "$home" "$base" agent agent123 --parse-only
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
