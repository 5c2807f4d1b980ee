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

# The engine's layers, lowest first: a header includes only its own layer's
# headers and those of the layers below.
echo "== layers"
layers=(res stats settings ext core)
bad=0
for ((low = 0; low < ${#layers[@]}; ++low)); do
    for ((high = low + 1; high < ${#layers[@]}; ++high)); do
        if git grep -n "#include \"${layers[high]}/" -- "${layers[low]}/*.h"; then
            echo "a ${layers[low]}/ header includes one of ${layers[high]}/, a higher layer" >&2
            bad=1
        fi
    done
done
((bad == 0)) || exit 1

passed=0
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
    passed=$((passed + $(grep -oP '(?<=tests passed, 0 tests failed out of )[0-9]+' "$log")))
done

# The Debian package: built from the default tree, unpacked and run.
echo "== package"
deb="$(scripts/package.sh | tail -1)"
scripts/check-package.sh "$deb"

# Every reader of a stored file, the modules' INI files and the settings
# file is fuzzed for a short while on each run.
echo "== fuzz"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
seconds="${TROVIK_FUZZ_SECONDS:-15}"
fuzztmp="$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)"
trap 'rm -rf "$fuzztmp"' EXIT
for target in build/fuzz/fuzz/fuzz-*; do
    corpus="$(mktemp -d)"
    log="$corpus.log"
    echo "-- $(basename "$target") for ${seconds}s"
    # Inputs as large as the files they stand for (two year files for the
    # cumulative target: the year and the one before it).
    case "$(basename "$target")" in
        fuzz-Cumulative) maxlen=90000 ;;
        fuzz-WeeklyScope) maxlen=12000 ;;
        fuzz-GraphSnapshot) maxlen=8000 ;;
        fuzz-AllowanceState) maxlen=200 ;;
        fuzz-ProfileIni | fuzz-Settings) maxlen=8000 ;;
        *) maxlen=120000 ;;
    esac
    status=0
    # Every write is flushed to disk; a memory-backed TMPDIR keeps that cheap.
    (cd "$corpus" && TMPDIR="$fuzztmp" "$OLDPWD/$target" -max_total_time="$seconds" \
        -max_len="$maxlen" -rss_limit_mb=2048 -print_final_stats=1 "$corpus") \
        >"$log" 2>&1 || status=$?
    grep -E "stat::number_of_executed_units|ERROR|SUMMARY" "$log" || true
    if ((status != 0)); then
        tail -50 "$log" >&2
        echo "$(basename "$target") found a fault" >&2
        exit 1
    fi
    rm -rf "$corpus" "$log"
done
echo "all fuzz targets ran clean"
echo "tests: $passed passed, 0 failed"
