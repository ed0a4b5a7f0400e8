#!/bin/sh
# The end-to-end test: a throw-away Wine prefix with a sample installation, on a private
# Xvfb display, the real vantorel.exe driven by e2e_driver.exe. The screenshot of both
# windows lands in the build folder.
# Usage: run_e2e.sh WINDOWS_BIN_DIR BUILD_DIR
set -eu
bin=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/vantorel-e2e.XXXXXX)
xvfb_pid=""
cleanup() {
    status=$?
    WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT INT TERM

# Xvfb picks a free display and writes its number once it is ready to take clients.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r display <"$work/display"
export DISPLAY=":$display" WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wineboot -i >"$work/wineboot.log" 2>&1
wineserver -w
game=$(sh "$root/scripts/sample-install.sh" "$WINEPREFIX" "$bin")
status=0
wine "$bin/e2e_driver.exe" "$(winepath -w "$bin/vantorel.exe")" "$(winepath -w "$bin/bfv-sample-server.exe")" \
    'C:\Games\Battlefield Vietnam' "$(winepath -w "$work/screenshot.bmp")" || status=$?
if [ -f "$work/screenshot.bmp" ]; then
    convert "$work/screenshot.bmp" -crop 700x440+280+170 +repage "$build/e2e-screenshot.png" &&
        echo "screenshot: $build/e2e-screenshot.png"
fi
[ -f "$game/bfvietnam.starts.txt" ] && cat "$game/bfvietnam.starts.txt"
exit "$status"
