#!/usr/bin/env bash
# The meter stopped with SIGSTOP for 8 seconds while its line, one end of a
# veth pair, carries traffic: after SIGCONT it logs the interruption, keeps
# the bytes of the stop in its records, and records no connect time for the
# seconds it did not run. Ended by SIGHUP, it saves as on SIGTERM. Runs inside a network namespace of its own
# (IsolatedNet.sh); the datagrams go out of one end of the pair to a
# documentation address and die at the other end, in this namespace.
#
# Usage: FreezeOnVeth.sh PROGRAM
set -u
program="$1"
ip=$(command -v ip || echo /usr/sbin/ip)

if [[ "$("$ip" -o link show | grep -vc ': lo:')" != 0 ]]; then
    echo "run this only through IsolatedNet.sh" >&2
    exit 1
fi
if ! "$ip" link add trv0 type veth peer name trv1 2>/dev/null; then
    echo "no veth pair can be made here" >&2
    exit 77
fi
"$ip" link set trv0 up
"$ip" addr add 192.0.2.1/24 dev trv0
peer_mac=$("$ip" -o link show trv1 | grep -o "link/ether [0-9a-f:]*" | cut -d" " -f2)
"$ip" neigh replace 192.0.2.2 lladdr "$peer_mac" dev trv0 nud permanent
# The counted end is connected only with an address of its own.
"$ip" addr add 198.51.100.1/24 dev trv1

scratch="$(mktemp -d "${TMPDIR:-/tmp}/trovik-freeze-XXXXXX")"
pid=""
cleanup() {
    if [[ -n "$pid" ]]; then
        kill -CONT "$pid" 2>/dev/null
        kill -KILL "$pid" 2>/dev/null
    fi
    wait 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

. "$(dirname "${BASH_SOURCE[0]}")/ScratchHome.sh"
scratch_home "$scratch"
mkdir -p "$scratch/prog"
cp "$program" "$scratch/prog/Trovik"
printf '[Settings]\nInterfaces=trv1\nLogFile=1\nLogCumulate=1\n' \
    >"$XDG_CONFIG_HOME/Qanto/Vemaro.conf"
log="$scratch/prog/Trovik.LOG"

# Sends $1 datagrams of 1,400 bytes out of trv0: 1,442 bytes each on the
# line, received at trv1.
send() {
    local n
    exec 3>/dev/udp/192.0.2.2/9
    for ((n = 0; n < $1; ++n)); do
        printf '%1400s' x >&3
    done
    exec 3>&-
}


day_before=$(date +%j)
start=$(date +%s)
"$scratch/prog/Trovik" &
pid=$!
# The line comes up once the meter runs (the restart mark is the first
# thing its start writes): a call of its own.
wait_for_text "$log" "- - - - - -" || exit 1
"$ip" link set trv1 up
wait_for_text "$log" "回線が接続されました" || exit 1
send 1000
sleep 2
kill -STOP "$pid"
send 3000
sleep 8
kill -CONT "$pid"
wait_for_text "$log" "計測の中断を検出しました (0時間00分)" || exit 1
sleep 2
# The terminal that started the meter goes away: it ends with its save,
# which writes the open period of the call into the year file read below.
kill -HUP "$pid"
wait "$pid"
status=$?
pid=""
elapsed=$(($(date +%s) - start))
if ((status != 0)); then
    echo "the meter ended with $status" >&2
    exit 1
fi
if [[ "$(date +%j)" != "$day_before" ]]; then
    echo "the day changed during the test; its records are not checked" >&2
    exit 77
fi

# Today's record in this year's file: kilobytes received at offset 0, the
# 24 hours' seconds (16 bits) from offset 8, 4 bytes each.
year=$(date +%Y)
record=$((30 + 10#$day_before))
file="$scratch/prog/Trovik_$year.CUM"
at=$((4 + 104 * record))
recv_kb=$(od -A n -t u4 -j "$at" -N 4 "$file" | tr -d ' ')
seconds=0
for ((h = 0; h < 24; ++h)); do
    s=$(od -A n -t u2 -j $((at + 8 + 4 * h)) -N 2 "$file" | tr -d ' ')
    seconds=$((seconds + s))
done
echo "recorded ${seconds} s of ${elapsed} s, ${recv_kb} KB received"
# 4,000 datagrams of 1,442 bytes: 5,632 KB, the 3,000 of the stop included.
if ((recv_kb < 5632)); then
    echo "bytes of the stop are missing: ${recv_kb} KB" >&2
    exit 1
fi
# The 8 seconds stopped are not connect time.
if ((seconds > elapsed - 7)); then
    echo "the stop was recorded as connect time: ${seconds} s of ${elapsed} s" >&2
    exit 1
fi
if ! grep -q "回線が切断されました\|計測の中断" "$log"; then
    exit 1
fi
echo "passed"
