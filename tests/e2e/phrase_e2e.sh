#!/usr/bin/env bash
# End to end on X11: a new phrase made in the phrase manager reaches the chat
# window from the bar. The agent starts without phrases; log in, dock beside
# the stand-in chat window, open the manager with the bar's "+", add a
# phrase, close the manager, click the phrase button the bar then shows: the
# phrase arrives, sent, in the chat window. Runs inside tests/run_x11.sh.
#   phrase_e2e.sh BIN_DIR ARTIFACTS_DIR
set -u
bin=$1
artifacts=$2
name=phrase_e2e
. "$(dirname "$0")/e2e_common.sh"

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
start_server

# The agent's demo phrases go, so the new one is the bar's only phrase button.
api() { # METHOD PATH [BODY]
  curl -fsS -X "$1" -H 'Content-Type: application/json' -H "authorities: ${token:-}" \
    ${3:+--data "$3"} "$QUORVEL_BASE_URL/tavorine/$2"
}
token=$(api POST loginAccount/logInCrm '{"account":"agent","password":"agent123"}' |
  grep -o '"jwtToken":"[^"]*"' | cut -d'"' -f4)
[ -n "$token" ] || fail "no token for agent"
for id in $(api GET clientPhrase/list | grep -o '"id":"[0-9]*"' | grep -o '[0-9]*'); do
  api GET "clientPhrase/del?id=$id" > /dev/null || fail "phrase $id not deleted"
done
api GET clientPhrase/list | grep -q '"data":\[\]' || fail "the agent still has phrases"

start_chat wecom 60 80
start_client
follow_chat
chat_area() {
  eval "$(xwininfo -id "$chat" | awk '/Absolute upper-left X/ {print "cx=" $4} /Absolute upper-left Y/ {print "cy=" $4} /Width:/ {print "cw=" $2} /Height:/ {print "ch=" $2}')"
}
docked() { chat_area; geometry "$main"; [ "$X" -eq $((cx + cw)) ] && [ "$Y" -eq "$cy" ]; }
wait_for 5 docked || fail "main window not docked beside the chat window"
sleep 0.5

# The bar's "+" (after the caption and "隐藏"), just under the client area.
xdotool mousemove $((cx + ${QUORVEL_E2E_PLUS_X:-150})) $((cy + ch + 18)) click 1
wait_for 10 window_titled 短语管理 > /dev/null || fail "no phrase manager"
manager=$(window_titled 短语管理)
sleep 0.5
geometry "$manager"
phrase='on my way now'
# The input line under the title bar, then "添加短语" at its right.
xdotool mousemove $((X + 60)) $((Y + 48)) click 1
sleep 0.2
xdotool type --delay 30 "$phrase"
xdotool mousemove $((X + WIDTH - 40)) $((Y + 48)) click 1
added() { api GET clientPhrase/list | grep -q "\"phraseContent\":\"$phrase\""; }
wait_for 10 added || fail "the phrase did not reach the server"
import -window root "$artifacts/${name}_manager.png"
# The close button at the right end of the title bar.
xdotool mousemove $((X + WIDTH - 18)) $((Y + 16)) click 1
wait_for 5 no_window_titled 短语管理 || fail "the phrase manager did not close"
sleep 0.5
import -window root "$artifacts/${name}_bar.png"

chat_area
xdotool mousemove $((cx + ${QUORVEL_E2E_PHRASE_X:-200})) $((cy + ch + 18)) click 1
wait_for 5 grep -q '"event":"send"' "$work/chat.jsonl" || fail "nothing sent into the chat window"
cp "$work/chat.jsonl" "$artifacts/${name}_chat.jsonl"
grep '"event":"send"' "$work/chat.jsonl" | grep -q "\"text\":\"$phrase\"" ||
  fail "the new phrase was not what arrived: $(grep '"event":"send"' "$work/chat.jsonl")"
echo "PASS: added in the manager, sent from the bar"
