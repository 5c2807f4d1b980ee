#!/usr/bin/env bash
# Which links the program counts, as a user starts it, with NetworkManager
# and ModemManager of its own on a private system bus. A veth pair is never
# the line, even reported metered; named in `Interfaces`, one end is, and it
# is connected while it is up with an address. Runs inside a network
# namespace of its own (IsolatedNet.sh).
#
# Usage: LinksThroughMain.sh PROGRAM FAKE-SERVICES
set -u
program="$1"
fake="$2"
ip=$(command -v ip || echo /usr/sbin/ip)
command -v dbus-daemon >/dev/null || { echo "no dbus-daemon" >&2; exit 77; }
if [[ "$("$ip" -o link show | grep -vc ': lo:')" != 0 ]]; then
    echo "run this only through IsolatedNet.sh" >&2
    exit 1
fi
if ! "$ip" link add trv0 type veth peer name trv1 2>/dev/null; then
    echo "no veth pair can be made here" >&2
    exit 77
fi
"$ip" addr add 192.0.2.1/24 dev trv0
"$ip" addr add 198.51.100.1/24 dev trv1

. "$(dirname "${BASH_SOURCE[0]}")/ScratchHome.sh"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/trovik-links-XXXXXX")"
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
"$fake" "$address" trv0:metered <"$scratch/commands" >"$scratch/services.out" &
pids+=($!)
exec 4>"$scratch/commands"
wait_for_text "$scratch/services.out" "ready" || exit 1

scratch_home "$scratch"
export DBUS_SYSTEM_BUS_ADDRESS="$address"
mkdir -p "$scratch/prog"
cp "$program" "$scratch/prog/Trovik"
log="$scratch/prog/Trovik.LOG"
settings="$XDG_CONFIG_HOME/Qanto/Vemaro.conf"

# Runs the meter with `Interfaces` = $1 while link $2 comes up (its peer $3
# is up), then loses its address $4.
run() {
    printf '[Settings]\nInterfaces=%s\nLogFile=1\n' "$1" >"$settings"
    rm -f "$log"
    : >"$scratch/services.out"
    "$ip" link set "$3" up
    "$scratch/prog/Trovik" &
    meter=$!
    pids+=($meter)
    wait_for_text "$scratch/services.out" "asked" || exit 1
    sleep 1
    "$ip" link set "$2" up
    sleep 2
    "$ip" addr del "$4" dev "$2"
    sleep 2
    kill -TERM "$meter"
    wait "$meter" || { echo "the meter ended with $?" >&2; exit 1; }
    "$ip" link set "$2" down
    "$ip" link set "$3" down
    "$ip" addr add "$4" dev "$2"
}

# NetworkManager reports trv0 metered: a veth link still is no line.
run "" trv0 trv1 192.0.2.1/24
if grep -q "回線が接続されました" "$log"; then
    echo "a veth link was counted as the line" >&2
    cat "$log" >&2
    exit 1
fi

# trv1, which no service manages, named by the user.
run trv1 trv1 trv0 198.51.100.1/24
for text in "回線が接続されました" "回線が切断されました"; do
    if (($(grep -c "$text" "$log") != 1)); then
        echo "expected one \"$text\": up with an address, then the address gone" >&2
        cat "$log" >&2
        exit 1
    fi
done
cat "$log"
echo "passed"
