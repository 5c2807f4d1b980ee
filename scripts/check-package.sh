#!/usr/bin/env bash
# Checks a built package without installing it: its fields, its layout once
# unpacked, and that the unpacked program runs on the simulated line as an
# ordinary user (so its own folder is not writable and the records go to the
# user's data folder), ends cleanly on SIGTERM and leaves its records.
set -euo pipefail
deb="$1"
fail() { echo "package check: $*" >&2; exit 1; }

fields="$(dpkg-deb --field "$deb" Package Version Architecture Depends Section Maintainer Description)"
grep -q '^Package: trovik$' <<<"$fields" || fail "package name"
grep -q '^Section: net$' <<<"$fields" || fail "section"
grep -q '^Depends: .*fonts-ipafont-gothic' <<<"$fields" || fail "the font is not a dependency"
grep -q '^Depends: .*libqt6widgets6' <<<"$fields" || fail "shlibdeps did not run"
grep -q '^Depends: .*libsqlite3-0' <<<"$fields" || fail "the SQLite library is not a dependency"
version="$(dpkg-deb --field "$deb" Version)"

scratch="$(mktemp -d)"
trap 'kill "${meter:-}" 2>/dev/null || true; rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for path in usr/lib/trovik/Trovik usr/lib/trovik/TrvikLunvar.so usr/lib/trovik/TrvikPelkin.so \
    usr/lib/trovik/TrvikMorvex.so usr/lib/trovik/help/index.html \
    usr/share/applications/trovik.desktop usr/share/icons/hicolor/64x64/apps/trovik.png \
    usr/share/man/man1/trovik.1.gz usr/share/doc/trovik/copyright usr/share/doc/trovik/README.md \
    usr/lib/trovik/trovik-acctd usr/lib/systemd/system/trovik-acctd.service \
    usr/share/dbus-1/system.d/org.trovik.Acctd1.conf; do
    [[ -f "$root/$path" ]] || fail "missing /$path"
done
[[ "$(readlink "$root/usr/bin/trovik")" == ../lib/trovik/Trovik ]] || fail "/usr/bin/trovik"
# The accounting helper is installed but not enabled: no unit is linked in.
if find "$root" -path '*.wants/*' | grep -q .; then fail "the helper's unit is enabled"; fi
grep -q '^BusName=org.trovik.Acctd1$' "$root/usr/lib/systemd/system/trovik-acctd.service" ||
    fail "the helper's unit"
# The unit as systemd reads it, pointed at the unpacked helper: a key it does
# not know or a value it cannot parse is printed, and ignored when it runs.
if command -v systemd-analyze >/dev/null; then
    unit="$scratch/trovik-acctd.service"
    sed "s|^ExecStart=/usr/lib/trovik/|ExecStart=$root/usr/lib/trovik/|" \
        "$root/usr/lib/systemd/system/trovik-acctd.service" >"$unit"
    said="$(systemd-analyze verify --man=no "$unit" 2>&1)" || fail "the helper's unit: $said"
    [[ -z "$said" ]] || fail "systemd reads the helper's unit with: $said"
fi
zcat "$root/usr/share/man/man1/trovik.1.gz" | grep -q "Trovik $version" || fail "manual page version"
"$root/usr/bin/trovik" --version | grep -qF "$version" || fail "--version does not say $version"
if find "$root" -name '*.tmp*' -o -name '*.o' | grep -q .; then fail "stray build files"; fi

# Run it as nobody, as a user whose program folder is not writable.
home="$scratch/home"
mkdir -p "$home/run" "$home/.config/Qanto"
printf '[Settings]\nLogFile=1\nLogCumulate=1\nLogStatics=1\n' >"$home/.config/Qanto/Vemaro.conf"
chmod 700 "$home/run"
chown -R nobody:nogroup "$home"
before="$(find "$root" | sort | sha1sum)"
setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i HOME="$home" XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen PATH=/usr/bin:/bin \
    "$root/usr/bin/trovik" --simulate >"$scratch/out.log" 2>&1 &
meter=$!
sleep 8
kill -0 "$meter" 2>/dev/null || { cat "$scratch/out.log" >&2; fail "the program ended on its own"; }
kill -TERM "$meter"
status=0
wait "$meter" || status=$?
meter=""
((status == 0)) || { cat "$scratch/out.log" >&2; fail "exit status $status after SIGTERM"; }
demo="$home/.local/share/Qanto/Vemaro/demo"
for record in Trovik.DAT Trovik.LOG Trovik.STA "Trovik_$(date +%Y).CUM"; do
    [[ -s "$demo/$record" ]] || fail "no $record in $demo"
done
[[ "$(find "$root" | sort | sha1sum)" == "$before" ]] || fail "the program wrote into its own folder"
echo "package check: $(basename "$deb") is sound"
