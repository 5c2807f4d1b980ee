#!/usr/bin/env bash
# Measures the meter's CPU time and resident memory against GKrellM, side by
# side, each on its own Xvfb display, for SECONDS (default 600) while a
# steady trickle of datagrams moves on the loopback interface (nothing leaves
# 127.0.0.1). Trovik watches lo (Interfaces=lo); GKrellM runs at 10 updates
# per second. Prints CPU seconds over the window and the peak RSS of each.
# With "graph" as the second word, the meter's live rate graph is open (a
# left click bound to it) for the whole window.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${1:-600}"
graph="${2:-}"
for pkg in xvfb gkrellm python3 xdotool; do
    command -v "${pkg/xvfb/Xvfb}" >/dev/null || apt-get install -y -qq "$pkg"
done
cmake --build --preset default --target Trovik >/dev/null
scratch="$(mktemp -d)"
pids=()
cleanup() { kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$scratch"; }
trap cleanup EXIT

Xvfb :82 -screen 0 640x480x24 -nolisten tcp & pids+=($!)
Xvfb :83 -screen 0 640x480x24 -nolisten tcp & pids+=($!)
sleep 1

# The busy line: 560 bytes ten times a second to the loopback discard port.
python3 - "$((seconds + 30))" <<'PY' & pids+=($!)
import socket, sys, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
end = time.time() + float(sys.argv[1])
while time.time() < end:
    s.sendto(b"x" * 560, ("127.0.0.1", 9))
    time.sleep(0.1)
PY

mkdir -p "$scratch/config/Qanto" "$scratch/run" "$scratch/gkrellm/.gkrellm2"
chmod 700 "$scratch/run"
printf '[Settings]\nInterfaces=lo\nScaleRx=6000\n' >"$scratch/config/Qanto/Vemaro.conf"
[[ "$graph" == graph ]] && printf 'ClickL=320\nGraphMode=0\n' >>"$scratch/config/Qanto/Vemaro.conf"
DISPLAY=:82 XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" \
    XDG_RUNTIME_DIR="$scratch/run" build/default/bin/Trovik & trovik=$!
pids+=($trovik)
printf 'update_HZ 10\n' >"$scratch/gkrellm/.gkrellm2/user-config"
DISPLAY=:83 HOME="$scratch/gkrellm" gkrellm >/dev/null 2>&1 & gkrellm=$!
pids+=($gkrellm)

cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }
if [[ "$graph" == graph ]]; then
    sleep 3
    id="$(DISPLAY=:82 xdotool search --sync --onlyvisible --pid "$trovik" | head -1)"
    DISPLAY=:82 xdotool mousemove --window "$id" 10 10 click 1
    sleep 2
    DISPLAY=:82 xdotool search --onlyvisible --name '転送速度の推移' >/dev/null ||
        { echo "the rate graph did not open" >&2; exit 1; }
fi
sleep 10  # start-up is not part of the steady state
t0=$(cpu $trovik); g0=$(cpu $gkrellm)
peakT=0; peakG=0
for ((i = 0; i < seconds; i += 5)); do
    sleep 5
    r=$(rss $trovik); ((r > peakT)) && peakT=$r
    r=$(rss $gkrellm); ((r > peakG)) && peakG=$r
done
t1=$(cpu $trovik); g1=$(cpu $gkrellm)
hz=$(getconf CLK_TCK)
awk -v a="$t0" -v b="$t1" -v c="$g0" -v d="$g1" -v hz="$hz" -v s="$seconds" \
    -v pt="$peakT" -v pg="$peakG" -v g="${graph:+ (live graph open)}" 'BEGIN {
    printf "over %d s: Trovik%s %.2f s CPU, peak RSS %.1f MB; GKrellM %.2f s CPU, peak RSS %.1f MB\n",
        s, g, (b - a) / hz, pt / 1024, (d - c) / hz, pg / 1024 }'
