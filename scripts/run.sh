#!/usr/bin/env bash
# Builds Trovik and starts the meter, passing on its arguments:
#   scripts/run.sh --simulate   a simulated 56k dial-up line (records in a demo folder)
#   scripts/run.sh              your own line (every PPP link, or the Interfaces setting)
# Installs the Debian packages it needs when they are missing.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "${TROVIK_JOBS:-2}" --target Trovik
exec build/default/bin/Trovik "$@"
