#!/bin/sh
# Runs a command on a private Xvfb display with openbox (iconify animation
# off, so minimising does not emit a stream of moves) and tears both down.
# The server picks its own free display (-displayfd): tests started side by
# side must never share one. QUORVEL_X11_NO_WM=1 leaves the window manager out.
set -u
dir=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-x11.XXXXXX") || exit 1
mkdir -p "$dir/runtime" && chmod 700 "$dir/runtime"
sed 's|<animateIconify>yes</animateIconify>|<animateIconify>no</animateIconify>|' /etc/xdg/openbox/rc.xml > "$dir/rc.xml"
export XDG_RUNTIME_DIR="$dir/runtime"

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$dir/display" >/dev/null 2>&1 &
xvfb=$!
wm=
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
i=0
while [ $i -lt 200 ] && ! [ -s "$dir/display" ]; do sleep 0.05; i=$((i + 1)); done
[ -s "$dir/display" ] || { echo "run_x11: Xvfb did not start"; exit 1; }
DISPLAY=:$(head -n 1 "$dir/display")
export DISPLAY

if [ -n "${QUORVEL_X11_NO_WM:-}" ]; then
  "$@"
  exit
fi

wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
openbox --config-file "$dir/rc.xml" >/dev/null 2>&1 &
wm=$!
i=0
while [ $i -lt 200 ] && ! wm_up; do sleep 0.05; i=$((i + 1)); done
wm_up || { echo "run_x11: the window manager did not start"; exit 1; }

"$@"
