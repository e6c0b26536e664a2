#!/usr/bin/env bash
# Starts the real window under a virtual X server (xvfb-run) with fresh settings and saves a
# PNG screenshot of it, by default docs/tarnwick-window.png.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/tarnwick-window.png}
width=900
height=560

scripts/install-deps.sh
scripts/build.sh release >&2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 700 "$scratch"
export XDG_RUNTIME_DIR=$scratch TARNWICK_CONFIG=$scratch/Tarnwick.conf TARNWICK_TRACE=1
# The window at the top left corner: there is no window manager to place or frame it.
printf '[Settings]\nWindowPos=0:1:-1:-1:-1:-1:0:0:%d:%d:108:50\n' "$width" "$height" \
    > "$TARNWICK_CONFIG"

# The shell that xvfb-run starts: run the program, wait for its window, take the picture.
# ImageMagick's own import (the first convert on PATH may be another program).
shoot='
    "$1" 2> "$XDG_RUNTIME_DIR/trace" &
    pid=$!
    for _ in $(seq 200); do
        grep -q "window shown" "$XDG_RUNTIME_DIR/trace" && break
        sleep 0.05
    done
    sleep 0.5
    /usr/bin/import -window root -crop "$3x$4+0+0" +repage "$2"
    kill "$pid"
    wait "$pid"
'
xvfb-run -a -s "-screen 0 $((width + 100))x$((height + 100))x24" \
    bash -c "$shoot" _ "$PWD/build-release/src/tarnwick" "$out" "$width" "$height"
echo "screenshot: $out"
