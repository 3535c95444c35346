#!/usr/bin/env bash
# End to end on X11 with the server down: log in online once (the library is
# saved), quit, stop quorvel-server, start the client again: the login finds
# no server and offers "离线使用"; the main window says it is offline, and a
# script double-clicked on the scripts page is sent into the stand-in chat
# window. Runs inside tests/run_x11.sh.
#   offline_e2e.sh BIN_DIR ARTIFACTS_DIR
set -u
bin=$1
artifacts=$2
name=offline_e2e
. "$(dirname "$0")/e2e_common.sh"

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$XDG_DATA_HOME/quorvel/config"
printf '[kb]\ndbclick=1\n' > "$XDG_DATA_HOME/quorvel/config/settings.cfg"
library_saved() {
  local db
  for db in "$XDG_DATA_HOME"/quorvel/offline/*.db; do
    [ -f "$db" ] && python3 -c 'import sqlite3, sys
row = sqlite3.connect(sys.argv[1]).execute("SELECT value FROM meta WHERE key = ?", ("saved_at",)).fetchone()
sys.exit(0 if row else 1)' "$db" 2>/dev/null && return 0
  done
  return 1
}

start_server
server_pid=${pids[0]}
start_chat wecom 40 60
start_client
client_pid=${pids[-1]}
wait_for 30 library_saved || fail "the library was not saved after the synchronisation"
kill -TERM "$client_pid"
wait_for 10 no_window_titled Quorvel || fail "the client did not quit"
wait "$client_pid" 2>/dev/null
kill "$server_pid"
wait "$server_pid" 2>/dev/null

"$bin/quorvel" > "$work/client2.log" 2>&1 &
pids+=($!)
wait_for 20 xdotool search --onlyvisible --name '外网版' > /dev/null || fail "no login dialog"
login=$(xdotool search --onlyvisible --name '外网版' | head -n 1)
geometry "$login"
xdotool mousemove $((X + 215)) $((Y + 224)) click 1; sleep 0.2; xdotool type --delay 20 agent
xdotool mousemove $((X + 215)) $((Y + 274)) click 1; sleep 0.2; xdotool type --delay 20 agent123
xdotool mousemove $((X + 215)) $((Y + 324)) click 1
# "离线使用" takes the keyboard focus once offered; until then Space only
# logs in again.
for _ in $(seq 1 30); do
  sleep 0.5
  window_titled 'Quorvel（离线）' > /dev/null && break
  xdotool key space
done
wait_for 10 window_titled 'Quorvel（离线）' > /dev/null || fail "no offline main window"
main=$(window_titled 'Quorvel（离线）')
import -window root "$artifacts/${name}_offline.png"

follow_chat
sleep 1
geometry "$main"
xdotool mousemove $((X + 40)) $((Y + ${QUORVEL_E2E_STRIP_Y:-95})) click 1
sleep 0.5
xdotool mousemove $((X + 160)) $((Y + ${QUORVEL_E2E_ROW_Y:-347})) click --repeat 2 --delay 80 1
wait_for 10 grep -q '"event":"send"' "$work/chat.jsonl" || fail "the script was not sent offline"
import -window root "$artifacts/${name}_delivered.png"
echo "PASS: offline login from the saved library, script sent"
