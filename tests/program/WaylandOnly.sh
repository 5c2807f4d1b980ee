#!/usr/bin/env bash
# A session with Wayland only (a headless weston of its own): the meter runs
# natively, says once that it cannot keep above the others nor place itself,
# and stores back the position it was given, not one it did not choose.
#
# Usage: WaylandOnly.sh PROGRAM
set -u
program="$1"
command -v weston >/dev/null || { echo "no weston here" >&2; exit 77; }
scratch="$(mktemp -d "${TMPDIR:-/tmp}/trovik-wayland-XXXXXX")"
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT
. "$(dirname "${BASH_SOURCE[0]}")/ScratchHome.sh"
scratch_home "$scratch"
unset DISPLAY
# The meter's windows draw into shared memory. Without the OpenGL buffer
# integration, which it never uses, Qt does not bring in the Mesa driver,
# which Mesa unloads again at exit with allocations of its own that the leak
# checker then cannot name, let alone tell from the meter's.
export WAYLAND_DISPLAY=trovik-test QT_QPA_PLATFORM=wayland QT_WAYLAND_CLIENT_BUFFER_INTEGRATION=none

weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 \
    >"$scratch/weston.log" 2>&1 &
pids+=($!)
for ((t = 0; t < 100; ++t)); do
    [[ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]] && break
    sleep 0.1
done
[[ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]] || { cat "$scratch/weston.log" >&2; exit 77; }

# The Wayland client library keeps a few allocations to the end of the
# process; they are its own, not the meter's.
printf 'leak:libwayland-client.so\n' >"$scratch/lsan.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$scratch/lsan.supp"

conf="$XDG_CONFIG_HOME/Qanto/Vemaro.conf"
printf '[Settings]\nWndPosX=40\nWndPosY=50\nTopMost=1\n' >"$conf"
"$program" --simulate 2>"$scratch/err" &
meter=$!
pids+=($meter)
wait_for_text "$scratch/err" "Wayland では最前面表示とウィンドウの位置を使えません" || exit 1
sleep 1
kill -TERM "$meter"
wait "$meter"
status=$?
if ((status != 0)); then
    echo "the meter ended with $status" >&2
    cat "$scratch/err" >&2
    exit 1
fi
if (($(grep -c "Wayland では" "$scratch/err") != 1)); then
    echo "said more than once" >&2
    exit 1
fi
grep -q "^WndPosX=40$" "$conf" && grep -q "^WndPosY=50$" "$conf" || {
    echo "stored a position it did not choose:" >&2
    cat "$conf" >&2
    exit 1
}
echo "passed"
