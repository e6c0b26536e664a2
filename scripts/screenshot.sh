#!/usr/bin/env bash
# Starts the real window under a virtual X server (xvfb-run) with fresh settings and saves a
# PNG screenshot of it, by default docs/tarnwick-window.png. A private sound server (a null
# sink and a sine source) stands in for the sound card, so the receive side starts as on a
# desktop instead of asking about a missing card.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/tarnwick-window.png}
width=920
height=600

scripts/install-deps.sh
scripts/build.sh release >&2

scratch=$(mktemp -d)
sound=""
cleanup() {
    if [ -n "$sound" ]; then
        kill "$sound" 2>/dev/null || true
        wait "$sound" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT
chmod 700 "$scratch"
export XDG_RUNTIME_DIR=$scratch TARNWICK_CONFIG=$scratch/Tarnwick.conf TARNWICK_TRACE=1
# The window at the top left corner: there is no window manager to place or frame it.
printf '[Settings]\nWindowPos=0:1:-1:-1:-1:-1:0:0:%d:%d:108:50\n' "$width" "$height" \
    > "$TARNWICK_CONFIG"

if command -v pulseaudio >/dev/null; then
    cat > "$scratch/sound.pa" <<PA
load-module module-null-sink sink_name=speaker rate=11025 channels=1 format=s16le
set-default-sink speaker
load-module module-sine-source source_name=sine rate=11025 frequency=800
set-default-source sine
load-module module-native-protocol-unix auth-anonymous=1 socket=$scratch/native
PA
    echo "autospawn = no" > "$scratch/client.conf"
    HOME=$scratch pulseaudio -n -F "$scratch/sound.pa" --daemonize=no --exit-idle-time=-1 \
        --use-pid-file=no 2> "$scratch/sound.log" &
    sound=$!
    for _ in $(seq 100); do
        [ -S "$scratch/native" ] && break
        sleep 0.05
    done
    export PULSE_SERVER=unix:$scratch/native PULSE_CLIENTCONFIG=$scratch/client.conf
    export PULSE_RUNTIME_PATH=$scratch PULSE_STATE_PATH=$scratch TARNWICK_SOUND_DEFAULT=pulse
fi

# The shell that xvfb-run starts: run the program, wait for its window and, with a sound
# server, for 240 waterfall lines (about 45 s of the tone, enough to fill the waterfall at this
# size), take the picture with ImageMagick's
# own import (the first convert on PATH may be another program).
shoot='
    "$1" 2> "$XDG_RUNTIME_DIR/trace" &
    pid=$!
    want="window shown"
    [ -n "${PULSE_SERVER:-}" ] && want="waterfall lines 240"
    for _ in $(seq 2400); do
        grep -q "$want" "$XDG_RUNTIME_DIR/trace" && break
        kill -0 "$pid" 2> /dev/null || break
        sleep 0.05
    done
    if ! grep -q "$want" "$XDG_RUNTIME_DIR/trace"; then
        cat "$XDG_RUNTIME_DIR/trace" >&2
        echo "no \"$want\" from the program" >&2
        kill "$pid" 2> /dev/null || true
        exit 1
    fi
    sleep 0.3
    /usr/bin/import -window root -crop "$3x$4+0+0" +repage "$2"
    kill "$pid"
    wait "$pid"
'
xvfb-run -a -s "-screen 0 $((width + 100))x$((height + 100))x24" \
    bash -c "$shoot" _ "$PWD/build-release/src/tarnwick" "$out" "$width" "$height"
echo "screenshot: $out"
