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
# ---- The record viewers: weekly scope, cumulative info, usage per application ----
# Four days and today of the simulated line go into the demo records first,
# through the replay tool and so through the meter's own record writers: an
# evening session every day, a morning one on some, traffic varying by day.
cmake --build --preset default -j "${TROVIK_JOBS:-2}" --target trovik-replay
demo="$XDG_DATA_HOME/Qanto/Vemaro/demo"
mkdir -p "$demo"
{
    echo "clock $(date -d '4 days ago' +%F) 00:00:00"
    echo "set LogStatics 1"
    echo "set LogCumulate 1"
    # The scripted line knows no applications: its days would all be
    # unattributed. The picture of the usage per application shows the
    # simulated line's own, which knows a few.
    echo "set AppUsage 0"
    echo "start"
    for day in 0 1 2 3; do
        morning=$((45 + 30 * (day % 3)))
        echo "run 8h"
        echo "connect"
        echo "rate $((200 + 60 * day)) $((2500 + 700 * day))"
        echo "run ${morning}m"
        echo "disconnect"
        echo "rate 0 0"
        echo "run $((11 * 60 - morning))m"
        echo "connect"
        echo "rate $((350 + 40 * day)) $((4800 - 500 * day))"
        echo "run $((90 + 25 * day))m"
        echo "rate 60 900"
        echo "run 20m"
        echo "disconnect"
        echo "rate 0 0"
        echo "run $((5 * 60 - 110 - 25 * day))m"
    done
    hour=$((10#$(date +%H)))
    if ((hour >= 2)); then
        echo "run $((hour - 2))h"
        echo "connect"
        echo "rate 300 4100"
        echo "run 90m"
        echo "disconnect"
    fi
    echo "exit"
} >"$scratch/demo.script"
build/default/tools/replay/trovik-replay --program "$demo/Trovik" "$scratch/demo.script"
# The viewers are wider than the layouts' screen: a larger one of their own.
viewers=":$((80 + RANDOM % 9))"
Xvfb "$viewers" -screen 0 1024x600x24 -nolisten tcp &
xvfbViewers=$!
trap 'kill $xvfb $xvfbViewers 2>/dev/null; rm -rf "$scratch"' EXIT
sleep 1
printf '[Settings]\nLayoutType=0\nWndPosX=40\nWndPosY=40\nLogStatics=1\nLogCumulate=1\nAppUsage=1\n' \
    >"$XDG_CONFIG_HOME/Qanto/Vemaro.conf"
DISPLAY="$viewers" build/default/bin/Trovik --simulate &
meter=$!
export DISPLAY="$viewers"
sleep 6
id="$(xdotool search --sync --onlyvisible --pid "$meter" | head -1)"
# A viewer from the system menu by its mnemonic; the window found by its title.
open_viewer() {
    xdotool mousemove --window "$id" 20 10 click 3
    sleep 1
    xdotool key "$1"
    xdotool search --sync --onlyvisible --name "$2" | head -1
}
scope="$(open_viewer w 週間スコープ)"
sleep 1
# The pointer over Saturday at 20:00 names that slot in the status line.
eval "$(xdotool getwindowgeometry --shell "$scope")"
xdotool mousemove --window "$scope" $((WIDTH * 136 / 383)) $((HEIGHT * 172 / 243))
sleep 1
import -window "$scope" "$out/weekly-scope.png"
xdotool key Escape
sleep 1
info="$(open_viewer r 累計情報)"
sleep 1
# Each view by its radio button along the bottom, scaled by "最適" (the
# hour view has no scale).
eval "$(xdotool getwindowgeometry --shell "$info")"
views=(time transfer hours charges)
for view in 0 1 2 3; do
    xdotool mousemove --window "$info" $((WIDTH * (10 + 60 * view) / 246)) $((HEIGHT * 218 / 227)) click 1
    sleep 0.5
    if ((view != 2)); then
        xdotool mousemove --window "$info" $((WIDTH * 68 / 246)) $((HEIGHT * 202 / 227)) click 1
    fi
    sleep 1
    import -window "$info" "$out/cumulative-info-${views[$view]}.png"
done
xdotool key Escape
sleep 1
# The usage per application over the billing period: the focus starts on
# 今日, the arrow key moves it to 今期; a second's refresh comes after.
usage="$(open_viewer p アプリ別の通信量)"
sleep 1
xdotool key Right
sleep 2
import -window "$usage" "$out/app-usage.png"
xdotool key Escape
kill "$meter"
wait "$meter" 2>/dev/null || true
export DISPLAY="$display"
# ---- end of the record viewers ----

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
# eight pages. On 累計情報 the "詳細" button of the first row opens the charge
# detail dialog (its place follows the page template at the dialog font).
# データ量 shows the demo records' use of this period against a 3 GB allowance.
printf '[Settings]\nWndPosX=560\nWndPosY=420\nClickL=288\nMeterInTray=1\nTrayIcon=2\nDefaultTollType=1\nTollTypesDispMask=-5\nExtDLL=TrvikPelkin.so\nQuotaMB=3072\n' \
    >"$XDG_CONFIG_HOME/Qanto/Vemaro.conf"
build/default/bin/Trovik --simulate &
meter=$!
sleep 4
id="$(xdotool search --sync --onlyvisible --pid "$meter" --name '通信速度' | head -1)"
xdotool mousemove --window "$id" 20 10 click 1
sleep 2
sheet="$(xdotool search --sync --onlyvisible --name '設定変更' | head -1)"
pages=(basic mouse disconnect display cumulative extension other quota)
for i in 0 1 2 3 4 5 6 7; do
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

# --- the rate graph, the dial-up info and the log viewer ---
# The replay tool first runs thirteen hours of a simulated line (bursts and
# pauses of a 56k modem, a few line errors, a redial every few hours) into
# the demo folder, so the log holds a day's lines and the graph snapshot has
# all four levels full; the snapshot is shown in each of the graph's modes
# from the log viewer. The live graph and the dial-up info come from the
# simulated meter itself, opened by a click bound to their commands.
cmake --build --preset default -j "${TROVIK_JOBS:-2}" --target trovik-replay
demo="$XDG_DATA_HOME/Qanto/Vemaro/demo"
mkdir -p "$demo"
rm -f "$demo"/Trovik.LOG "$demo"/Trovik.DAT
RANDOM=4242
{
    printf 'clock 2026-12-07 09:00:00\nset LogFile 1\nset DiscOnIdol 0\n'
    printf 'counter ConnectSpeed 53333\nstart\nconnect\nrun 10\n'
    for ((elapsed = 0; elapsed < 13 * 3600; )); do
        if ((RANDOM % 2)); then
            secs=$((10 + RANDOM % 240))
            printf 'rate %d %d\n' $((15 + RANDOM % 40)) $((250 + RANDOM % 310))
        else
            secs=$((5 + RANDOM % 120))
            printf 'rate 0 0\n'
        fi
        ((RANDOM % 40 == 0)) && printf 'add CRC 1\n'
        if ((RANDOM % 150 == 0)); then
            printf 'rate 0 0\ndisconnect\nrun 2m\nconnect\n'
        fi
        printf 'run %ds\n' "$secs"
        elapsed=$((elapsed + secs))
    done
    printf 'exit\n'
} >"$scratch/day.script"
build/default/tools/replay/trovik-replay --program "$demo/Trovik" "$scratch/day.script" >/dev/null
cp "$demo/Trovik.DAT" "$scratch/Trovik.DAT"
cp "$demo/Trovik.LOG" "$scratch/Trovik.LOG"

# Starts the simulated meter with the given settings, waits, clicks it and
# saves the window whose title matches, then ends the meter.
viewer_shot() { # settings wait title file [keys]
    printf '[Settings]\nLayoutType=0\nWndPosX=40\nWndPosY=20\nLogFile=1\n%b' "$1" \
        >"$XDG_CONFIG_HOME/Qanto/Vemaro.conf"
    cp "$scratch/Trovik.DAT" "$scratch/Trovik.LOG" "$demo/"
    build/default/bin/Trovik --simulate &
    meter=$!
    sleep "$2"
    id="$(xdotool search --sync --onlyvisible --pid "$meter" | head -1)"
    xdotool mousemove --window "$id" 20 10 click 1
    sleep 2
    if [[ -n "${5:-}" ]]; then
        xdotool key "$5"
        sleep 2
    fi
    win="$(xdotool search --all --sync --onlyvisible --pid "$meter" --name "$3" | head -1)"
    import -window "$win" "$out/$4.png"
    kill "$meter"
    sleep 1
    kill -9 "$meter" 2>/dev/null || true
    wait "$meter" 2>/dev/null || true
}
viewer_shot 'ClickL=384\n' 15 'ダイヤルアップの情報' dialup-info
viewer_shot 'ClickL=320\nGraphMode=0\n' 40 '転送速度の推移' graph-live
viewer_shot 'ClickL=400\n' 3 'ログ表示' log-viewer
for mode in 0 1 2 3; do
    viewer_shot "ClickL=400\nGraphMode=$mode\n" 3 '時点の推移グラフ' "graph-snapshot-mode-$mode" alt+p
done
scripts/screenshot-wayland.sh
echo "screenshots in $out"
