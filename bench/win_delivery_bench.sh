#!/usr/bin/env bash
# Times deliveries through the Windows core into the Win32 stand-in under Wine.
#   bench/win_delivery_bench.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
exec tests/platform/win/wine_session.sh build/win/bin win_delivery_bench.exe "${1:-30}"
