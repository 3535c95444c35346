#!/usr/bin/env bash
# The client's packages: the .deb holds exactly the program, its menu entry
# and its icon, unpacks into a clean root and the unpacked program starts;
# the installer script installs non-interactively into the folder it is given.
# Usage: client_package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackClientConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/quorvel_*_amd64.deb)
installer=$(ls "$work"/out/quorvel-*-Linux.sh)

# File list: nothing of the server, nothing outside /usr.
# The emoji picker's images beside the program are counted apart.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort > "$work/all_files"
grep -qx './usr/bin/data/emoji/1f600.png' "$work/all_files" || fail "no emoji images in $deb"
grep -v '^./usr/bin/data/emoji/[0-9a-f]*\.png$' "$work/all_files" > "$work/files"
printf '%s\n' ./usr/bin/quorvel ./usr/share/applications/quorvel.desktop \
  ./usr/share/icons/hicolor/256x256/apps/quorvel.png | sort > "$work/expected"
diff -u "$work/expected" "$work/files" || fail "file list of $deb"
dpkg-deb -f "$deb" Depends | grep -q 'libqt5widgets5' || fail "Depends lacks Qt Widgets"
[[ $(dpkg-deb -f "$deb" Package) == quorvel ]] || fail "package name"

# Into a clean root, without chroot: the program finds all its libraries,
# registers autorun for its own path, and starts and quits on request.
root="$work/root"
dpkg -x "$deb" "$root"
program="$root/usr/bin/quorvel"
if ldd "$program" | grep 'not found'; then fail "missing libraries"; fi
"$program" 10016 || fail "registration run"
grep -qF "Exec=\"$program\"" "$XDG_CONFIG_HOME/autostart/quorvel.desktop" || fail "autostart entry"
"$program" 10017 || fail "unregistration run"
[[ ! -e "$XDG_CONFIG_HOME/autostart/quorvel.desktop" ]] || fail "autostart entry left"
QUORVEL_BASE_URL=http://127.0.0.1:9 QT_QPA_PLATFORM=offscreen \
  timeout --preserve-status -s TERM 5 "$program" > "$work/run.log" 2>&1 ||
  { cat "$work/run.log"; fail "offscreen start did not end cleanly on TERM"; }
ls "$XDG_DATA_HOME"/quorvel/logs/* > /dev/null 2>&1 || ls "$HOME"/.local/share/quorvel/logs/* > /dev/null ||
  fail "the started program wrote no log"

# The update's installer: the same files below the given folder.
target="$work/prefix"
mkdir -p "$target"
sh "$installer" --skip-license --exclude-subdir --prefix="$target" < /dev/null > /dev/null ||
  fail "installer script"
(cd "$target" && find . -type f | grep -v '^./bin/data/emoji/[0-9a-f]*\.png$' | sort) > "$work/installed"
[[ -f "$target/bin/data/emoji/1f600.png" ]] || fail "installer script's emoji images"
printf '%s\n' ./bin/quorvel ./share/applications/quorvel.desktop \
  ./share/icons/hicolor/256x256/apps/quorvel.png | sort > "$work/expected_script"
diff -u "$work/expected_script" "$work/installed" || fail "installer script's files"
"$target/bin/quorvel" 10017 || fail "installed program"
echo "client packages: ok"
