#!/usr/bin/env bash
# End to end on X11: the scripts page sends a script into the stand-in chat
# application. Log in, dock beside the chat window, open a category and
# double-click its first script: it arrives sent (WeCom-like: one paste per
# segment; WeChat-like: one rich-edit paste). With "kb/dbclick" 0 the script
# is only put into the input box. What the agent had copied in another program
# before is on the clipboard again afterwards. Runs inside tests/run_x11.sh.
#   kb_e2e.sh BIN_DIR ARTIFACTS_DIR KIND(wecom|wechat) DBCLICK(0|1)
set -u
bin=$1
artifacts=$2
kind=$3
dbclick=$4
name="kb_e2e_${kind}_${dbclick}"
. "$(dirname "$0")/e2e_common.sh"

# A private home: the settings file decides what a double click does.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$XDG_DATA_HOME/quorvel/config"
printf '[kb]\ndbclick=%s\n' "$dbclick" > "$XDG_DATA_HOME/quorvel/config/settings.cfg"
start_server
start_chat "$kind" 40 60
start_client

follow_chat
wait_for 5 window_titled Quorvel > /dev/null || fail "main window gone"
sleep 1
geometry "$main"
# The first category button of the strip (below the toolbar band), then a
# script row.
xdotool mousemove $((X + 40)) $((Y + ${QUORVEL_E2E_STRIP_Y:-95})) click 1
sleep 0.5
import -window root "$artifacts/${name}_category.png"
# The agent's own copy, made in another program (xclip serves it until the delivery takes the clipboard).
user_copy='订单号 A-1024'
printf '%s' "$user_copy" | xclip -selection clipboard -i > /dev/null 2>&1
clipboard_holds() { [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$1" ]; }
clipboard_holds "$user_copy" || fail "the agent's copy is not on the clipboard"
xdotool mousemove $((X + 160)) $((Y + ${QUORVEL_E2E_ROW_Y:-347})) click --repeat 2 --delay 80 1
if [ "$dbclick" = 1 ]; then
  wait_for 10 grep -q '"event":"send"' "$work/chat.jsonl" || fail "the script was not sent"
else
  wait_for 10 grep -q '"event":"paste"' "$work/chat.jsonl" || fail "the script was not pasted"
  sleep 1
  ! grep -q '"event":"send"' "$work/chat.jsonl" || fail "the script was sent though only input was asked"
fi
import -window root "$artifacts/${name}_delivered.png"
pastes=$(grep -c '"event":"paste"' "$work/chat.jsonl")
rich=$(grep '"event":"paste"' "$work/chat.jsonl" | grep -c '"rich"')
cp "$work/chat.jsonl" "$artifacts/${name}_chat.jsonl"
if [ "$kind" = wechat ]; then
  [ "$pastes" = 1 ] && [ "$rich" = 1 ] || fail "WeChat-like window: expected one rich-edit paste, got $pastes pastes ($rich rich)"
else
  [ "$rich" = 0 ] && [ "$pastes" -ge 1 ] || fail "WeCom-like window: expected plain pastes, got $pastes ($rich rich)"
fi
wait_for 10 clipboard_holds "$user_copy" ||
  fail "the agent's copy was not put back: the clipboard holds '$(xclip -selection clipboard -o 2>/dev/null)'"
echo "PASS: $kind dbclick=$dbclick, $pastes paste(s), the agent's copy put back"
