#!/usr/bin/env bash
# quorvel-server under load, side by side with nginx serving the same reply
# bytes as static files on loopback. Prints requests per second and p99
# latency of both, their ratio, and the server's peak memory with the large
# library (10,000 scripts, 1,000 categories, 500 stickers).
#   bench/server_bench.sh [seconds per run, default 10]
set -euo pipefail
cd "$(dirname "$0")/.."
duration=${1:-10}

need=()
for pkg in wrk nginx-light curl; do
  dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null | grep -q installed || need+=("$pkg")
done
if ((${#need[@]})); then
  sudo_cmd=(); [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
scripts/build >/dev/null

work=$(mktemp -d /tmp/quorvel-bench.XXXXXX)
chmod 755 "$work"
cleanup() {
  [[ -n ${server_pid:-} ]] && kill "$server_pid" 2>/dev/null || true
  [[ -f $work/nginx.pid ]] && kill "$(cat "$work/nginx.pid")" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# All load comes from one address.
build/bin/quorvel-server --demo-large --listen 127.0.0.1:0 --max-connections-per-address 0 --data-dir "$work/data" > "$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 1 600); do grep -q "listening on" "$work/server.log" && break; sleep 0.2; done
base=$(grep -o 'http://[0-9.:]*' "$work/server.log" | head -n 1)
token=$(curl -s -X POST "$base/tavorine/loginAccount/logInCrm" -d '{"account":"agent","password":"agent123"}' |
  grep -o '"jwtToken":"[0-9a-f]*"' | cut -d'"' -f4)
speech_body='{"speechContent":"","speechContentKeywords":"","classifyId":"","deptId":"","classifyType":"0"}'

# The same bytes for nginx.
mkdir -p "$work/www"
curl -s -H "authorities: $token" "$base/tavorine/clientPhrase/list" > "$work/www/phrases.json"
curl -s -H "authorities: $token" -X POST -d "$speech_body" "$base/tavorine/clientKb/querySpeech" > "$work/www/speech.json"
head -c 1048576 /dev/urandom > "$work/www/file.bin"
file_id=$(curl -s -H "authorities: $token" -F "file=@$work/www/file.bin;filename=bench.bin" \
  "$base/tavorine/nas/userUploadFileDirect" | grep -o '"id":"[0-9]*"' | head -n 1 | cut -d'"' -f4)
idle_memory=$(awk '/VmRSS/ {print $2, $3}' "/proc/$server_pid/status")
scripts_count=$(grep -o '"speechContentKeywords"' "$work/www/speech.json" | wc -l)

nginx_port=$(( 30000 + $$ % 20000 ))
cat > "$work/nginx.conf" <<CONF
worker_processes 2;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 1024; }
http {
  access_log off;
  default_type application/octet-stream;
  server { listen 127.0.0.1:$nginx_port; root $work/www; }
}
CONF
nginx -c "$work/nginx.conf" -p "$work"
sleep 0.5

cat > "$work/post.lua" <<LUA
wrk.method = "POST"
wrk.body = '$speech_body'
wrk.headers["Content-Type"] = "application/json"
LUA

# wrk's output: "Requests/sec:  1234.56" and "99%  12.34ms".
measure() {
  local out
  out=$(wrk -t2 -c16 -d"${duration}s" --latency "$@" 2>&1)
  local rps p99
  rps=$(awk '/Requests\/sec/ {print $2}' <<<"$out")
  p99=$(awk '$1 == "99%" {print $2}' <<<"$out")
  echo "$rps $p99"
}

printf '%-28s %12s %10s %12s %10s %8s\n' "request" "server r/s" "p99" "nginx r/s" "p99" "ratio"
row() {
  local name=$1; shift
  local server nginx
  server=$(measure "$@")
  nginx=$(measure "http://127.0.0.1:$nginx_port/$NGINX_FILE")
  read -r s_rps s_p99 <<<"$server"
  read -r n_rps n_p99 <<<"$nginx"
  printf '%-28s %12s %10s %12s %10s %8s\n' "$name" "$s_rps" "$s_p99" "$n_rps" "$n_p99" \
    "$(awk -v a="$s_rps" -v b="$n_rps" 'BEGIN { printf "%.3f", a / b }')"
}
NGINX_FILE=phrases.json row "phrase list" -H "authorities: $token" "$base/tavorine/clientPhrase/list"
NGINX_FILE=speech.json row "querySpeech ($scripts_count scripts)" -H "authorities: $token" -s "$work/post.lua" \
  "$base/tavorine/clientKb/querySpeech"
NGINX_FILE=file.bin row "1 MiB download" -H "authorities: $token" \
  "$base/tavorine/nas/downloadFileById?fileId=$file_id"

echo "querySpeech reply: $(wc -c < "$work/www/speech.json") bytes"
echo "server memory after start with the large library (VmRSS): $idle_memory"
echo "server peak memory (VmHWM): $(awk '/VmHWM/ {print $2, $3}' "/proc/$server_pid/status")"
