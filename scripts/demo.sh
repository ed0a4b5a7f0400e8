#!/bin/sh
# The main job: builds vantorel.exe, starts three sample servers (one per dialect that live
# servers speak) and checks that each answers, then opens the launcher under Wine, in a prefix
# with a sample game installation, on your display. Closing the launcher ("X") ends it all.
# Without a display, the same tour is played by the end-to-end driver on a private X server.
# The programs are 32-bit where this host runs 32-bit programs, 64-bit under Wine's 64-bit
# loader where it cannot (or when VANTOREL_WINDOWS_ARCH=win64 asks).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/windows-arch.sh
. scripts/wine-loader.sh
windows_arch_decide "$root/build"
wine_use "$windows_arch"
sh scripts/deps.sh demo "$windows_arch"

# A server that cannot bind its port fails into a log that nobody reads, and the launcher can
# then only say "No response from server". So say what holds the port, before anything starts.
port_holder() {
    ss -Hulpn 'sport = :23000' 2>/dev/null | awk '
        {
            local = $4
            sub(/:23000$/, "", local); sub(/%.*/, "", local); sub(/^\[::ffff:/, "", local); sub(/\]$/, "", local)
            if (local !~ /^(\*|0\.0\.0\.0|127\.0\.0\.[123])$/) next
            who = "another program"
            if (match($0, /users:\(\("[^"]*",pid=[0-9]+/)) {
                split(substr($0, RSTART + 9, RLENGTH - 9), user, /",pid=/)
                who = user[1] " (pid " user[2] ")"
            }
            printf "UDP port 23000 on %s is taken by %s, and the sample servers need it: stop that program and run the demo again.\n", local, who
            exit
        }'
}
taken=$(port_holder)
if [ -n "$taken" ]; then
    echo "$taken" >&2
    exit 1
fi

echo "$windows_arch_line"
build="$root/build/$windows_preset"
bin="$build/bin"

if [ -z "${DISPLAY:-}" ]; then
    sh scripts/configure.sh "$windows_preset" with-tests
    cmake --build --preset "$windows_preset" --target vantorel bfvietnam bfv-sample-server e2e_driver -- -j2
    echo "No display (DISPLAY is not set): the launcher is driven through the tour on a private X server."
    exec sh tests/e2e/run_e2e.sh "$bin" "$build"
fi
# The sample servers run natively: Wine binds a UDP socket meant for 127.0.0.2 or 127.0.0.3 to
# every address, so under Wine only one of the three could have port 23000, and it would
# answer from the wrong address.
sh scripts/configure.sh "$windows_preset"
cmake --build --preset "$windows_preset" --target vantorel bfvietnam -- -j2
sh scripts/configure.sh native
cmake --build --preset native --target bfv-sample-server -- -j2

# A prefix of the programs' own kind: a 32-bit one is half the size of a 64-bit one, and made
# in half the time.
export WINEPREFIX="$build/demo-prefix" WINEARCH="$windows_arch" WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
logs="$build/demo-logs"
rm -rf "$logs"
mkdir -p "$logs"
servers=""
cleanup() {
    wineserver -k 2>/dev/null || true
    # shellcheck disable=SC2086
    [ -z "$servers" ] || kill $servers 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# The prefix is kept between runs and made again only when what it is made from changes. It is
# made without a display, so that Wine's first-run update shows no dialog; its Wine processes,
# started without a display, are ended before the launcher starts (wineserver -k saves the
# registry, and takes a second where waiting for them to leave by themselves takes five).
recipe=$({ cat scripts/sample-install.sh; "$wine" --version; echo "$WINEARCH $WINEDLLOVERRIDES"; } | sha256sum | cut -c1-16)
if [ "$(cat "$WINEPREFIX/.vantorel-demo" 2>/dev/null)" = "$recipe" ]; then
    game=$(sh scripts/sample-install.sh "$WINEPREFIX" "$bin" --demo --files-only)
else
    echo "Making the demo's Wine prefix with a sample installation (once, about ten seconds)..."
    rm -rf "$WINEPREFIX"
    env -u DISPLAY -u WAYLAND_DISPLAY "$wine" wineboot -i >"$logs/wineboot.log" 2>&1
    game=$(env -u DISPLAY -u WAYLAND_DISPLAY sh scripts/sample-install.sh "$WINEPREFIX" "$bin" --demo)
    wineserver -k
    echo "$recipe" >"$WINEPREFIX/.vantorel-demo"
fi

# name, address, dialect, options
start_server() {
    # shellcheck disable=SC2086
    "$root/build/native/bin/bfv-sample-server" --bind "$2" --dialect "$3" --hostname "$1" --quiet $4 \
        >"$logs/server-$2.log" 2>&1 &
    servers="$servers $!"
    pids="$pids $2=$!"
}
pids=""
start_server "Vantorel Sample (full)" 127.0.0.1 full "--free-after 20"
start_server "Vantorel Sample (standard)" 127.0.0.2 standard ""
start_server "Vantorel Sample (GameSpy 2)" 127.0.0.3 gs2 ""
# shellcheck disable=SC2086
if ! failed=$(python3 scripts/probe-servers.py 10 $pids); then
    cleanup
    servers=""
    taken=$(port_holder)
    if [ -n "$taken" ]; then
        echo "$taken" >&2
    else
        said=$(cat "$logs"/server-*.log | grep -v '^answering' | head -n 1)
        echo "The demo cannot start: $(echo "$failed" | head -n 1)${said:+ ($said)}" >&2
    fi
    exit 1
fi

cat <<EOT
Vantorel is starting. Pick a favourite and the stats window beside the launcher shows it:
  Sample server            127.0.0.1  answers every request in full; full for about 20 seconds
  Standard sample server   127.0.0.2  answers as most live servers do, long replies in parts
  GameSpy 2 sample server  127.0.0.3  answers only the newer binary query
On "Sample server" tick "Wait for a free slot, then join": once a slot frees (about 20 seconds
after the start) the next refresh starts the stand-in game, which notes its command line in
  $game/bfvietnam.starts.txt
Type a name, IP and port and click "Add To Fav's"; pick it, then "Remove". "X" ends the demo.
EOT
"$wine" "$bin/vantorel.exe" &
wait $!
echo "The stand-in game recorded:"
cat "$game/bfvietnam.starts.txt" 2>/dev/null || echo "  (it was not started)"
