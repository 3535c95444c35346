#!/usr/bin/env bash
# End to end on X11: the bar's instant search sends into the stand-in chat
# application without the mouse. Log in and dock; then Alt+E, "th", Esc:
# nothing arrives; Alt+E, "th", Shift+Enter: the returns script (退货流程,
# initials t h) is pasted but not sent; Alt+E, the pinyin of another demo
# script, Enter: it is sent. Runs inside tests/run_x11.sh.
#   instant_e2e.sh BIN_DIR ARTIFACTS_DIR
set -u
bin=$1
artifacts=$2
name="instant_e2e"
. "$(dirname "$0")/e2e_common.sh"

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
start_server
start_chat wecom 40 60
start_client
follow_chat
wait_for 5 window_titled Quorvel > /dev/null || fail "main window gone"
sleep 1

events() { grep -c "\"event\":\"$1\"" "$work/chat.jsonl"; }
search() { # keys typed into the bar's field after Alt+E
  xdotool windowactivate "$chat"
  sleep 0.3
  xdotool key alt+e
  sleep 0.5
  xdotool type --delay 60 "$1"
  sleep 0.5
}

search th
import -window root "$artifacts/${name}_list.png"
xdotool key Escape
sleep 1.5
[ "$(events paste)" = 0 ] && [ "$(events send)" = 0 ] || fail "Esc left something in the chat window"

search th
xdotool key shift+Return
wait_for 10 grep -q '"event":"paste".*退货请在订单页' "$work/chat.jsonl" || fail "Shift+Enter did not put the script in"
sleep 1
[ "$(events send)" = 0 ] || fail "Shift+Enter sent the script"

search fhsj # 发货时间
xdotool key Return
wait_for 10 grep -q '"event":"send".*当天16点前付款' "$work/chat.jsonl" || fail "Enter did not send the script"
import -window root "$artifacts/${name}_sent.png"
cp "$work/chat.jsonl" "$artifacts/${name}_chat.jsonl"
echo "PASS: Esc left nothing, Shift+Enter pasted, Enter sent"
