#!/usr/bin/env bash
# The usage per application through the program's main: two processes move
# known bytes over TCP on the counted link, one end of a veth pair whose
# other end lies in a second namespace with the server; a third opens and
# closes its connection between two of the meter's dumps, and UDP datagrams
# go out besides. Each process is found by its executable's name within 1 %,
# the short connection is counted, the UDP lands in the unattributed row,
# and the rows add up to what the kernel counted on the link. Then the meter
# is killed with SIGKILL, and its record still reads whole. Runs inside a
# network namespace of its own (IsolatedNet.sh); nothing leaves it but
# through the pair, into the second namespace.
#
# Usage: AppsThroughMain.sh PROGRAM TCPMOVER
set -u
program="$1"
mover="$2"
ip=$(command -v ip || echo /usr/sbin/ip)

if [[ "$("$ip" -o link show | grep -vc ': lo:')" != 0 ]]; then
    echo "run this only through IsolatedNet.sh" >&2
    exit 1
fi

scratch="$(mktemp -d "${TMPDIR:-/tmp}/trovik-apps-XXXXXX")"
pids=()
meter=""
cleanup() {
    [[ -n "$meter" ]] && kill -KILL "$meter" 2>/dev/null
    for p in "${pids[@]}"; do
        kill -KILL "$p" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

# The server's namespace: a process that only holds it.
unshare -n sleep 600 &
peer=$!
pids+=("$peer")
for ((t = 0; t < 50; ++t)); do
    [[ "$(readlink /proc/$peer/ns/net)" != "$(readlink /proc/$$/ns/net)" ]] && break
    sleep 0.1
done
if ! "$ip" link add trv0 type veth peer name trv1 netns "$peer" 2>/dev/null; then
    echo "no veth pair into a second namespace can be made here" >&2
    exit 77
fi
"$ip" addr add 192.0.2.1/24 dev trv0
nsenter -t "$peer" -n "$ip" link set lo up
nsenter -t "$peer" -n "$ip" addr add 192.0.2.2/24 dev trv1
nsenter -t "$peer" -n "$ip" link set trv1 up
# The datagrams go to an address nobody has, delivered to the peer's end,
# which drops them without an answer.
peer_mac=$(nsenter -t "$peer" -n "$ip" -o link show trv1 | grep -o "link/ether [0-9a-f:]*" | cut -d" " -f2)
"$ip" neigh replace 192.0.2.3 lladdr "$peer_mac" dev trv0 nud permanent
nsenter -t "$peer" -n "$mover" serve 5001 &
pids+=($!)

. "$(dirname "${BASH_SOURCE[0]}")/ScratchHome.sh"
scratch_home "$scratch"
mkdir -p "$scratch/prog" "$scratch/bin"
cp "$program" "$scratch/prog/Trovik"
for name in mover-a mover-b mover-q; do
    cp "$mover" "$scratch/bin/$name"
done
printf '[Settings]\nInterfaces=trv0\nLogFile=1\nLogCumulate=1\n' \
    >"$XDG_CONFIG_HOME/Qanto/Vemaro.conf"
log="$scratch/prog/Trovik.LOG"
# The link's byte counters as this namespace's kernel keeps them (/sys shows
# another namespace's links): received, then sent.
counter() {
    awk -v field="$1" '$1 == "trv0:" { print (field == "rx" ? $2 : $10) }' /proc/net/dev
}

"$scratch/prog/Trovik" &
meter=$!
# The line comes up once the meter runs: a call of its own.
wait_for_text "$log" "- - - - - -" || exit 1
"$ip" link set trv0 up
wait_for_text "$log" "回線が接続されました" || exit 1
# The meter's first dump marks the sockets open before it.
sleep 2
rx0=$(counter rx)
tx0=$(counter tx)

"$scratch/bin/mover-a" fetch 192.0.2.2 5001 20000000 1000000 4 &
a=$!
"$scratch/bin/mover-b" fetch 192.0.2.2 5001 5000000 8000000 4 &
b=$!
sleep 1.5
# Over in a few milliseconds: between two dumps.
"$scratch/bin/mover-q" fetch 192.0.2.2 5001 3000000 0 0 || exit 1
# 1,000 datagrams of 1,400 bytes: no socket the meter follows.
exec 3>/dev/udp/192.0.2.3/9
for ((n = 0; n < 1000; ++n)); do
    printf '%1400s' x >&3
done
exec 3>&-
wait "$a" || { echo "mover-a failed" >&2; exit 1; }
wait "$b" || { echo "mover-b failed" >&2; exit 1; }
sleep 2
rx1=$(counter rx)
tx1=$(counter tx)
sleep 1.5
kill -TERM "$meter"
wait "$meter"
meter=""

csv="$("$scratch/prog/Trovik" --export csv --apps)" || exit 1
echo "$csv"
"$scratch/prog/Trovik" --report --apps || exit 1

# Sums a column (4 received, 5 sent) over the rows whose name is $1 ("" all).
column() {
    awk -F, -v name="$1" -v col="$2" 'NR > 1 && (name == "" || $3 == name) { s += $col }
        END { printf "%d\n", s }' <<<"$csv"
}
fails=0
# Within 1 % of what was moved (the header of 16 bytes goes to the server).
near() {
    local what="$1" got="$2" want="$3"
    if ((got * 100 < want * 99 || got * 100 > want * 101)); then
        echo "$what: $got, expected about $want" >&2
        fails=1
    fi
}
near "mover-a received" "$(column mover-a 4)" 20000000
near "mover-a sent" "$(column mover-a 5)" 1000016
near "mover-b received" "$(column mover-b 4)" 5000000
near "mover-b sent" "$(column mover-b 5)" 8000016
# The short connection: seen by a dump under its name, or only at its close
# (its process unknown by then) under その他.
near "the short connection" "$(($(column mover-q 4) + $(column その他 4)))" 3000000
unattributed_sent=$(column "未特定 (UDP/QUIC など)" 5)
if ((unattributed_sent < 1400000)); then
    echo "the datagrams are not in the unattributed row: $unattributed_sent" >&2
    fails=1
fi
# The rows add up to the link as the kernel counted it while the meter ran
# (the meter also counts a little before and after the two readings).
near "all rows received" "$(column "" 4)" $((rx1 - rx0))
near "all rows sent" "$(column "" 5)" $((tx1 - tx0))
((fails == 0)) || exit 1

# Killed at any moment, the record still opens and keeps what it had.
before=$(column "" 4)
"$scratch/prog/Trovik" &
meter=$!
sleep 2
"$scratch/bin/mover-a" fetch 192.0.2.2 5001 4000000 0 1 &
a=$!
sleep 1.3
kill -KILL "$meter"
wait "$meter" 2>/dev/null
meter=""
wait "$a"
csv="$("$scratch/prog/Trovik" --export csv --apps)" || { echo "the record does not read after SIGKILL" >&2; exit 1; }
after=$(column "" 4)
if ((after < before)); then
    echo "the record lost bytes after SIGKILL: $after < $before" >&2
    exit 1
fi
echo "ok"
