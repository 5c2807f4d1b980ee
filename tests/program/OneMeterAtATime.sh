#!/usr/bin/env bash
# Starts two meters at the same moment, round after round, on the simulated
# line with scratch folders of their own (a private runtime folder among
# them): each round exactly one must stay, the other ending at once with
# status 0. Only the processes started here are ever signalled.
#
# Usage: OneMeterAtATime.sh PROGRAM [ROUNDS]
set -u
program="$1"
rounds="${2:-40}"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/trovik-one-meter-XXXXXX")"
started=()
cleanup() {
    local pid
    for pid in "${started[@]}"; do
        kill -TERM "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR="$scratch/runtime" XDG_CONFIG_HOME="$scratch/config"
export XDG_DATA_HOME="$scratch/data" XDG_CACHE_HOME="$scratch/cache"
export HOME="$scratch/home" TMPDIR="$scratch/tmp" QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$HOME" "$TMPDIR"
mkdir -m 700 "$XDG_RUNTIME_DIR"

running() { kill -0 "$1" 2>/dev/null; }

# Waits up to $2 hundredths of a second for process $1 to end.
ends_within() {
    local t
    for ((t = 0; t < $2; t += 2)); do
        running "$1" || return 0
        sleep 0.02
    done
    return 1
}

fail() {
    echo "round $round: $*" >&2
    for log in "$scratch"/*.log; do
        echo "--- $(basename "$log")" >&2
        tail -20 "$log" >&2
    done
    exit 1
}

for ((round = 1; round <= rounds; ++round)); do
    "$program" --simulate >"$scratch/a.log" 2>&1 &
    a=$!
    "$program" --simulate >"$scratch/b.log" 2>&1 &
    b=$!
    started=("$a" "$b")

    # The second starter asks the first and ends; 10 s is far more than that takes.
    for ((t = 0; t < 1000; t += 2)); do
        running "$a" && running "$b" || break
        sleep 0.02
    done
    if running "$a" && running "$b"; then
        fail "two meters are running"
    fi
    if running "$a"; then
        meter=$a ended=$b
    elif running "$b"; then
        meter=$b ended=$a
    else
        fail "no meter stayed"
    fi
    wait "$ended"
    status=$?
    ((status == 0)) || fail "the second meter ended with status $status"
    sleep 0.1
    running "$meter" || fail "the meter ended when the other one did"

    kill -TERM "$meter"
    ends_within "$meter" 1000 || fail "the meter did not end on SIGTERM"
    wait "$meter" 2>/dev/null
    started=()
done
echo "$rounds rounds: one meter each time"
