#!/usr/bin/env bash
# quorvel-server scaled out: 1, 2 and 3 instances on one PostgreSQL with the
# large demo library, behind nginx (deploy/multi-instance.sh), side by side in
# one run. Prints requests per second and p99 of login, the phrase list and
# querySpeech, and each count's ratio to one instance. Then a 50 MiB upload
# and download through the database file store against the directory store:
# times, their ratio, and the server's peak memory (VmHWM) for each.
#   bench/scale_bench.sh [seconds per run, default 8]
set -euo pipefail
cd "$(dirname "$0")/.."
duration=${1:-8}
command -v wrk >/dev/null && command -v nginx >/dev/null || scripts/setup test
[[ -x build/bin/quorvel-server ]] || scripts/build >/dev/null

work=$(mktemp -d /tmp/quorvel-scale.XXXXXX)
chmod 755 "$work"
deploy=deploy/multi-instance.sh
cleanup() {
  [[ -n ${single_pid:-} ]] && kill "$single_pid" 2>/dev/null || true
  for s in "$work"/n*; do [[ -d $s ]] && "$deploy" down "$s" >/dev/null 2>&1 || true; done
  [[ -d $work/pg ]] && "$deploy" down "$work/pg" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# One cluster and one database for every run; the first run seeds it.
"$deploy" up "$work/pg" --instances 1 -- --demo-large >/dev/null
db=$(cat "$work/pg/db")
# Only the cluster stays; each run brings its own instances and nginx.
kill "$(cat "$work/pg/instance1/pid")" "$(cat "$work/pg/nginx/nginx.pid")"; sleep 0.5

login_body='{"account":"agent","password":"agent123"}'
speech_body='{"speechContent":"","speechContentKeywords":"","classifyId":"","deptId":"","classifyType":"0"}'
printf 'wrk.method = "POST"\nwrk.body = [[%s]]\nwrk.headers["Content-Type"] = "application/json"\n' "$login_body" >"$work/login.lua"
printf 'wrk.method = "POST"\nwrk.body = [[%s]]\nwrk.headers["Content-Type"] = "application/json"\n' "$speech_body" >"$work/speech.lua"

measure() { # wrk arguments -> "rps p99": successful replies only (a busy refusal is quick)
  local out requests failed
  out=$(wrk -t2 -c16 -d"${duration}s" --latency "$@" 2>&1)
  requests=$(awk '/requests in/ {print $1}' <<<"$out")
  failed=$(awk '/Non-2xx/ {print $5}' <<<"$out")
  awk -v r="$requests" -v f="${failed:-0}" -v d="$duration" -v p="$(awk '$1 == "99%" {print $2}' <<<"$out")" \
    'BEGIN { printf "%.1f %s\n", (r - f) / d, p }'
}

declare -A rps p99
for n in 1 2 3; do
  "$deploy" up "$work/n$n" --instances "$n" --db "$db" >/dev/null
  base=$(grep QUORVEL_BALANCER "$work/n$n/env" | cut -d= -f2)
  token=$(curl -s -X POST "$base/tavorine/loginAccount/logInCrm" -d "$login_body" |
    grep -o '"jwtToken":"[0-9a-f]*"' | cut -d'"' -f4)
  read -r rps[login$n] p99[login$n] < <(measure -s "$work/login.lua" "$base/tavorine/loginAccount/logInCrm")
  read -r rps[phrases$n] p99[phrases$n] < <(measure -H "authorities: $token" "$base/tavorine/clientPhrase/list")
  read -r rps[speech$n] p99[speech$n] < <(measure -H "authorities: $token" -s "$work/speech.lua" \
    "$base/tavorine/clientKb/querySpeech")
  "$deploy" down "$work/n$n" >/dev/null
done

printf '%-14s %10s %9s %10s %9s %6s %10s %9s %6s\n' request "1: r/s" p99 "2: r/s" p99 ratio "3: r/s" p99 ratio
for what in login phrases speech; do
  printf '%-14s %10s %9s %10s %9s %6s %10s %9s %6s\n' "$what" \
    "${rps[${what}1]}" "${p99[${what}1]}" "${rps[${what}2]}" "${p99[${what}2]}" \
    "$(awk -v a="${rps[${what}2]}" -v b="${rps[${what}1]}" 'BEGIN { printf "%.2f", a / b }')" \
    "${rps[${what}3]}" "${p99[${what}3]}" \
    "$(awk -v a="${rps[${what}3]}" -v b="${rps[${what}1]}" 'BEGIN { printf "%.2f", a / b }')"
done
echo "(this machine has $(nproc) cores: the instances, nginx, PostgreSQL and wrk share them)"

# 50 MiB through one instance, database store against directory store.
head -c $((50 << 20)) /dev/urandom >"$work/big.bin"
want=$(sha256sum <"$work/big.bin" | cut -d' ' -f1)
transfer() { # store -> "upload_s download_s peak_kib"
  local store=$1 log=$work/single-$1.log
  build/bin/quorvel-server --listen 127.0.0.1:0 --data-dir "$work/single-$store" --db "$db" \
    --file-store "$store" --max-connections-per-address 0 >"$log" 2>&1 &
  single_pid=$!
  for _ in $(seq 1 300); do grep -q "listening on" "$log" && break; sleep 0.1; done
  local url tok id up down got
  url=$(grep -o 'http://[0-9.:]*' "$log" | head -n 1)
  tok=$(curl -s -X POST "$url/tavorine/loginAccount/logInCrm" -d "$login_body" |
    grep -o '"jwtToken":"[0-9a-f]*"' | cut -d'"' -f4)
  echo 5 >"/proc/$single_pid/clear_refs" # the login's password hash is not the transfer's peak
  up=$( { /usr/bin/time -f %e curl -s -o "$work/up.json" -H "authorities: $tok" \
    -F "file=@$work/big.bin;filename=big.bin" "$url/tavorine/nas/userUploadFileDirect"; } 2>&1)
  id=$(grep -o '"id":"[0-9]*"' "$work/up.json" | head -n 1 | cut -d'"' -f4)
  down=$( { /usr/bin/time -f %e curl -s -o "$work/down.bin" -H "authorities: $tok" \
    "$url/tavorine/nas/downloadFileById?fileId=$id"; } 2>&1)
  got=$(sha256sum <"$work/down.bin" | cut -d' ' -f1)
  [[ $got == "$want" ]] || echo "the $store store returned other bytes" >&2
  echo "$up $down $(awk '/VmHWM/ {print $2}' "/proc/$single_pid/status")"
  kill "$single_pid"; wait "$single_pid" 2>/dev/null || true; single_pid=""
}
read -r d_up d_down d_peak < <(transfer directory)
read -r b_up b_down b_peak < <(transfer database)
printf '\n%-22s %10s %10s %14s\n' "50 MiB file" "upload s" "download s" "peak memory"
printf '%-22s %10s %10s %11s KiB\n' "directory store" "$d_up" "$d_down" "$d_peak"
printf '%-22s %10s %10s %11s KiB\n' "database store" "$b_up" "$b_down" "$b_peak"
printf '%-22s %10s %10s %14s\n' "database / directory" \
  "$(awk -v a="$b_up" -v b="$d_up" 'BEGIN { printf "%.2f", a / b }')" \
  "$(awk -v a="$b_down" -v b="$d_down" 'BEGIN { printf "%.2f", a / b }')" \
  "$(awk -v a="$b_peak" -v b="$d_peak" 'BEGIN { printf "%.2f", a / b }')"
