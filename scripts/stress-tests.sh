#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the whole test suite N times at `ctest -j4` and tells how many runs passed: a suite
# that cannot flake passes every run, also on a small machine kept busy by other work.
#
#   scripts/stress-tests.sh N [CTEST-ARGUMENTS...]
#
# Further arguments go to each ctest run (e.g. -R 'GuiOwner|Refused' to stress a part).
#
# Builds the same tree as scripts/test.sh (build/asan: AddressSanitizer and
# UndefinedBehaviorSanitizer; nothing to do when it is up to date) and installs nothing: run
# scripts/test.sh (or scripts/install-deps.sh) once first. Each run's output is kept in
# build/asan/stress/run-K.log. Every run starts its tests in a session of its own; a process
# of that session still running after the run (a test server a test left behind) fails the
# run and is ended, so no server outlives the script. Exits 0 only when every run passed.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-}
if ! [[ "$runs" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/stress-tests.sh N [CTEST-ARGUMENTS...]   (N runs, N >= 1)" >&2
    exit 2
fi
shift

build=build/asan
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNIMBORA_SANITIZE=ON >/dev/null
cmake --build "$build"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen

logs="$build/stress"
mkdir -p "$logs"
passed=0
for ((k = 1; k <= runs; k++)); do
    log="$logs/run-$k.log"
    sid_file="$logs/run-$k.sid"
    start=$SECONDS
    # setsid: the run's processes form a session whose id is the ctest shell's pid.
    set +e
    setsid --wait bash -c 'echo $$ >"$1"; shift; exec "$@"' _ "$sid_file" \
        ctest --test-dir "$build" -j4 --output-on-failure "$@" >"$log" 2>&1
    rc=$?
    set -e
    sid=$(cat "$sid_file")
    rm -f "$sid_file"
    # A server whose test just ended may still be on its way out: give it ten seconds.
    # Exited processes not yet reaped (state Z) are gone already.
    left=""
    for ((wait = 0; wait < 100; wait++)); do
        left=$(ps -o pid=,stat= -s "$sid" | awk '$2 !~ /^Z/ {print $1}' || true)
        [[ -z "$left" ]] && break
        sleep 0.1
    done
    summary=$(grep -E '^[0-9]+% tests passed' "$log" || echo "no summary")
    result="passed"
    if [[ $rc -ne 0 ]]; then
        result="FAILED"
    fi
    if [[ -n "$left" ]]; then
        result="FAILED"
        echo "run $k: processes left running, ended:" >>"$log"
        ps -o pid=,args= -s "$sid" >>"$log" || true
        pkill -KILL -s "$sid" || true
        summary="$summary; $(echo "$left" | wc -l) process(es) left running"
    fi
    echo "run $k/$runs: $result in $((SECONDS - start)) s ($summary)"
    if [[ $result == passed ]]; then
        passed=$((passed + 1))
    else
        grep -E '^\s+[0-9]+ - .*\((Failed|Timeout|SEGFAULT|Subprocess aborted|Not Run|Exception)' \
            "$log" | sed 's/^/    /' || true
        echo "    log: $log"
    fi
done
echo "$passed of $runs runs passed"
[[ $passed -eq $runs ]]
