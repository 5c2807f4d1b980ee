#!/usr/bin/env bash
# Builds Trovik and runs the meter. Until the meter window exists this runs
# the engine headless on a simulated dial-up line (trovik-replay with the
# sample script), with its settings and files in a scratch folder.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "${TROVIK_JOBS:-2}" --target trovik-replay
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
XDG_CONFIG_HOME="$scratch" build/default/tools/replay/trovik-replay \
    --program "$scratch/Trovik" tools/replay/samples/sample-line.script
