#!/usr/bin/env bash
# Runs the receive side on a private sound server that carries a few signals, under the
# spectrum display on a virtual X server (xvfb-run), and saves a PNG of the display once its
# waterfall has filled (or after LINES lines), by default docs/waterfall.png. Takes about half
# a minute: the lines come at the pace of the sound, one per 186 ms block.
# Usage: scripts/screenshot-waterfall.sh [OUT.png [LINES]]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/waterfall.png}
lines=${2:-}
case "$out" in /*) ;; *) out=$PWD/$out ;; esac

scripts/install-deps.sh
scripts/build.sh release >&2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 700 "$scratch"
export XDG_RUNTIME_DIR=$scratch TARNWICK_CONFIG=$scratch/Tarnwick.conf QT_QPA_PLATFORM=xcb

# The shell that xvfb-run starts: run the display, wait until it says its lines are in, take
# its window with ImageMagick's own import (the first convert on PATH may be another program).
shoot='
    "$1" $3 > "$XDG_RUNTIME_DIR/shown" 2> "$XDG_RUNTIME_DIR/errors" &
    pid=$!
    for _ in $(seq 1200); do
        grep -q "^shown" "$XDG_RUNTIME_DIR/shown" && break
        kill -0 "$pid" 2> /dev/null || break
        sleep 0.1
    done
    id=$(sed -n "s/^shown //p" "$XDG_RUNTIME_DIR/shown")
    if [ -z "$id" ]; then
        cat "$XDG_RUNTIME_DIR/errors" >&2
        echo "the display did not show its lines" >&2
        kill "$pid" 2> /dev/null || true
        exit 1
    fi
    /usr/bin/import -window "$id" "$2"
    kill "$pid"
    wait "$pid" || true
'
xvfb-run -a -s "-screen 0 1024x768x24" \
    bash -c "$shoot" _ "$PWD/build-release/tests/show_waterfall" "$out" "$lines"
echo "screenshot: $out"
