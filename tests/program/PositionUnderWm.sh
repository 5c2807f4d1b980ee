#!/usr/bin/env bash
# The meter keeps its place from run to run under a window manager that
# frames it: the position it stores at its end is the one it started at.
#
# Usage: PositionUnderWm.sh PROGRAM
set -u
program="$1"
command -v Xvfb >/dev/null && command -v openbox >/dev/null || {
    echo "needs Xvfb and openbox" >&2
    exit 77
}
. "$(dirname "${BASH_SOURCE[0]}")/ScratchHome.sh"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/trovik-place-XXXXXX")"
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill -KILL "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

display=":$((200 + RANDOM % 50))"
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for ((t = 0; t < 50; ++t)); do
    [[ -e "/tmp/.X11-unix/X${display#:}" ]] && break
    sleep 0.1
done
export DISPLAY="$display"
# Frames each window with a title bar and a border.
openbox --config-file /dev/null >/dev/null 2>&1 &
pids+=($!)
sleep 1

scratch_home "$scratch"
unset QT_QPA_PLATFORM  # the X display, framed by the window manager
settings="$XDG_CONFIG_HOME/Qanto/Vemaro.conf"
printf '[Settings]\nWndPosX=100\nWndPosY=100\n' >"$settings"
for run in 1 2 3; do
    "$program" --simulate >/dev/null 2>&1 &
    meter=$!
    pids+=($meter)
    sleep 3
    kill -TERM "$meter"
    wait "$meter"
    if ! grep -qx "WndPosX=100" "$settings" || ! grep -qx "WndPosY=100" "$settings"; then
        echo "run $run moved the meter:" >&2
        grep WndPos "$settings" >&2
        exit 1
    fi
done
echo "passed"
