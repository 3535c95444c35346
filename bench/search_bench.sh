#!/usr/bin/env bash
# quorvel-server's script search over the large demo library (10,000 scripts
# and more), side by side in one run with the same search as one SQL LIKE
# run directly on the server's SQLite file (bench/search_like_bench, as many
# threads as wrk). Every request carries a new search text, so the server's
# reply cache answers none of them. Two kinds of text: Chinese (a substring
# of keywords and content) and Latin letters (also tried as pinyin and
# initials against every script). Prints requests per second and p99 of
# each, their ratio, the first search's time (it fills the server's text
# cache), the server's own SQL LIKE over HTTP, and its memory (VmRSS, VmHWM).
#   bench/search_bench.sh [seconds per run, default 8] [scripts, default 10000]
set -euo pipefail
cd "$(dirname "$0")/.."
duration=${1:-8}
scripts=${2:-10000}
command -v wrk >/dev/null || scripts/setup test
[[ -x build/bin/quorvel-server && -x build/bin/search_like_bench ]] ||
  cmake --build build --target quorvel-server search_like_bench >/dev/null

work=$(mktemp -d /tmp/quorvel-search.XXXXXX)
cleanup() {
  [[ -n ${server_pid:-} ]] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

build/bin/quorvel-server --demo-large-size "1000:$scripts:10" --listen 127.0.0.1:0 \
  --data-dir "$work/data" --max-connections-per-address 0 >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 1 1200); do grep -q "listening on" "$work/server.log" && break; sleep 0.1; done
base=$(grep -o 'http://[0-9.:]*' "$work/server.log" | head -n 1)
[[ -n $base ]] || { echo "server did not start"; cat "$work/server.log"; exit 1; }
token=$(curl -s -X POST "$base/tavorine/loginAccount/logInCrm" \
  -d '{"account":"admin","password":"admin123"}' | grep -o '"jwtToken":"[0-9a-f]*"' | cut -d'"' -f4)

threads=2
# The same texts as search_like_bench: "批量话术N", or "dingdan" and N in letters.
cat >"$work/search.lua" <<LUA
-- Thread k sends 1000 + k, 1000 + k + threads, ...: no text twice.
local n, step = 0, 1
local pinyin = os.getenv("SEARCH_KIND") == "pinyin"
local in_sql = os.getenv("SEARCH_KIND") == "server-like"
local started = 0
function setup(thread) thread:set("k", started); started = started + 1 end
init = function(args) n = 1000 + k; step = $threads end
local function letters(v)
  local s = ""
  while v > 0 do s = s .. string.char(97 + v % 26); v = math.floor(v / 26) end
  return s
end
request = function()
  n = n + step
  local text = pinyin and ("dingdan" .. letters(n)) or ("批量话术" .. n)
  local content, keywords = "", text
  if in_sql then content, keywords = text, "" end
  local body = '{"speechContent":"' .. content .. '","speechContentKeywords":"' .. keywords ..
    '","classifyId":"","deptId":"","classifyType":"0"}'
  return wrk.format("POST", nil, {["Content-Type"] = "application/json",
    ["authorities"] = "$token"}, body)
end
LUA

measure() { # kind -> "rps p99" (successful replies only)
  local out requests failed
  out=$(SEARCH_KIND=$1 wrk -t$threads -c$threads -d"${duration}s" --latency -s "$work/search.lua" \
    "$base/tavorine/clientKb/querySpeech" 2>&1)
  requests=$(awk '/requests in/ {print $1}' <<<"$out")
  failed=$(awk '/Non-2xx/ {print $5}' <<<"$out")
  awk -v r="$requests" -v f="${failed:-0}" -v d="$duration" -v p="$(awk '$1 == "99%" {print $2}' <<<"$out")" \
    'BEGIN { printf "%.1f %s\n", (r - f) / d, p }'
}

# The first search of each kind fills the server's per-script text cache
# (visible text, then pinyin): every search cost that much before the cache.
first_search() { # text -> seconds
  curl -s -o /dev/null -w '%{time_total}' -X POST "$base/tavorine/clientKb/querySpeech" \
    -H "authorities: $token" -d "{\"speechContentKeywords\":\"$1\",\"classifyType\":\"0\"}"
}
declare -A first
first[chinese]=$(first_search "批量话术0")
first[pinyin]=$(first_search "dingdan")

declare -A rps p99 ref_rps ref_p99
for kind in chinese pinyin; do
  read -r rps[$kind] p99[$kind] < <(measure $kind)
  read -r ref_rps[$kind] ref_p99[$kind] < <(build/bin/search_like_bench "$work/data/quorvel.db" \
    "$duration" $threads $kind)
done
# The server's own LIKE (speechContent, on raw content) over HTTP: the
# same request overhead as the search, the matching done by SQLite.
read -r rps[server-like] p99[server-like] < <(measure server-like)
status=/proc/$server_pid/status

echo "script search over $scripts scripts, $threads connections / threads, ${duration}s each"
printf '%-8s %12s %10s %14s %10s %8s %14s\n' text "server r/s" p99 "SQL LIKE q/s" p99 ratio "first search"
for kind in chinese pinyin; do
  printf '%-8s %12s %10s %14s %10s %8s %13ss\n' "$kind" "${rps[$kind]}" "${p99[$kind]}" \
    "${ref_rps[$kind]}" "${ref_p99[$kind]}" \
    "$(awk -v a="${rps[$kind]}" -v b="${ref_rps[$kind]}" 'BEGIN { printf "%.2f", a / b }')" \
    "${first[$kind]}"
done
printf '%-8s %12s %10s   (querySpeech with speechContent: LIKE inside the server, raw content)\n' \
  "like" "${rps[server-like]}" "${p99[server-like]}"
echo "server memory: $(awk '/VmRSS/ {print $2, $3}' "$status") resident, peak $(awk '/VmHWM/ {print $2, $3}' "$status")"
echo "(this machine has $(nproc) cores: the server, wrk and the reference share them)"
