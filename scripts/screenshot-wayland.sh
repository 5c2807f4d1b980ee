#!/usr/bin/env bash
# Starts the meter natively in a headless Wayland session of its own (weston
# with its desktop shell) on the simulated line and saves a screenshot of the
# whole session (docs/screenshots/wayland-native.png). Needs weston. Uses a
# scratch settings folder: the user's own settings are not touched.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
command -v weston-screenshooter >/dev/null || {
    echo "needs weston" >&2
    exit 1
}
[[ -x build/default/bin/Trovik ]] || {
    cmake --preset default >/dev/null
    cmake --build --preset default -j "${TROVIK_JOBS:-2}" --target Trovik
}
out="$PWD/docs/screenshots"
mkdir -p "$out"
scratch="$(mktemp -d)"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$scratch"' EXIT
unset DISPLAY
export XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/config"
export XDG_DATA_HOME="$scratch/data" WAYLAND_DISPLAY=trovik-shot QT_QPA_PLATFORM=wayland
mkdir -p "$XDG_CONFIG_HOME/Qanto" && mkdir -m 700 "$XDG_RUNTIME_DIR"
# --debug lets the screenshooter capture the output.
weston --backend=headless-backend.so --use-pixman --socket="$WAYLAND_DISPLAY" \
    --idle-time=0 --debug --width=480 --height=320 >"$scratch/weston.log" 2>&1 &
pids+=($!)
for ((t = 0; t < 50; ++t)); do
    [[ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]] && break
    sleep 0.1
done
build/default/bin/Trovik --simulate 2>"$scratch/meter.err" &
pids+=($!)
sleep 10  # dial, then a few seconds of traffic
(cd "$scratch" && weston-screenshooter)
mv "$scratch"/wayland-screenshot-*.png "$out/wayland-native.png"
cat "$scratch/meter.err"
echo "screenshot in $out/wayland-native.png"
