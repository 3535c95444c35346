#!/bin/sh
# Runs one test process with a private, temporary HOME and XDG folders, so no
# test reads or writes the real home directory, and with the offscreen Qt
# platform. The folders are removed afterwards.
set -u
sandbox=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-test.XXXXXX") || exit 1
trap 'rm -rf "$sandbox"' EXIT
trap 'exit 130' INT TERM
for d in home data config cache state runtime; do mkdir -p "$sandbox/$d"; done
chmod 700 "$sandbox/runtime"
export HOME="$sandbox/home"
export XDG_DATA_HOME="$sandbox/data"
export XDG_CONFIG_HOME="$sandbox/config"
export XDG_CACHE_HOME="$sandbox/cache"
export XDG_STATE_HOME="$sandbox/state"
export XDG_RUNTIME_DIR="$sandbox/runtime"
export QT_QPA_PLATFORM="${QUORVEL_TEST_QPA:-offscreen}"
"$@"
