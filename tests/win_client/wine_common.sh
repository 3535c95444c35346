# Shared by the checks of the Windows client under Wine, each run as
#   <script> WIN_BUILD_DIR BIN_DIR WIN_CHECKS_BIN_DIR ARTIFACTS_DIR
# inside tests/run_x11.sh without a window manager (Wine manages its windows):
# the Wine prefix, waiting, failing with a screenshot, and starting the Linux
# server, the Win32 stand-in and the client up to its main window. Set name
# before sourcing.
set -u
win_build=$1
bin=$2
win_bin=$3
artifacts=$4
mkdir -p "$artifacts"
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-wine.XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  # The wineserver must end before the display does.
  wineserver -k >/dev/null 2>&1
  [ -n "${QUORVEL_KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  import -window root "$artifacts/${name}_failure.png" 2>/dev/null
  for log in "$work"/*.log; do [ -f "$log" ] && { echo "--- $log"; tail -n 15 "$log"; }; done
  exit 1
}
wait_for() { # seconds, command...
  local deadline=$((SECONDS + $1)); shift
  while ((SECONDS < deadline)); do "$@" && return 0; sleep 0.2; done
  "$@"
}
geometry() { eval "$(xdotool getwindowgeometry --shell "$1")"; }
# Visible windows as "ID NAME" lines. xdotool's own name search does not
# match the UTF-8 titles of Wine's windows, so names are compared here.
visible_windows() {
  local id
  for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    echo "$id $(xdotool getwindowname "$id" 2>/dev/null)"
  done
}
# window_titled TITLE: the first visible window titled exactly TITLE.
window_titled() {
  visible_windows | awk -v t="$1" '{ id = $1; sub(/^[0-9]+ /, ""); if ($0 == t) { print id; found = 1; exit } } END { exit !found }'
}
# window_title_has TEXT: the first visible window whose title contains TEXT.
window_title_has() {
  visible_windows | awk -v t="$1" '{ id = $1; sub(/^[0-9]+ /, ""); if (index($0, t)) { print id; found = 1; exit } } END { exit !found }'
}
no_window_titled() { ! window_titled "$1" > /dev/null; }

# Skipped only when the static Qt for MinGW could not be had (scripts/build-win
# leaves the reason); a missing program otherwise fails.
if [ ! -f "$win_build/bin/quorvel.exe" ]; then
  if [ -f "$win_build/no-qt-prefix" ]; then
    echo "SKIP: no Windows build: $(cat "$win_build/no-qt-prefix")"
    exit 77
  fi
  fail "no $win_build/bin/quorvel.exe: run scripts/build-win"
fi

# One prefix for these checks (they take one lock), made once: with a fresh
# one each check would spend its first 10 to 30 s on it.
export WINEPREFIX=$win_build/wine-prefix WINEARCH=win64 WINEDEBUG=-all
# A Chinese system: Wine takes the Windows locale and the character set of
# file names from the Unix locale, which Debian only has once generated; a
# private copy (LOCPATH) needs no change to the system. Without it the
# Chinese names of the library's files cannot be created.
if [ ! -f "$win_build/locale/zh_CN.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$win_build/locale"
  localedef -i zh_CN -f UTF-8 "$win_build/locale/zh_CN.UTF-8" > "$work/localedef.log" 2>&1 ||
    fail "localedef zh_CN.UTF-8 (package locales)"
fi
export LOCPATH=$win_build/locale
export WINEDLLOVERRIDES="mscoree,mshtml=" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
if [ ! -f "$WINEPREFIX/.quorvel-ready" ]; then
  rm -rf "$WINEPREFIX"
  # Wine's helpers inherit stdout: send their output to files, never pipes.
  wineboot -i > "$work/wineboot.log" 2>&1 || fail "wineboot"
  # Without a window manager, managed windows stall about 2 s on every hide.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f > "$work/reg.log" 2>&1
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
  wineserver -w
  touch "$WINEPREFIX/.quorvel-ready"
fi
wine_home=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
[ -n "$wine_home" ] || fail "no user folder in $WINEPREFIX"
# Every check starts without the client's data (settings, offline library, cache).
rm -rf "$wine_home/AppData/Roaming/quorvel"
# A Unix path as Windows programs see it.
windows_path() { winepath -w "$1" 2>/dev/null; }

. "$(dirname "${BASH_SOURCE[0]}")/../support/start_server.sh"

# start_chat KIND X Y: the Win32 stand-in; sets chat to its X window id.
start_chat() {
  wine "$win_bin/standin_chat_win.exe" --kind "$1" --x "$2" --y "$3" --announce on \
    --log "$(windows_path "$work/chat.jsonl")" > "$work/standin.log" 2>&1 &
  pids+=($!)
  wait_for 30 grep -q '"event":"started"' "$work/chat.jsonl" 2>/dev/null || fail "stand-in did not start"
  local title
  title=$(grep -o '"title":"[^"]*"' "$work/chat.jsonl" | head -n 1 | cut -d'"' -f4)
  wait_for 10 window_titled "$title" > /dev/null || fail "no X window for the stand-in"
  chat=$(window_titled "$title")
}

# start_client PROGRAM: logs in as agent; sets main to the main window's id.
start_client() {
  WINEDEBUG=${QUORVEL_CLIENT_WINEDEBUG:--all} wine "$1" > "$work/client.log" 2>&1 &
  pids+=($!)
  wait_for 60 window_title_has '外网版' > /dev/null || fail "no login dialog"
  login=$(window_title_has '外网版')
  geometry "$login"
  # Wine's windows outside a window manager take the keyboard only when given
  # the X input focus.
  xdotool windowfocus --sync "$login"
  xdotool mousemove $((X + 215)) $((Y + 224)) click 1; sleep 0.3; xdotool type --delay 40 agent
  xdotool mousemove $((X + 215)) $((Y + 274)) click 1; sleep 0.3; xdotool type --delay 40 agent123
  import -window root "$artifacts/${name}_login.png"
  xdotool mousemove $((X + 215)) $((Y + 324)) click 1
  wait_for 90 window_titled Quorvel > /dev/null || fail "no main window after the login"
  main=$(window_titled Quorvel)
  sleep 1
}

# Not blank: a picture of a drawn window has many colours.
not_blank() { # PNG [minimum colours]
  local colours
  colours=$(identify -format '%k' "$1" 2>/dev/null || echo 0)
  [ "$colours" -ge "${2:-64}" ] || { echo "only $colours colours in $1"; return 1; }
}
