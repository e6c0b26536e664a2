#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test three times: a normal build, one
# under AddressSanitizer + UndefinedBehaviorSanitizer and one under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

# Newer kernels randomise mappings more than ThreadSanitizer's shadow layout allows; running
# without address randomisation keeps it working there.
run_tests() {
    local dir=$1
    if [ "$dir" = build-tsan ] && command -v setarch >/dev/null; then
        setarch "$(uname -m)" -R ctest --test-dir "$dir" --output-on-failure -j2
    else
        ctest --test-dir "$dir" --output-on-failure -j2
    fi
}

failed=0
for variant in release asan tsan; do
    echo "=== $variant build"
    scripts/build.sh "$variant"
    echo "=== $variant tests"
    if ! run_tests "build-$variant"; then
        failed=1
    fi
done
exit $failed
