#!/usr/bin/env bash
# End to end on X11: quorvel-server with its demo library, the stand-in chat
# application (WeCom-like) and the client. Log in, switch follow mode on,
# activate the chat window: the main window docks right of its client area
# with the bar below; moving the chat window moves them; a phrase button of
# the bar delivers its phrase, sent, into the chat window. Screenshots go to
# the artifacts folder. Runs inside tests/run_x11.sh.
#   follow_e2e.sh BIN_DIR ARTIFACTS_DIR
set -u
bin=$1
artifacts=$2
mkdir -p "$artifacts"
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-e2e.XXXXXX")
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; import -window root "$artifacts/follow_e2e_failure.png" 2>/dev/null; exit 1; }
wait_for() { # seconds, command...
  local limit=$1; shift
  for _ in $(seq 1 $((limit * 20))); do "$@" && return 0; sleep 0.05; done
  return 1
}
geometry() { eval "$(xdotool getwindowgeometry --shell "$1")"; }

"$bin/quorvel-server" --demo --listen 127.0.0.1:0 --data-dir "$work/server" > "$work/server.log" 2>&1 &
pids+=($!)
wait_for 30 grep -q "listening on" "$work/server.log" || fail "server did not start"
export QUORVEL_BASE_URL=$(grep -o 'http://[0-9.:]*' "$work/server.log" | head -n 1)

"$bin/standin_chat" --kind wecom --log "$work/chat.jsonl" > /dev/null 2>&1 &
pids+=($!)
wait_for 10 grep -q started "$work/chat.jsonl" || fail "stand-in did not start"
chat=$(grep -o '"window":"[0-9]*"' "$work/chat.jsonl" | head -n 1 | grep -o '[0-9]*')
xdotool windowmove "$chat" 60 80

"$bin/quorvel" > "$work/client.log" 2>&1 &
pids+=($!)
wait_for 20 xdotool search --onlyvisible --name '外网版' > /dev/null || fail "no login dialog"
login=$(xdotool search --onlyvisible --name '外网版' | head -n 1)
geometry "$login"
xdotool mousemove $((X + 215)) $((Y + 224)) click 1; sleep 0.2; xdotool type --delay 20 agent
xdotool mousemove $((X + 215)) $((Y + 274)) click 1; sleep 0.2; xdotool type --delay 20 agent123
xdotool mousemove $((X + 215)) $((Y + 324)) click 1
wait_for 30 xdotool search --onlyvisible --name '^Quorvel$' > /dev/null || fail "no main window"
main=$(xdotool search --onlyvisible --name '^Quorvel$' | head -n 1)
sleep 0.5
import -window root "$artifacts/follow_e2e_main_window.png"

geometry "$main"
xdotool mousemove $((X + WIDTH - 140 + 72)) $((Y + 12)) click 1 # the follow button
sleep 0.3
xdotool windowactivate "$chat"
# The client area of the chat window, and where the main window must stand.
docked() {
  local cx cy cw ch
  eval "$(xwininfo -id "$chat" | awk '/Absolute upper-left X/ {print "cx=" $4} /Absolute upper-left Y/ {print "cy=" $4} /Width:/ {print "cw=" $2} /Height:/ {print "ch=" $2}')"
  geometry "$main"
  [ "$X" -eq $((cx + cw)) ] && [ "$Y" -eq "$cy" ]
}
wait_for 5 docked || fail "main window not docked beside the chat window"
import -window root "$artifacts/follow_e2e_docked.png"

xdotool windowmove "$chat" 200 150
wait_for 5 docked || fail "main window did not follow the chat window"
import -window root "$artifacts/follow_e2e_moved.png"

# The first phrase button of the bar (right after the fixed "+" button), just
# under the chat window's client area; phrases come in no fixed order.
eval "$(xwininfo -id "$chat" | awk '/Absolute upper-left X/ {print "cx=" $4} /Absolute upper-left Y/ {print "cy=" $4} /Height:/ {print "ch=" $2}')"
xdotool mousemove $((cx + 200)) $((cy + ch + 18)) click 1
wait_for 5 grep -q '"event":"send"' "$work/chat.jsonl" || fail "no message sent into the chat window"
grep '"event":"send"' "$work/chat.jsonl" | grep -q '"key":"enter"' || fail "the phrase was not sent with Enter"

xdotool windowunmap "$chat"
wait_for 5 sh -c "! xdotool search --onlyvisible --name '^Quorvel\$' > /dev/null" || fail "main window did not hide with the chat window"

# Alt+Z on the hidden window brings it back on top, out of follow mode; again hides it.
xdotool key alt+z
wait_for 5 sh -c "xdotool search --onlyvisible --name '^Quorvel\$' > /dev/null" || fail "Alt+Z did not bring the window back"
xdotool key alt+z
wait_for 5 sh -c "! xdotool search --onlyvisible --name '^Quorvel\$' > /dev/null" || fail "Alt+Z did not hide the window"
echo "PASS: docked, followed, delivered, hid, Alt+Z"
