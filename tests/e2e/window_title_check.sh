#!/usr/bin/env bash
# The end-to-end scripts find the main window by its exact title: a window
# titled "quorvel" (as the synchronisation dialog is) shown first must not be
# taken for it. Runs inside tests/run_x11.sh.
#   window_title_check.sh BIN_DIR ARTIFACTS_DIR
set -u
bin=$1
artifacts=$2
name=window_title_check
. "$(dirname "$0")/e2e_common.sh"

# open_window TITLE LOG: a stand-in window with that title; prints its id.
open_window() {
  "$bin/standin_chat" --class probe --title "$1" --log "$work/$2" > /dev/null 2>&1 &
  pids+=($!)
  wait_for 10 grep -q started "$work/$2" || fail "window $1 did not open"
  grep -o '"window":"[0-9]*"' "$work/$2" | head -n 1 | grep -o '[0-9]*'
}

sync_dialog=$(open_window quorvel sync.jsonl)
wait_for 5 window_titled quorvel > /dev/null || fail "the window titled quorvel is not found"
no_window_titled Quorvel || fail "a window titled quorvel was taken for Quorvel"

main_window=$(open_window Quorvel main.jsonl)
wait_for 5 window_titled Quorvel > /dev/null || fail "the window titled Quorvel is not found"
found=$(window_titled Quorvel)
[ "$found" = "$main_window" ] || fail "found $found, not the main window $main_window (quorvel is $sync_dialog)"
echo "PASS"
