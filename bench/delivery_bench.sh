#!/usr/bin/env bash
# 50 deliveries into the stand-in chat application on a private Xvfb display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
QT_QPA_PLATFORM=xcb tests/run_x11.sh build/bin/delivery_bench build/bin/standin_chat "${1:-50}"
