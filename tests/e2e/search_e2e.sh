#!/usr/bin/env bash
# End to end on X11: a script found by its pinyin on the 搜索 tab of the
# scripts page arrives, sent, in the stand-in chat window, and after a
# restart of the client it is the first of the recently sent scripts: a
# double click there sends the same text again. Runs inside tests/run_x11.sh.
#   search_e2e.sh BIN_DIR ARTIFACTS_DIR
set -u
bin=$1
artifacts=$2
name=search_e2e
. "$(dirname "$0")/e2e_common.sh"

# A private home: the recent list lives in it across the restart.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
start_server
start_chat wecom 40 60
start_client
follow_chat
wait_for 5 window_titled Quorvel > /dev/null || fail "main window gone"
sleep 1

# Offsets inside the main window: the 搜索 tab, the search field, the first
# row under a group (the recent group is the first row of the tree).
search_tab() {
  geometry "$main"
  xdotool mousemove $((X + 220)) $((Y + ${QUORVEL_E2E_TAB_Y:-52})) click 1
  sleep 0.5
}
sends() { grep -c '"event":"send"' "$work/chat.jsonl"; }
sent_more() { [ "$(sends)" -gt "$before" ]; }
# double_click_until_sent Y: a slow reply leaves the row empty at first; a
# double click on the empty tree does nothing, so it is tried again.
double_click_until_sent() {
  before=$(sends)
  for _ in 1 2 3 4 5; do
    xdotool mousemove $((X + 150)) $((Y + $1)) click --repeat 2 --delay 80 1
    wait_for 4 sent_more && return 0
  done
  return 1
}
last_sent() { grep '"event":"send"' "$work/chat.jsonl" | tail -n 1 | grep -o '"text":"[^"]*"'; }

search_tab
xdotool mousemove $((X + 150)) $((Y + ${QUORVEL_E2E_FIELD_Y:-95})) click 1
sleep 0.2
xdotool type --delay 30 tuihuo
xdotool key Return
sleep 1
import -window root "$artifacts/${name}_results.png"
# Under the recent group (empty) and the public group: the first result.
double_click_until_sent "${QUORVEL_E2E_RESULT_Y:-199}" || fail "the found script was not sent"
# The script's first line, as pasted first: what identifies it below.
first_line=$(grep '"event":"paste"' "$work/chat.jsonl" | head -n 1 | grep -o '"text":"[^"]*"' | cut -d'"' -f4)
case "$first_line" in *退货*) ;; *) fail "sent something else: $first_line" ;; esac
import -window root "$artifacts/${name}_sent.png"

# Restart: the recent list comes back from kb/search.cfg.
find "$work/home" -path '*/quorvel/kb/search.cfg' | grep -q . || fail "no recent list written"
kill "${pids[-1]}"
wait "${pids[-1]}" 2>/dev/null
wait_for 10 no_window_titled Quorvel || fail "the client did not close"
start_client
wait_for 5 window_titled Quorvel > /dev/null || fail "main window gone after the restart"
# Following the chat window again makes it the target; the main window
# settles beside it before its offsets are taken.
sleep 1
follow_chat
sleep 1.5
search_tab
import -window root "$artifacts/${name}_restarted.png"
double_click_until_sent "${QUORVEL_E2E_RECENT_Y:-169}" || fail "the first recent row sent nothing"
case "$(last_sent)" in *"$first_line"*) ;; *) fail "the first recent row is not the sent script: $(last_sent)" ;; esac
cp "$work/chat.jsonl" "$artifacts/${name}_chat.jsonl"
echo "PASS: found by pinyin, sent, first among the recent scripts after a restart"
