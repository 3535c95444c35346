#!/usr/bin/env bash
# Runs one Windows program under Wine on a private Xvfb display (run_x11.sh).
#   wine_session.sh BIN_DIR PROGRAM.exe [ARGS...]
# The Wine prefix is kept beside BIN_DIR (QUORVEL_WINE_PREFIX overrides), so
# only the first run pays for creating it. Prints the program's output and
# ends with its exit code.
set -euo pipefail
bin_dir=$(cd "$1" && pwd)
program=$2
shift 2
export WINEPREFIX=${QUORVEL_WINE_PREFIX:-$bin_dir/../wine-prefix}
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8 LC_ALL=

# A display of our own, without a window manager (Wine manages its windows).
if [[ -z "${QUORVEL_WINE_DISPLAY_READY:-}" ]]; then
  QUORVEL_WINE_DISPLAY_READY=1 QUORVEL_X11_NO_WM=1 \
    exec "$(dirname "$0")/../../run_x11.sh" "$0" "$bin_dir" "$program" "$@"
fi

work=$(mktemp -d)
# The wineserver must end before the display does.
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

if [[ ! -f "$WINEPREFIX/.quorvel-ready" ]]; then
  echo "creating the Wine prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  # Wine's helpers inherit stdout: send their output to files, never pipes.
  wineboot -i >"$work/wineboot.log" 2>&1
  # Without a window manager, managed windows stall about 2 s on every hide.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >"$work/reg.log" 2>&1
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  wineserver -w
  touch "$WINEPREFIX/.quorvel-ready"
fi

status=0
timeout 600 wine "$bin_dir/$program" "$@" >"$work/out.log" 2>&1 || status=$?
wineserver -k >/dev/null 2>&1 || true
cat "$work/out.log"
exit "$status"
