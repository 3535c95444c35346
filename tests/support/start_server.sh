# start_server: quorvel-server from $bin with the demo library on a free
# loopback port, data in $work/server; exports QUORVEL_BASE_URL for the client
# (Wine hands the environment on to Windows programs too). Needs pids,
# wait_for and fail from the script that sources it.
start_server() {
  "$bin/quorvel-server" --demo --listen 127.0.0.1:0 --data-dir "$work/server" > "$work/server.log" 2>&1 &
  pids+=($!)
  wait_for 30 grep -q "listening on" "$work/server.log" || fail "server did not start"
  export QUORVEL_BASE_URL=$(grep -o 'http://[0-9.:]*' "$work/server.log" | head -n 1)
}
