#!/usr/bin/env bash
# The Windows installer under Wine: quorvel-setup-VERSION.exe /S installs
# without elevation into the user's local programs folder, with its Start-menu
# entries and uninstall record; the installed program starts, logs in and is
# offered the next version by the server ("update set ... --os windows
# --silent --force"); "立刻更新" downloads and starts that installer silently,
# the program quits, the installer replaces it and starts the new version.
# The uninstaller then removes the program, its entries and its record.
#   installer_e2e.sh WIN_BUILD_DIR BIN_DIR WIN_CHECKS_BIN_DIR ARTIFACTS_DIR
name=win_installer
. "$(dirname "$0")/wine_common.sh"

setup=$(ls "$win_build"/quorvel-setup-*.exe 2>/dev/null | head -n 1)
next_setup=$(ls "$win_build"/update-test/quorvel-setup-*.exe 2>/dev/null | head -n 1)
[ -n "$setup" ] && [ -n "$next_setup" ] || fail "no installers in $win_build (scripts/build-win)"
version=$(basename "$setup" .exe | sed 's/^quorvel-setup-//')
next_version=$(basename "$next_setup" .exe | sed 's/^quorvel-setup-//')

home_dir=$wine_home/AppData
installed=$home_dir/Local/Programs/Quorvel
menu="$home_dir/Roaming/Microsoft/Windows/Start Menu/Programs/Quorvel"
record='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel'
recorded_version() {
  wine reg query "$record" /v DisplayVersion > "$work/reg_query.log" 2>&1
  grep -o 'DisplayVersion.*' "$work/reg_query.log" | awk '{print $NF}' | tr -d '\r'
}
# What an earlier run may have left.
rm -rf "$installed" "$menu"
wine reg delete "$record" /f > /dev/null 2>&1

# Silent install, without starting the program.
wine "$setup" /S /NORUN > "$work/setup.log" 2>&1 || fail "the installer failed"
for f in quorvel.exe uninstall.exe data/emoji/1f600.png data/Unihan_Readings.txt.bz2 \
         translations/qtbase_zh_CN.qm; do
  [ -f "$installed/$f" ] || fail "not installed: $f"
done
[ -f "$menu/Quorvel.lnk" ] || fail "no Start-menu entry"
[ "$(recorded_version)" = "$version" ] || fail "uninstall record: '$(recorded_version)', expected $version"

# The installed program, offered the next version.
start_server
# Signed with the Linux build tree's key, which the Windows build trusts.
"$bin/quorvel-sign" sign "$bin/../update-key/update-private.key" "$next_setup" "$work/next.sig" \
  > "$work/sign.log" 2>&1 || fail "signing the offer"
"$bin/quorvel-server" --data-dir "$work/server" update set "$next_version" "$next_setup" --os windows \
  --silent --force --notes "Quorvel $next_version" --signature "$work/next.sig" \
  > "$work/update_set.log" 2>&1 || fail "update set"
start_client "$installed/quorvel.exe"
# The update dialog (564 x 382, no title), shown once the installer is downloaded.
update_dialog() {
  local id
  for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    geometry "$id"
    [ "$WIDTH" = 564 ] && [ "$HEIGHT" = 382 ] && { echo "$id"; return 0; }
  done
  return 1
}
wait_for 60 update_dialog > /dev/null || fail "no update offered"
dialog=$(update_dialog)
import -window root "$artifacts/${name}_offer.png"
geometry "$dialog"
# A forced offer shows "立刻更新" alone, centred in the button row.
xdotool mousemove $((X + 282)) $((Y + 356)) click 1
# The installer waits for the program to quit, replaces it and starts it.
recorded_is() { [ "$(recorded_version)" = "$1" ]; }
wait_for 120 recorded_is "$next_version" || fail "the update was not installed"
wait_for 60 window_title_has "${next_version}（外网版）" > /dev/null ||
  fail "the new version did not start"
import -window root "$artifacts/${name}_updated.png"
wineserver -k > /dev/null 2>&1
sleep 1

# The uninstaller (it runs on from a copy of itself, so wait for its work).
wine "$installed/uninstall.exe" /S > "$work/uninstall.log" 2>&1
wait_for 60 test ! -e "$installed/quorvel.exe" || fail "the uninstaller left the program"
wait_for 30 test ! -e "$menu" || fail "the uninstaller left the Start-menu entries"
wait_for 30 recorded_is "" || fail "the uninstaller left its record"
echo "PASS: installed $version silently, updated to $next_version, uninstalled"
