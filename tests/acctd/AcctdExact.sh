#!/usr/bin/env bash
# The accounting helper counts known traffic exactly, per cgroup, and serves
# each user only its own cgroups. Runs as root: a fresh cgroup of the
# machine's cgroup v2 hierarchy becomes the root of a cgroup namespace, in a
# private mount and network namespace; the helper is attached there (so it
# counts only this test's processes) and serves on a private bus whose policy
# includes the installed one. Datagrams and a TCP transfer go over a veth
# pair into a second namespace, from processes in two cgroups of user 0;
# a third cgroup belongs to user 65534.
#
# Usage: AcctdExact.sh DAEMON CLIENT TCPMOVER POLICY
set -u
daemon="$1"
client="$2"
mover="$3"
policy="$4"
ip=$(command -v ip || echo /usr/sbin/ip)

if [[ "${5:-}" != --inside ]]; then
    if ((EUID != 0)); then
        echo "needs root (BPF, cgroups and namespaces)" >&2
        exit 77
    fi
    host_cg=$(sed -n 's/^[^ ]* [^ ]* [^ ]* [^ ]* \([^ ]*\) .* - cgroup2 .*/\1/p' /proc/self/mountinfo | head -n 1)
    if [[ -z "$host_cg" ]]; then
        echo "no cgroup v2 hierarchy is mounted" >&2
        exit 77
    fi
    if ! unshare -C -m -n true 2>/dev/null; then
        echo "no cgroup, mount and network namespace can be made here" >&2
        exit 77
    fi
    own_cg="$host_cg$(sed -n 's/^0:://p' /proc/self/cgroup)"
    test_cg="$host_cg/trovik-acctd-test-$$"
    mkdir "$test_cg" || { echo "no cgroup can be made under $host_cg" >&2; exit 77; }
    scratch="$(mktemp -d "${TMPDIR:-/tmp}/trovik-acctd-XXXXXX")"
    chmod 755 "$scratch"
    pids=()
    cleanup() {
        for p in "${pids[@]}"; do
            kill -KILL "$p" 2>/dev/null
        done
        wait 2>/dev/null
        echo $$ >"$own_cg/cgroup.procs" 2>/dev/null
        find "$test_cg" -depth -type d -exec rmdir {} + 2>/dev/null
        rm -rf "$scratch"
    }
    trap cleanup EXIT
    # The server's namespace, and the server, outside the counted cgroup.
    unshare -n sleep 600 &
    peer=$!
    pids+=("$peer")
    for ((t = 0; t < 50; ++t)); do
        [[ "$(readlink /proc/$peer/ns/net)" != "$(readlink /proc/$$/ns/net)" ]] && break
        sleep 0.1
    done
    nsenter -t "$peer" -n "$mover" serve 5001 &
    pids+=($!)
    echo $$ >"$test_cg/cgroup.procs" || exit 77
    unshare -C -m -n bash "$0" "$daemon" "$client" "$mover" "$policy" --inside "$peer" "$scratch"
    exit $?
fi

peer="$6"
scratch="$7"
pids=()
cleanup() {
    for p in "${pids[@]}"; do
        kill -TERM "$p" 2>/dev/null
    done
    wait 2>/dev/null
}
trap cleanup EXIT
fails=0
fail() {
    echo "$*" >&2
    fails=1
}

mount --make-rprivate /
cg="$scratch/cg"
mkdir "$cg"
if ! mount -t cgroup2 none "$cg" 2>/dev/null; then
    echo "the kernel does not mount cgroup2 here" >&2
    exit 77
fi
mkdir -p "$cg/user.slice/user-0.slice/a" "$cg/user.slice/user-0.slice/b" \
    "$cg/user.slice/user-65534.slice/c"
id_a=$(stat -c %i "$cg/user.slice/user-0.slice/a")
id_b=$(stat -c %i "$cg/user.slice/user-0.slice/b")
id_c=$(stat -c %i "$cg/user.slice/user-65534.slice/c")
"$ip" link set lo up

# A private bus with a system bus's default policy, and the helper's own.
cat >"$scratch/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <listen>unix:path=$scratch/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
  </policy>
  <include>$policy</include>
</busconfig>
CONF
bus="unix:path=$scratch/bus"
dbus-daemon --config-file="$scratch/bus.conf" --nofork --nopidfile &
pids+=($!)
for ((t = 0; t < 50; ++t)); do
    [[ -S "$scratch/bus" ]] && break
    sleep 0.1
done

# A folder that is no cgroup v2 hierarchy is refused with a message.
"$daemon" --cgroup-root "$scratch" --bus "$bus" 2>"$scratch/refused.log"
status=$?
((status == 69)) && grep -q "no cgroup v2" "$scratch/refused.log" ||
    fail "a folder as the cgroup root: status $status, $(cat "$scratch/refused.log")"

"$daemon" --prune-after soon >/dev/null 2>&1
status=$?
((status == 2)) || fail "a wrong --prune-after: status $status"

# Entries of removed cgroups go after 5 s unchanged, so that the test sees it.
"$daemon" --cgroup-root "$cg" --bus "$bus" --prune-after 5 >"$scratch/acctd.log" 2>&1 &
acctd=$!
pids+=("$acctd")
for ((t = 0; t < 50; ++t)); do
    [[ "$("$client" version "$bus" 2>/dev/null)" == 1 ]] && break
    if ! kill -0 "$acctd" 2>/dev/null; then
        cat "$scratch/acctd.log" >&2
        wait "$acctd"
        status=$?
        ((status == 69)) && { echo "no BPF here" >&2; exit 77; }
        echo "the helper ended with $status" >&2
        exit 1
    fi
    sleep 0.1
done
[[ "$("$client" version "$bus")" == 1 ]] || { echo "the helper does not serve" >&2; exit 1; }

if ! "$ip" link add trv0 type veth peer name trv1 netns "$peer" 2>/dev/null; then
    echo "no veth pair into a second namespace can be made here" >&2
    exit 77
fi
# Nothing but the test's own packets on the pair: no IPv6, no ARP.
sysctl -qw net.ipv6.conf.trv0.disable_ipv6=1
nsenter -t "$peer" -n sysctl -qw net.ipv6.conf.trv1.disable_ipv6=1
"$ip" addr add 192.0.2.1/24 dev trv0
nsenter -t "$peer" -n "$ip" link set lo up
nsenter -t "$peer" -n "$ip" addr add 192.0.2.2/24 dev trv1
own_mac=$("$ip" -o link show trv0 | grep -o "link/ether [0-9a-f:]*" | cut -d" " -f2)
peer_mac=$(nsenter -t "$peer" -n "$ip" -o link show trv1 | grep -o "link/ether [0-9a-f:]*" | cut -d" " -f2)
"$ip" neigh replace 192.0.2.2 lladdr "$peer_mac" dev trv0 nud permanent
# Datagrams to an address nobody has: the peer drops them without answer.
"$ip" neigh replace 192.0.2.3 lladdr "$peer_mac" dev trv0 nud permanent
nsenter -t "$peer" -n "$ip" neigh replace 192.0.2.1 lladdr "$own_mac" dev trv1 nud permanent
nsenter -t "$peer" -n "$ip" link set trv1 up
"$ip" link set trv0 up
trv0=$("$ip" -o link show trv0 | cut -d: -f1)
sleep 0.5

# Runs a command as a process of cgroup $1.
in_cgroup() {
    local dir="$1"
    shift
    (
        echo "$BASHPID" >"$dir/cgroup.procs" && exec "$@"
    )
}
in_cgroup "$cg/user.slice/user-0.slice/a" "$client" udp 192.0.2.3 9 1000 1200 || fail "udp a"
# TCP segments sent again, in this namespace or the peer's, from the kernel's
# counters (a loaded machine drops packets on the pair).
retrans_segs() {
    awk '$1 == "Tcp:" { if (!c) { for (i = 2; i <= NF; ++i) if ($i == "RetransSegs") c = i }
        else print $c }' /proc/net/snmp
}
own_retrans=$(retrans_segs)
peer_retrans=$(nsenter -t "$peer" -n bash -c "$(declare -f retrans_segs); retrans_segs")
in_cgroup "$cg/user.slice/user-0.slice/b" "$mover" fetch 192.0.2.2 5001 3000000 1000000 0 ||
    fail "the transfer in b"
own_retrans=$(($(retrans_segs) - own_retrans))
peer_retrans=$(($(nsenter -t "$peer" -n bash -c "$(declare -f retrans_segs); retrans_segs") - peer_retrans))
in_cgroup "$cg/user.slice/user-65534.slice/c" \
    setpriv --reuid=65534 --regid=65534 --clear-groups "$client" udp 192.0.2.3 9 10 100 ||
    fail "udp c"
# A socket of cgroup a in the peer's namespace, sending over that namespace's
# loopback: ifindex 1 there, as lo is here.
in_cgroup "$cg/user.slice/user-0.slice/a" nsenter -t "$peer" -n "$client" udp 127.0.0.1 9 100 1200 ||
    fail "udp a in the peer's namespace"
sleep 0.5

# An entry's field ($4 bytes, $5 packets) for cgroup, link and direction,
# from the answer in $1; 0 when it has none.
field() {
    awk -v c="$2" -v i="$3" -v d="$4" -v f="$5" '$1 == c && $2 == i && $3 == d { print $f; n = 1 }
        END { if (!n) print 0 }' <<<"$1"
}
root_counts=$("$client" counts "$bus") || fail "Counts as root"
echo "Counts as root:"
echo "$root_counts"

# A datagram of N bytes counts N + 28 at the hook (IPv4 and UDP headers).
check() {
    local what="$1" got="$2" want="$3"
    ((got == want)) || fail "$what: $got, expected $want"
}
check "a sent bytes" "$(field "$root_counts" "$id_a" "$trv0" 1 4)" $((1000 * (1200 + 28)))
check "a sent packets" "$(field "$root_counts" "$id_a" "$trv0" 1 5)" 1000
check "a received bytes" "$(field "$root_counts" "$id_a" "$trv0" 0 4)" 0
check "c sent bytes" "$(field "$root_counts" "$id_c" "$trv0" 1 4)" $((10 * (100 + 28)))
check "c sent packets" "$(field "$root_counts" "$id_c" "$trv0" 1 5)" 10
# Where the kernel lets the helper tell namespaces apart, the peer's
# datagrams are not taken for this namespace's lo.
if grep -q "this network namespace only" "$scratch/acctd.log"; then
    check "a sent on lo (the peer's)" "$(field "$root_counts" "$id_a" 1 1 5)" 0
else
    echo "this kernel cannot tell namespaces apart: a's datagrams in the peer's" \
        "namespace count to lo: $(field "$root_counts" "$id_a" 1 1 5) packets"
fi

# TCP: the payload plus one IPv4 header (20 bytes) and one TCP header (20 to
# 60 bytes) per packet the hook saw; a segment offloaded whole is one packet.
# A segment sent again crosses again: up to 64 KiB more for each.
tcp_bounds() {
    local what="$1" dir="$2" payload="$3" resent="$4"
    local bytes packets
    bytes=$(field "$root_counts" "$id_b" "$trv0" "$dir" 4)
    packets=$(field "$root_counts" "$id_b" "$trv0" "$dir" 5)
    if ((packets < 3 || bytes < payload + 40 * packets ||
        bytes > payload + 80 * packets + 65536 * resent)); then
        fail "$what: $bytes bytes in $packets packets for a payload of $payload"
    fi
    echo "$what: $bytes bytes in $packets packets for a payload of $payload," \
        "$resent segments sent again"
}
tcp_bounds "b received" 0 3000000 "$peer_retrans"
tcp_bounds "b sent" 1 1000016 "$own_retrans"

# Another user is served its own cgroup only; a user without a slice (uid 1) nothing.
nobody_counts=$(setpriv --reuid=65534 --regid=65534 --clear-groups "$client" counts "$bus") ||
    fail "Counts as 65534"
[[ "$nobody_counts" == "$id_c $trv0 1 1280 10" ]] ||
    fail "served to 65534: '$nobody_counts', expected only cgroup c's entry"
stranger=$(setpriv --reuid=1 --regid=1 --clear-groups "$client" counts "$bus") ||
    fail "Counts as 1"
[[ -z "$stranger" ]] || fail "served to 1 (daemon): '$stranger'"
# Only the three methods are open to callers; the name is root's.
denied=$(setpriv --reuid=65534 --regid=65534 --clear-groups \
    "$client" call "$bus" org.freedesktop.DBus.Introspectable Introspect)
[[ "$denied" == org.freedesktop.DBus.Error.AccessDenied ]] ||
    fail "Introspect as 65534: $denied"
links=$(setpriv --reuid=65534 --regid=65534 --clear-groups "$client" links "$bus") ||
    fail "LinkTotals as 65534"

# The counts go on between callers: a caller that comes back sees the same
# entries plus what moved meanwhile, and a removed cgroup stays its user's.
rmdir "$cg/user.slice/user-65534.slice/c" || fail "cgroup c cannot be removed"
in_cgroup "$cg/user.slice/user-0.slice/a" "$client" udp 192.0.2.3 9 500 1200 || fail "udp a again"
again=$("$client" counts "$bus") || fail "Counts again"
check "a sent bytes later" "$(field "$again" "$id_a" "$trv0" 1 4)" $((1500 * (1200 + 28)))
check "b received bytes later" "$(field "$again" "$id_b" "$trv0" 0 4)" \
    "$(field "$root_counts" "$id_b" "$trv0" 0 4)"
nobody_again=$(setpriv --reuid=65534 --regid=65534 --clear-groups "$client" counts "$bus")
[[ "$nobody_again" == "$nobody_counts" ]] || fail "65534 after c was removed: '$nobody_again'"

# The link as the program and the kernel counted it: the kernel adds the
# 14-byte Ethernet header of each frame, and nothing else crossed the pair
# but this test's packets, so the difference is that and nothing more.
links=$("$client" links "$bus") || fail "LinkTotals"
read -r _ c_rx c_tx l_rx l_tx < <(awk -v i="$trv0" '$1 == i' <<<"$links")
dev_rx=$(awk '$1 == "trv0:" { print $2 }' /proc/net/dev)
dev_tx=$(awk '$1 == "trv0:" { print $10 }' /proc/net/dev)
check "link received (LinkTotals against /proc/net/dev)" "$l_rx" "$dev_rx"
check "link sent (LinkTotals against /proc/net/dev)" "$l_tx" "$dev_tx"
rx_packets=$(awk -v i="$trv0" '$2 == i && $3 == 0 { s += $5 } END { print s + 0 }' <<<"$again")
tx_packets=$(awk -v i="$trv0" '$2 == i && $3 == 1 { s += $5 } END { print s + 0 }' <<<"$again")
echo "link trv0 received: kernel $l_rx, program $c_rx in $rx_packets packets," \
    "no cgroup's: $((l_rx - c_rx)) bytes"
echo "link trv0 sent: kernel $l_tx, program $c_tx in $tx_packets packets," \
    "no cgroup's: $((l_tx - c_tx)) bytes"
check "received beyond the Ethernet headers" $((l_rx - c_rx - 14 * rx_packets)) 0
check "sent beyond the Ethernet headers" $((l_tx - c_tx - 14 * tx_packets)) 0

# Through the meter's main, with the helper on its system bus: datagrams
# from cgroup a count to an application, not to the unattributed row.
if [[ -n "${TROVIK_PROGRAM:-}" ]]; then
    . "$(dirname "${BASH_SOURCE[0]}")/../program/ScratchHome.sh"
    scratch_home "$scratch/meter"
    export DBUS_SYSTEM_BUS_ADDRESS="$bus"
    mkdir -p "$scratch/meter/prog"
    cp "$TROVIK_PROGRAM" "$scratch/meter/prog/Trovik"
    printf '[Settings]\nInterfaces=trv0\nLogFile=1\n' >"$XDG_CONFIG_HOME/Qanto/Vemaro.conf"
    "$scratch/meter/prog/Trovik" &
    meter=$!
    pids+=("$meter")
    wait_for_text "$scratch/meter/prog/Trovik.LOG" "- - - - - -" || fail "the meter did not start"
    sleep 2.5  # the helper's first answer is the meter's baseline
    in_cgroup "$cg/user.slice/user-0.slice/a" "$client" udp 192.0.2.3 9 1000 1200 ||
        fail "udp a for the meter"
    sleep 2.5
    kill -TERM "$meter"
    wait "$meter" || fail "the meter ended with $?"
    csv=$("$scratch/meter/prog/Trovik" --export csv --apps) || fail "--export --apps"
    echo "$csv"
    apps_sent=$(awk -F, 'NR > 1 && $2 != "" { s += $5 } END { print s + 0 }' <<<"$csv")
    check "the applications' bytes sent, through the meter" "$apps_sent" $((1000 * (1200 + 28)))
    meter_packets=1000
fi

# Cgroup c has been gone for a while: its entry is dropped, the others stay.
for ((t = 0; t < 30; ++t)); do
    late=$("$client" counts "$bus") || fail "Counts at the end"
    [[ "$(field "$late" "$id_c" "$trv0" 1 4)" == 0 ]] && break
    sleep 0.5
done
check "c's entry, 5 s after its cgroup went" "$(field "$late" "$id_c" "$trv0" 1 4)" 0
check "a's entry beside it" "$(field "$late" "$id_a" "$trv0" 1 5)" \
    $(($(field "$again" "$id_a" "$trv0" 1 5) + ${meter_packets:-0}))
grep -q "dropped [0-9]* entries of removed cgroups" "$scratch/acctd.log" ||
    fail "the helper did not say it dropped c's entry"

kill -TERM "$acctd"
wait "$acctd" || fail "the helper ended with $? after SIGTERM"
((fails == 0)) || { cat "$scratch/acctd.log" >&2; exit 1; }
echo "ok"
