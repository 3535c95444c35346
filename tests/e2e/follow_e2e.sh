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
name=follow_e2e
. "$(dirname "$0")/e2e_common.sh"

start_server
start_chat wecom 60 80
start_client
import -window root "$artifacts/follow_e2e_main_window.png"

follow_chat
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
wait_for 5 no_window_titled Quorvel || fail "main window did not hide with the chat window"

# Alt+Z on the hidden window brings it back on top, out of follow mode; again hides it.
xdotool key alt+z
wait_for 5 window_titled Quorvel > /dev/null || fail "Alt+Z did not bring the window back"
xdotool key alt+z
wait_for 5 no_window_titled Quorvel || fail "Alt+Z did not hide the window"
echo "PASS: docked, followed, delivered, hid, Alt+Z"
