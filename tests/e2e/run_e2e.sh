#!/bin/sh
# The end-to-end test: a throw-away Wine prefix with a sample installation, on a private
# Xvfb display, the real vantorel.exe driven by e2e_driver.exe. With "openbox" a real window
# manager runs and the mouse and keys come from the X server (xdotool). The screenshots of
# the launcher with the stats window, and of the Servers window, land in the build folder.
# Wine's loader (32- or 64-bit) follows the build.
# Usage: run_e2e.sh WINDOWS_BIN_DIR BUILD_DIR [bare|openbox] [DPI]
set -eu
bin=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
mode=${3:-bare}
dpi=${4:-96}
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-loader.sh"
wine_use "$(pe_arch "$bin/vantorel.exe")"
work=$(mktemp -d /tmp/vantorel-e2e.XXXXXX)
xvfb_pid=""
wm_pid=""
stop() {
    [ -n "$1" ] && kill "$1" 2>/dev/null || true
    [ -n "$1" ] && wait "$1" 2>/dev/null || true
}
cleanup() {
    status=$?
    WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
    stop "$wm_pid"
    stop "$xvfb_pid"
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT INT TERM

# At 200 % the screen is 1280 pixels wide, too narrow for the two windows side by side: the
# stats window docks below the launcher.
screen=1280x800x24
[ "$dpi" -gt 120 ] && screen=1280x1600x24
# Xvfb picks a free display and writes its number once it is ready to take clients.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r display <"$work/display"
export DISPLAY=":$display" WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
"$wine" wineboot -i >"$work/wineboot.log" 2>&1
# The DPI that winecfg sets.
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >>"$work/wineboot.log" 2>&1
wineserver -w
game=$(sh "$root/scripts/sample-install.sh" "$WINEPREFIX" "$bin")

xdotool=""
if [ "$mode" = openbox ]; then
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    # The window manager is up once it has claimed the screen's selection.
    tries=0
    # (xprop can block while openbox grabs the server as it starts: each look is bounded.)
    until timeout 2 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        tries=$((tries + 1))
        [ "$tries" -gt 100 ] && { echo "openbox did not start" >&2; exit 1; }
        sleep 0.1
    done
    xdotool=$("$wine" winepath -w "$(command -v xdotool)")
fi

# The program runs from a folder of its own, as a player's copy does: the driver writes the
# masters it is to ask into Vantorel.ini beside it, which no other run shares.
mkdir "$work/app"
cp "$bin/vantorel.exe" "$work/app/"
status=0
"$wine" "$bin/e2e_driver.exe" "$("$wine" winepath -w "$work/app/vantorel.exe")" "$("$wine" winepath -w "$bin/bfv-sample-server.exe")" \
    'C:\Games\Battlefield Vietnam' "$("$wine" winepath -w "$work/screenshot.bmp")" "$dpi" ${xdotool:+"$xdotool"} || status=$?
if [ -f "$work/screenshot.bmp" ]; then
    convert "$work/screenshot.bmp" "$build/e2e-screenshot-$mode-$dpi.png" &&
        echo "screenshot: $build/e2e-screenshot-$mode-$dpi.png"
fi
if [ -f "$work/screenshot-servers.bmp" ]; then
    convert "$work/screenshot-servers.bmp" "$build/e2e-servers-$mode-$dpi.png" &&
        echo "screenshot: $build/e2e-servers-$mode-$dpi.png"
fi
[ -f "$game/bfvietnam.starts.txt" ] && cat "$game/bfvietnam.starts.txt"
exit "$status"
