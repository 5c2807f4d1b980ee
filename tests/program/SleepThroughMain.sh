#!/usr/bin/env bash
# The program as a user starts it, on the simulated line, with a logind of
# its own on a private system bus: the sleep and the resume that logind
# announces reach the meter, which logs both.
#
# Usage: SleepThroughMain.sh PROGRAM FAKE-LOGIND
set -u
program="$1"
fake="$2"
command -v dbus-daemon >/dev/null || { echo "no dbus-daemon" >&2; exit 77; }

. "$(dirname "${BASH_SOURCE[0]}")/ScratchHome.sh"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/trovik-sleep-XXXXXX")"
pids=()
cleanup() {
    exec 4>&- 2>/dev/null
    local pid
    for pid in "${pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

start_private_bus "$scratch" || exit 1

mkfifo "$scratch/commands"
"$fake" "$address" <"$scratch/commands" >"$scratch/login.out" &
pids+=($!)
exec 4>"$scratch/commands"
wait_for_text "$scratch/login.out" "ready" || exit 1

scratch_home "$scratch"
export DBUS_SYSTEM_BUS_ADDRESS="$address"
printf '[Settings]\nLogFile=1\n' >"$XDG_CONFIG_HOME/Qanto/Vemaro.conf"
log="$XDG_DATA_HOME/Qanto/Vemaro/demo/Trovik.LOG"

"$program" --simulate &
meter=$!
pids+=($meter)
wait_for_text "$scratch/login.out" "inhibited" || exit 1
echo sleep >&4
wait_for_text "$log" "スリープに入りました" || exit 1
sleep 1
echo wake >&4
wait_for_text "$log" "スリープから復帰しました (休止 0時間00分)" || exit 1
# After the resume the meter takes a new delay lock.
for ((t = 0; t < 600; ++t)); do
    (($(grep -c inhibited "$scratch/login.out") >= 2)) && break
    sleep 0.1
done
if (($(grep -c inhibited "$scratch/login.out") < 2)); then
    echo "no new lock after the resume" >&2
    exit 1
fi
sleep 0.5
if (($(grep -c "スリープから復帰しました" "$log") != 1)); then
    echo "the resume was logged more than once" >&2
    cat "$log" >&2
    exit 1
fi
kill -TERM "$meter"
wait "$meter"
status=$?
if ((status != 0)); then
    echo "the meter ended with $status" >&2
    exit 1
fi
cat "$log"
echo "passed"
