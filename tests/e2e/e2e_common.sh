# Shared by the end-to-end scripts: a work folder torn down on exit, waiting,
# failing with a screenshot, and starting server, stand-in and client up to
# the main window. Set bin, artifacts and name before sourcing.
mkdir -p "$artifacts"
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-e2e.XXXXXX")
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; import -window root "$artifacts/${name}_failure.png" 2>/dev/null; exit 1; }
wait_for() { # seconds, command...
  local limit=$1; shift
  for _ in $(seq 1 $((limit * 20))); do "$@" && return 0; sleep 0.05; done
  return 1
}
geometry() { eval "$(xdotool getwindowgeometry --shell "$1")"; }
# window_titled TITLE: prints the first visible window whose title is exactly
# TITLE. xdotool's name search ignores case, so "^Quorvel$" alone also finds
# the synchronisation dialog, which carries the program name "quorvel".
window_titled() {
  local id
  for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && { echo "$id"; return 0; }
  done
  return 1
}
no_window_titled() { ! window_titled "$1" > /dev/null; }

. "$(dirname "${BASH_SOURCE[0]}")/../support/start_server.sh"

# start_chat KIND X Y: sets chat to the stand-in's window id.
start_chat() {
  "$bin/standin_chat" --kind "$1" --log "$work/chat.jsonl" > /dev/null 2>&1 &
  pids+=($!)
  wait_for 10 grep -q started "$work/chat.jsonl" || fail "stand-in did not start"
  chat=$(grep -o '"window":"[0-9]*"' "$work/chat.jsonl" | head -n 1 | grep -o '[0-9]*')
  xdotool windowmove "$chat" "$2" "$3"
}

# Logs in as agent; sets main to the main window's id.
start_client() {
  "$bin/quorvel" > "$work/client.log" 2>&1 &
  pids+=($!)
  wait_for 20 xdotool search --onlyvisible --name '外网版' > /dev/null || fail "no login dialog"
  local login
  login=$(xdotool search --onlyvisible --name '外网版' | head -n 1)
  geometry "$login"
  xdotool mousemove $((X + 215)) $((Y + 224)) click 1; sleep 0.2; xdotool type --delay 20 agent
  xdotool mousemove $((X + 215)) $((Y + 274)) click 1; sleep 0.2; xdotool type --delay 20 agent123
  xdotool mousemove $((X + 215)) $((Y + 324)) click 1
  wait_for 30 window_titled Quorvel > /dev/null || fail "no main window"
  main=$(window_titled Quorvel)
  sleep 0.5
}

# The follow button of the main window's toolbar, then the chat window active.
follow_chat() {
  geometry "$main"
  xdotool mousemove $((X + WIDTH - 140 + 72)) $((Y + 12)) click 1
  sleep 0.3
  xdotool windowactivate "$chat"
}
