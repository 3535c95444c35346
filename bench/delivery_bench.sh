#!/usr/bin/env bash
# Deliveries into the stand-in chat application on a private Xvfb display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
export QT_QPA_PLATFORM=xcb
tests/run_x11.sh build/bin/delivery_bench build/bin/standin_chat "${1:-50}"
# Whole scripts, segment by segment, against the prescribed pauses.
home=$(mktemp -d /tmp/quorvel-bench-home.XXXXXX)
trap 'rm -rf "$home"' EXIT
HOME=$home XDG_DATA_HOME=$home tests/run_x11.sh build/bin/script_delivery_bench build/bin/standin_chat 20
# What keeping the user's clipboard adds, with a 1 KB text and a 10 MB image on it.
HOME=$home XDG_DATA_HOME=$home tests/run_x11.sh build/bin/clipboard_keep_bench build/bin/standin_chat build/bin/clipboard_owner 10
# Docking beside the chat window while it moves.
HOME=$home XDG_DATA_HOME=$home QUORVEL_BASE_URL=http://127.0.0.1:9 tests/run_x11.sh build/bin/docking_bench build/bin/standin_chat
