#!/usr/bin/env bash
# A FIFO where the settings file belongs: the meter starts on the defaults,
# says so on standard error, ends on SIGTERM with status 0 and leaves the
# FIFO as it was; `--report` does not wait on it either.
#
# Usage: FifoSettings.sh PROGRAM
set -u
program="$1"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/trovik-fifo-XXXXXX")"
pid=""
cleanup() {
    [[ -n "$pid" ]] && kill -KILL "$pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

. "$(dirname "${BASH_SOURCE[0]}")/ScratchHome.sh"
scratch_home "$scratch"
fifo="$XDG_CONFIG_HOME/Qanto/Vemaro.conf"
mkfifo "$fifo"

fail() {
    echo "$1" >&2
    cat "$scratch/err" >&2 2>/dev/null
    exit 1
}

timeout 30 "$program" --report >/dev/null 2>"$scratch/err"
status=$?
((status != 124)) || fail "--report waited on the FIFO"
grep -q "設定ファイルが通常のファイルではない" "$scratch/err" || fail "--report did not say so"

"$program" --simulate 2>"$scratch/err" &
pid=$!
for ((t = 0; t < 600; ++t)); do
    grep -q "設定ファイルが通常のファイルではない" "$scratch/err" && break
    sleep 0.1
done
grep -q "設定ファイルが通常のファイルではない" "$scratch/err" || fail "the meter did not say so"
# The box that says so is up; a signal ends the meter from inside it.
kill -TERM "$pid"
for ((t = 0; t < 300; ++t)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the meter did not end on SIGTERM"
wait "$pid"
status=$?
pid=""
((status == 0)) || fail "the meter ended with $status"
[[ -p "$fifo" ]] || fail "the FIFO was replaced"
echo "passed"
