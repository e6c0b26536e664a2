#!/usr/bin/env bash
# Installs what is missing, builds, and starts the keyer: its window with no arguments, the
# command-line program tarnwick-cli with them (scripts/run.sh send "CQ TEST").
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] &&
    [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: no display (DISPLAY is not set): start the window with 'xvfb-run scripts/run.sh', or use the command-line program: scripts/run.sh --help" >&2
    exit 1
fi
scripts/install-deps.sh
scripts/build.sh release >&2
if [ $# -eq 0 ]; then
    exec build-release/src/tarnwick
fi
exec build-release/src/tarnwick-cli "$@"
