#!/usr/bin/env bash
# Runs the Windows checks under Wine and passes only on "N passed, 0 failed".
#   run_wine_checks.sh BIN_DIR [NAME FILTER]
set -uo pipefail
here=$(dirname "$0")
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$here/wine_session.sh" "$1" win_checks.exe ${2:+"$2"} >"$out" 2>&1
status=$?
cat "$out"
summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$out" | tail -n 1)
if [[ -z "$summary" ]]; then
  echo "win_checks ended without a summary (exit $status)"
  exit 1
fi
[[ "$summary" =~ ^[0-9]+\ passed,\ 0\ failed ]] && ((status == 0))
