#!/usr/bin/env bash
# Starts the meter under Xvfb on the simulated line and saves a screenshot of
# each layout, of the system menu and of the tray menu (in a small tray host),
# for review (docs/screenshots/). Needs xvfb, imagemagick, x11-utils, xdotool
# and trayer (installed when missing). Uses a scratch settings folder: the
# user's own settings are not touched.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/deps.sh
for pkg in xvfb imagemagick x11-utils xdotool trayer; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
        missing="${missing:-} $pkg"
done
if [[ -n "${missing:-}" ]]; then
    ${SUDO:-$( [[ $(id -u) -ne 0 ]] && echo sudo)} apt-get install -y -qq $missing
fi
cmake --preset default >/dev/null
cmake --build --preset default -j "${TROVIK_JOBS:-2}" --target Trovik
out=docs/screenshots
mkdir -p "$out"
scratch="$(mktemp -d)"
display=":$((90 + RANDOM % 9))"
Xvfb "$display" -screen 0 640x480x24 -nolisten tcp &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$scratch"' EXIT
sleep 1
export DISPLAY="$display" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
export XDG_RUNTIME_DIR="$scratch/run"
mkdir -p "$XDG_CONFIG_HOME/Qanto" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
names=(standard smaller tiny-horizontal tiny-vertical larger)
for layout in 0 1 2 3 4; do
    printf '[Settings]\nLayoutType=%s\nWndPosX=40\nWndPosY=40\nShowError=1\n' "$layout" \
        >"$XDG_CONFIG_HOME/Qanto/Vemaro.conf"
    build/default/bin/Trovik --simulate &
    meter=$!
    sleep 12  # dial, then a few seconds of traffic
    id="$(xdotool search --sync --onlyvisible --pid "$meter" | head -1)"
    import -window "$id" "$out/layout-$layout-${names[$layout]}.png"
    if ((layout == 0)); then
        xdotool mousemove --window "$id" 20 10 click 3
        sleep 1
        import -window root -crop 400x420+0+0 "$out/system-menu.png"
        xdotool key Escape
    fi
    kill "$meter"
    wait "$meter" 2>/dev/null || true
done
# The tray: the meter starts there, and its menu opens on a right click.
trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 24 \
    --transparent false & tray=$!
sleep 1
printf '[Settings]\nTrayIconOnStart=1\nMeterInTray=1\n' >"$XDG_CONFIG_HOME/Qanto/Vemaro.conf"
build/default/bin/Trovik --simulate &
meter=$!
sleep 10
xdotool mousemove 628 12 click 3
sleep 1
import -window root -crop 640x420+0+0 "$out/tray-menu.png"
kill "$meter" "$tray"
wait "$meter" 2>/dev/null || true

# The settings sheet: a left click opens it (ClickL=288); Ctrl+Tab walks the
# seven pages. On 累計情報 the "詳細" button of the first row opens the charge
# detail dialog (its place follows the page template at the dialog font).
printf '[Settings]\nWndPosX=560\nWndPosY=420\nClickL=288\nMeterInTray=1\nTrayIcon=2\nDefaultTollType=1\nTollTypesDispMask=-5\nExtDLL=TrvikPelkin.so\n' \
    >"$XDG_CONFIG_HOME/Qanto/Vemaro.conf"
build/default/bin/Trovik --simulate &
meter=$!
sleep 4
id="$(xdotool search --sync --onlyvisible --pid "$meter" --name '通信速度' | head -1)"
xdotool mousemove --window "$id" 20 10 click 1
sleep 2
sheet="$(xdotool search --sync --onlyvisible --name '設定変更' | head -1)"
pages=(basic mouse disconnect display cumulative extension other)
for i in 0 1 2 3 4 5 6; do
    import -window "$sheet" "$out/settings-$((i + 1))-${pages[$i]}.png"
    if ((i == 4)); then
        xdotool mousemove --window "$sheet" 367 129 click 1
        sleep 2
        detail="$(xdotool search --sync --onlyvisible --name '料金詳細' | head -1)"
        import -window "$detail" "$out/charge-detail.png"
        xdotool key Escape
        sleep 1
    fi
    xdotool key --window "$sheet" ctrl+Tab
    sleep 2
done
kill "$meter"
echo "screenshots in $out"
