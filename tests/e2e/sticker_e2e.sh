#!/usr/bin/env bash
# End to end on X11: the sticker page sends a sticker into the stand-in chat
# application. Log in, dock beside the chat window, open the sticker page and
# double-click the first tile of the first public category: the chat window
# gets the sticker's cached image file as a file paste. Runs inside
# tests/run_x11.sh.
#   sticker_e2e.sh BIN_DIR ARTIFACTS_DIR
set -u
bin=$1
artifacts=$2
name="sticker_e2e"
. "$(dirname "$0")/e2e_common.sh"

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$XDG_DATA_HOME/quorvel/config"
start_server
start_chat wecom 40 60
start_client

follow_chat
wait_for 5 window_titled Quorvel > /dev/null || fail "main window gone"
sleep 1
geometry "$main"
# The third navigation button (表情) in the column at the window's right edge.
xdotool mousemove $((X + WIDTH - 24)) $((Y + ${QUORVEL_E2E_NAV_Y:-161})) click 1
sleep 0.5
import -window root "$artifacts/${name}_page.png"
# The first tile, below the category bar.
xdotool mousemove $((X + 45)) $((Y + ${QUORVEL_E2E_TILE_Y:-${QUORVEL_E2E_DEFAULT_TILE_Y:-300}})) click --repeat 2 --delay 80 1
wait_for 10 grep -q '"event":"paste"' "$work/chat.jsonl" || fail "no paste reached the chat window"
import -window root "$artifacts/${name}_delivered.png"
cp "$work/chat.jsonl" "$artifacts/${name}_chat.jsonl"
pasted=$(grep '"event":"paste"' "$work/chat.jsonl" | head -n 1 | grep -o '"files":\["[^"]*"' | sed 's/.*\["//; s/"$//')
[ -n "$pasted" ] || fail "the paste carried no file: $(grep '"event":"paste"' "$work/chat.jsonl" | head -n 1)"
case "$pasted" in
  "$XDG_DATA_HOME"/quorvel/cache/*) ;;
  *) fail "the pasted file is not a cached file: $pasted" ;;
esac
[ -s "$pasted" ] || fail "the pasted file is missing or empty: $pasted"
[ "$(head -c 4 "$pasted" | od -An -tx1 | tr -d ' \n')" = 89504e47 ] || fail "the pasted file is not a PNG image: $pasted"
echo "PASS: the sticker's cached image $pasted was pasted as a file"
