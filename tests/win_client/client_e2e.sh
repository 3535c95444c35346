#!/usr/bin/env bash
# quorvel.exe under Wine, end to end: it starts, shows the login dialog, logs
# in to quorvel-server (Linux, loopback) as agent, synchronises the demo
# library and shows the main window (screenshot, not blank). With the Win32
# stand-in chat window (WeCom-like) and follow mode on, the main window docks
# right of its client area; a double click on a script delivers its text and
# file into the RichEdit box and sends; what the agent had copied is on the
# clipboard again afterwards. Alt+Z (RegisterHotKey) hides and shows the
# main window.
#   client_e2e.sh WIN_BUILD_DIR BIN_DIR WIN_CHECKS_BIN_DIR ARTIFACTS_DIR
name=win_client_e2e
. "$(dirname "$0")/wine_common.sh"

start_server
start_chat wecom 60 80
start_client "$win_build/bin/quorvel.exe"
import -window "$main" "$artifacts/${name}_main_window.png"
not_blank "$artifacts/${name}_main_window.png" || fail "the main window looks blank"
grep -q "query script success" "$wine_home/AppData/Roaming/quorvel/logs/"* 2>/dev/null ||
  fail "the log does not show the synchronised scripts"

# Follow mode: the toolbar's follow button, then the chat window activated
# by a click (it announces the activation, as Windows would).
geometry "$main"
xdotool mousemove $((X + WIDTH - 140 + 72)) $((Y + 12)) click 1
sleep 0.5
geometry "$chat"
xdotool mousemove $((X + 100)) $((Y + 100)) click 1
docked() {
  local cx cy cw
  eval "$(xwininfo -id "$chat" | awk '/Absolute upper-left X/ {print "cx=" $4} /Absolute upper-left Y/ {print "cy=" $4} /Width:/ {print "cw=" $2}')"
  geometry "$main"
  [ "$X" -ge $((cx + cw - 16)) ] && [ "$X" -le $((cx + cw + 16)) ] && [ "$Y" -ge $((cy - 40)) ] && [ "$Y" -le $((cy + 40)) ]
}
wait_for 10 docked || fail "main window not docked beside the chat window"
import -window root "$artifacts/${name}_docked.png"

# The agent's own copy, made in another Windows program.
wine "$win_bin/win_checks.exe" --copy-user-content "订单号 A-1024" 'C:\windows\win.ini' > "$work/copy.log" 2>&1 ||
  fail "could not copy as the agent"
# The first category of the strip, then a double click on its first script
# (欢迎语 of the demo library: text and a linked document).
geometry "$main"
xdotool mousemove $((X + 40)) $((Y + 95)) click 1
sleep 1
xdotool mousemove $((X + 160)) $((Y + 297)) click --repeat 2 --delay 80 1
wait_for 20 grep -q '"event":"send"' "$work/chat.jsonl" || fail "the script was not sent"
import -window root "$artifacts/${name}_delivered.png"
cp "$work/chat.jsonl" "$artifacts/${name}_chat.jsonl"
sent=$(grep '"event":"send"' "$work/chat.jsonl" | head -n 1)
echo "$sent" | grep -q '"text":"[^"]' || fail "the message sent has no text: $sent"
grep '"event":"paste"' "$work/chat.jsonl" | grep -q '"files":\["' || fail "no file was pasted"
echo "$sent" | grep -q '"files":\["' || fail "the message sent has no file: $sent"

# The agent's copy is back: text, file list and private format.
mkdir -p "$work/clipboard"
clipboard_back() {
  rm -f "$work/clipboard/"*
  wine "$win_bin/win_checks.exe" --dump-clipboard "$(windows_path "$work/clipboard")" > "$work/dump.log" 2>&1
  grep -q Quorvel_Note "$work/clipboard/formats.txt" 2>/dev/null &&
    [ "$(iconv -f UTF-16LE -t UTF-8 "$work/clipboard/CF_UNICODETEXT.bin" 2>/dev/null | tr -d '\0')" = "订单号 A-1024" ]
}
wait_for 15 clipboard_back || fail "the agent's copy was not put back: $(tr '\n' ' ' < "$work/clipboard/formats.txt" 2>/dev/null)"

# Alt+Z through RegisterHotKey: hides the main window, then brings it back.
geometry "$chat"
xdotool mousemove $((X + 100)) $((Y + 100)) click 1
sleep 0.5
xdotool key alt+z
wait_for 10 no_window_titled Quorvel || fail "Alt+Z did not hide the main window"
xdotool key alt+z
wait_for 10 window_titled Quorvel > /dev/null || fail "Alt+Z did not bring the main window back"
import -window root "$artifacts/${name}_hotkey.png"
echo "PASS: logged in, synchronised, docked, delivered text and file, clipboard restored, Alt+Z"
