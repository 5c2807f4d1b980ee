#!/usr/bin/env bash
# The counter source's tick with 3 and with 4,000 links present, one of them
# (the loopback link) counted: each run in a network namespace of its own
# with veth pairs, which carry nothing. Needs root (or user namespaces).
#
# Usage: scripts/measure-links.sh [TROVIK-BENCH]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bench="${1:-build/default/bench/trovik-bench}"
for links in 3 4001; do
    echo "== $links links"
    unshare -n bash -c '
        links=$1
        bench=$2
        ip link set lo up
        for ((i = 1; i + 1 < links; i += 2)); do
            echo "link add trva$i type veth peer name trvb$i"
        done | ip -batch -
        echo "links present: $(ip -o link show | wc -l)"
        TROVIK_BENCH_LINK=lo "$bench" --benchmark_filter=LinuxSourceTick \
            --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null |
            grep -E "^LinuxSourceTick.*_median"
    ' measure "$links" "$bench"
done
