#!/bin/sh
# Runs a command on a private Xvfb display with openbox (iconify animation
# off, so minimising does not emit a stream of moves) and tears both down.
set -u
dir=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-x11.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/runtime" && chmod 700 "$dir/runtime"
sed 's|<animateIconify>yes</animateIconify>|<animateIconify>no</animateIconify>|' /etc/xdg/openbox/rc.xml > "$dir/rc.xml"
export XDG_RUNTIME_DIR="$dir/runtime"
export QUORVEL_X11_RC="$dir/rc.xml"
exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" sh -c '
  openbox --config-file "$QUORVEL_X11_RC" >/dev/null 2>&1 &
  wm=$!
  i=0
  while [ $i -lt 100 ] && ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
    sleep 0.05; i=$((i + 1))
  done
  "$@"
  rc=$?
  kill $wm 2>/dev/null
  wait $wm 2>/dev/null
  exit $rc' sh "$@"
