#!/usr/bin/env bash
# Shows each dialog with sample settings under a virtual X server (xvfb-run) and saves a PNG
# of it into docs/: port-settings.png, message-editor.png, group-manager.png, group-title.png,
# program-settings.png.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh release >&2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 700 "$scratch"
export XDG_RUNTIME_DIR=$scratch TARNWICK_CONFIG=$scratch/Tarnwick.conf QT_QPA_PLATFORM=xcb
mkdir -p "$scratch/work"

# The shell that xvfb-run starts: show the dialog, wait until it says it is on screen, take
# its window with ImageMagick's own import (the first convert on PATH may be another program).
shoot='
    "$1" "$2" > "$XDG_RUNTIME_DIR/shown" &
    pid=$!
    for _ in $(seq 200); do
        grep -q "^shown" "$XDG_RUNTIME_DIR/shown" && break
        sleep 0.05
    done
    id=$(sed -n "s/^shown //p" "$XDG_RUNTIME_DIR/shown")
    /usr/bin/import -window "$id" "$3"
    kill "$pid"
    wait "$pid" || true
'
for shot in port:port-settings messages:message-editor groups:group-manager title:group-title \
    program:program-settings; do
    out=$PWD/docs/${shot#*:}.png
    (cd "$scratch/work" && xvfb-run -a -s "-screen 0 1280x900x24" \
        bash -c "$shoot" _ "$OLDPWD/build-release/tests/show_dialog" "${shot%%:*}" "$out")
    echo "screenshot: $out"
done
