#!/bin/sh
# The main job: builds vantorel.exe, makes a throw-away Wine prefix with a sample game
# installation, starts a sample server on 127.0.0.1 (full at first, a slot frees after about
# 20 seconds) and opens the launcher on your display. Closing the launcher ("X") ends it all.
# Without a display, the same tour is played by the end-to-end driver on a private X server.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
sh scripts/deps.sh demo
sh scripts/build.sh windows
bin="$root/build/windows/bin"

if [ -z "${DISPLAY:-}" ]; then
    echo "No display (DISPLAY is not set): the launcher is driven through the tour on a private X server."
    sh tests/e2e/run_e2e.sh "$bin" "$root/build/windows"
    exit
fi

work=$(mktemp -d /tmp/vantorel-demo.XXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

echo "Making a Wine prefix with a sample installation (about ten seconds)..."
wineboot -i >"$work/wineboot.log" 2>&1
wineserver -w
game=$(sh scripts/sample-install.sh "$WINEPREFIX" "$bin")
wine "$bin/bfv-sample-server.exe" --port 23000 --free-after 20 --quiet >"$work/server.log" 2>&1 &

cat <<EOT

Vantorel is starting. Things to try:
  - Pick "Sample server" in Favorite Servers: the stats window shows its title, map and players.
  - It is full: tick "Wait for a free slot, then join". About 20 seconds after the start a slot
    frees, and at the next refresh (every 10 seconds) the stand-in game is started to join it.
  - Type a name, IP and port and click "Add To Fav's"; pick it, then click "Remove".
  - "Launch Game" with "-- No Server --" starts the stand-in game with the chosen profile.
  - Drag the launcher by its title: the stats window follows. "X" ends the demo.
What the stand-in game was started with is written to:
  $game/bfvietnam.starts.txt

EOT
wine "$bin/vantorel.exe" || true
echo "The stand-in game recorded:"
cat "$game/bfvietnam.starts.txt" 2>/dev/null || echo "  (it was not started)"
