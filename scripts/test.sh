#!/usr/bin/env bash
# Builds Trovik and passes every test: the engine alone without Qt, the whole
# tree, and the whole tree again under AddressSanitizer and
# UndefinedBehaviorSanitizer. Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/deps.sh

jobs="${TROVIK_JOBS:-2}"
export QT_QPA_PLATFORM=offscreen

echo "== format"
mapfile -t sources < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -name '*.cpp' -o -name '*.h')
if ((${#sources[@]})); then
    clang-format --dry-run --Werror "${sources[@]}"
fi

for preset in engine default asan; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    log="build/$preset/ctest.log"
    ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log"
    # A sanitizer report that did not abort the test still fails the run.
    if grep -q "runtime error:" "$log"; then
        echo "sanitizer reported a runtime error" >&2
        exit 1
    fi
done
