#!/usr/bin/env bash
# Installs what is missing, builds, and starts the keyer's command-line program with the given
# arguments (its help when there are none).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh release >&2
if [ $# -eq 0 ]; then
    set -- --help
fi
exec build-release/src/tarnwick-cli "$@"
