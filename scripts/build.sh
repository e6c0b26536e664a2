#!/usr/bin/env bash
# Configures and builds one variant into build-<variant>: release, asan (AddressSanitizer and
# UndefinedBehaviorSanitizer) or tsan (ThreadSanitizer).
set -euo pipefail
cd "$(dirname "$0")/.."

variant=${1:-release}
case "$variant" in
    release) extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    asan) extra=(-DCMAKE_BUILD_TYPE=Debug -DTARNWICK_SANITIZE=address -DTARNWICK_BENCH=OFF) ;;
    tsan) extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_SANITIZE=thread -DTARNWICK_BENCH=OFF) ;;
    *) echo "usage: $0 [release|asan|tsan]" >&2; exit 64 ;;
esac

# ccache, when present, makes rebuilds of unchanged files (and of other checkouts of the same
# tree) cheap; paths are hashed relative to the checkout so that clones share the cache.
if command -v ccache >/dev/null; then
    extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
fi

cmake -S . -B "build-$variant" -G Ninja "${extra[@]}" >/dev/null
cmake --build "build-$variant" -- -j"$(nproc)"
