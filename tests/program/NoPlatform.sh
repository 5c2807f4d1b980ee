#!/usr/bin/env bash
# No display to start on (a platform that cannot start): the meter says so in
# one line on standard error and exits with status 1, never an abort.
#
# Usage: NoPlatform.sh PROGRAM
set -u
program="$1"
scratch="$(mktemp -d "${TMPDIR:-/tmp}/trovik-noplatform-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
. "$(dirname "${BASH_SOURCE[0]}")/ScratchHome.sh"
scratch_home "$scratch"
unset DISPLAY WAYLAND_DISPLAY

for platform in xcb wayland; do
    QT_QPA_PLATFORM=$platform timeout 60 "$program" --simulate 2>"$scratch/err" >/dev/null
    status=$?
    lines=$(wc -l <"$scratch/err")
    if ((status != 1)) || ((lines != 1)) || ! grep -q "^Trovik: 画面に表示できません" "$scratch/err"; then
        echo "$platform: status $status, $lines lines on stderr:" >&2
        cat "$scratch/err" >&2
        exit 1
    fi
done
echo "passed"
