#!/usr/bin/env bash
# Runs the whole test suite several times in a row with two CPU hogs running beside it, to show
# that no test depends on idle cores. Prints the pass and fail counts of each round; exits 0 only
# when every round passed.
#   scripts/stress-test.sh [release|asan|tsan] [ROUNDS]     (defaults: release, 5)
set -euo pipefail
cd "$(dirname "$0")/.."

variant=${1:-release}
rounds=${2:-5}
case "$variant" in
    release | asan | tsan) ;;
    *) echo "usage: $0 [release|asan|tsan] [ROUNDS]" >&2; exit 64 ;;
esac
if ! [[ "$rounds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [release|asan|tsan] [ROUNDS]" >&2
    exit 64
fi

scripts/install-deps.sh
scripts/build.sh "$variant"

# The same sanitizer settings as scripts/test.sh.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

logdir=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-stress-XXXXXX")
hog=""
stop_hog() {
    if [ -n "$hog" ]; then
        kill -TERM "$hog" 2>/dev/null || true
        wait "$hog" 2>/dev/null || true
        hog=""
    fi
}
# The hog goes with the script however it ends; its own time-out ends it should the script be
# killed outright.
trap stop_hog EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
stress-ng --cpu 2 --timeout "$((rounds * 3600))s" --quiet &
hog=$!

run_suite() {
    if [ "$variant" = tsan ] && command -v setarch >/dev/null; then
        setarch "$(uname -m)" -R ctest --test-dir "build-$variant" --output-on-failure -j2
    else
        ctest --test-dir "build-$variant" --output-on-failure -j2
    fi
}

failed_rounds=0
for round in $(seq 1 "$rounds"); do
    log="$logdir/round-$round.log"
    start=$SECONDS
    status=0
    run_suite >"$log" 2>&1 || status=$?
    summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" || true)
    if [ -n "$summary" ]; then
        total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
        failed=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
        echo "round $round/$rounds: $((total - failed)) passed, $failed failed" \
            "($((SECONDS - start)) s)"
    else
        echo "round $round/$rounds: the suite did not finish (status $status), see $log"
        failed=1
    fi
    if [ "$status" -ne 0 ] || [ "$failed" -ne 0 ]; then
        failed_rounds=$((failed_rounds + 1))
        sed -n '/The following tests FAILED/,$p' "$log" | grep -E '^\s+[0-9]+ - ' || true
        echo "  log: $log"
    else
        rm -f "$log"
    fi
done
rmdir "$logdir" 2>/dev/null || true

echo "$variant: $((rounds - failed_rounds)) of $rounds rounds passed with stress-ng --cpu 2 beside them"
[ "$failed_rounds" -eq 0 ]
