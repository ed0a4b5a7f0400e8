#!/bin/sh
# The main job: builds vantorel.exe, starts three sample servers (one per dialect that live
# servers speak), sixty more that differ from each other and a sample master listing them all
# (and a few that never answer), checks that each is ready, then opens the launcher under
# Wine, in a prefix with a sample game installation, on your display; its Servers window asks
# the sample master. Closing the launcher ("X") ends it all.
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
# then only say "No response from server". So say what holds a port, before anything starts.
# The demo's own ports: the three servers' query port, then (with a display) the range of
# varied servers and the master's TCP port, each on the addresses the demo binds.
servers_port=23000
range_first=23001
range_last=23060
# Listed by the master but served by nobody, so that the Servers window shows silent servers.
silent_first=23061
silent_last=23064
master_port=28910

# Usage: port_holder u|t FIRST LAST ADDRESSES NEEDS: prints one line naming the first port of
# FIRST-LAST (UDP or TCP) that a program holds on an address that clashes with ADDRESSES (an
# awk pattern), or nothing. NEEDS says who needs it.
port_holder() {
    ss -Hn"$1"lp "sport >= :$2 and sport <= :$3" 2>/dev/null | awk -v protocol="$1" -v clash="$4" -v needs="$5" '
        {
            local = $4
            port = local
            sub(/.*:/, "", port)
            sub(/:[0-9]+$/, "", local); sub(/%.*/, "", local); sub(/^\[::ffff:/, "", local); sub(/\]$/, "", local)
            # A socket on every address (IPv4, or IPv6 taking IPv4 too) clashes with each one.
            if (local !~ ("^(\\*|0\\.0\\.0\\.0|" clash ")$")) next
            who = "another program"
            if (match($0, /users:\(\("[^"]*",pid=[0-9]+/)) {
                split(substr($0, RSTART + 9, RLENGTH - 9), user, /",pid=/)
                who = user[1] " (pid " user[2] ")"
            }
            printf "%s port %s on %s is taken by %s, and %s it: stop that program and run the demo again.\n",
                protocol == "u" ? "UDP" : "TCP", port, local, who, needs
            exit
        }'
}
ports_taken() {
    taken=$(port_holder u "$servers_port" "$servers_port" '127[.]0[.]0[.][123]' "the sample servers need")
    if [ -z "$taken" ] && [ -n "${DISPLAY:-}" ]; then
        taken=$(port_holder u "$range_first" "$range_last" '127[.]0[.]0[.]1' "the sample servers need")
    fi
    if [ -z "$taken" ] && [ -n "${DISPLAY:-}" ]; then
        taken=$(port_holder t "$master_port" "$master_port" '127[.]0[.]0[.]1' "the sample master needs")
    fi
    [ -n "$taken" ] || return 1
    echo "$taken"
}
if taken=$(ports_taken); then
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
cmake --build --preset native --target bfv-sample-server bfv-sample-master -- -j2

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
# One process answers on every port of the range, each port a server of its own, so that the
# Servers window has a list worth sorting and filtering: some empty, some full, some locked.
"$root/build/native/bin/bfv-sample-server" --bind 127.0.0.1 --ports "$range_first-$range_last" --vary --quiet \
    >"$logs/server-range.log" 2>&1 &
servers="$servers $!"
pids="$pids 127.0.0.1:$range_first=$! 127.0.0.1:$range_last=$!"
# The master speaks the newer protocol, as the game's own browser does. It sends no field
# values: the names, maps and counts in the window then come from the servers' own answers.
"$root/build/native/bin/bfv-sample-master" --bind 127.0.0.1 --port "$master_port" --quiet \
    127.0.0.1:$servers_port 127.0.0.2:$servers_port 127.0.0.3:$servers_port \
    "127.0.0.1:$range_first-$range_last" "127.0.0.1:$silent_first-$silent_last" \
    >"$logs/master.log" 2>&1 &
servers="$servers $!"
pids="$pids tcp:127.0.0.1:$master_port=$!"
# shellcheck disable=SC2086
if ! failed=$(python3 scripts/probe-servers.py 10 $pids); then
    cleanup
    servers=""
    if taken=$(ports_taken); then
        echo "$taken" >&2
    else
        said=$(cat "$logs"/server-*.log "$logs"/master.log | grep -v -e '^answering' -e '^listing' | head -n 1)
        echo "The demo cannot start: $(echo "$failed" | head -n 1)${said:+ ($said)}" >&2
    fi
    exit 1
fi

# The Servers window asks the masters named beside the program, the sample master here. The
# program runs from a folder of its own, as a player's unpacked copy does, so that the build's
# folder (where the tests name masters of their own) is left alone. Written as Windows writes
# its files, with CR LF line ends.
app="$build/demo-app"
mkdir -p "$app"
cp "$bin/vantorel.exe" "$app/"
printf '[Masters]\r\n127.0.0.1:%s\r\n' "$master_port" >"$app/Vantorel.ini"

server_count=$((range_last - range_first + 1))
silent_count=$((silent_last - silent_first + 1))
cat <<EOT
Vantorel is starting. Pick a favourite and the stats window beside the launcher shows it:
  Sample server            127.0.0.1  answers every request in full; full for about 20 seconds
  Standard sample server   127.0.0.2  answers as most live servers do, long replies in parts
  GameSpy 2 sample server  127.0.0.3  answers only the newer binary query
On "Sample server" tick "Wait for a free slot, then join": once a slot frees (about 20 seconds
after the start) the next refresh starts the stand-in game, which notes its command line in
  $game/bfvietnam.starts.txt
Type a name, IP and port and click "Add To Fav's"; pick it, then "Remove".
"Servers" at the bottom left of the launcher, or Ctrl+B, opens the Servers window. It asks the
master named in Vantorel.ini beside vantorel.exe, the sample master on 127.0.0.1 port $master_port,
which lists $((3 + server_count + silent_count)) servers:
  the three sample servers above
  $server_count varied servers        127.0.0.1, ports $range_first-$range_last  names, maps and counts of their own;
                                                       some empty, some full, some with a password
  $silent_count silent servers         127.0.0.1, ports $silent_first-$silent_last  nothing answers: grey, "no answer"
Sort by a column, search, filter; double-click a server to join it. "X" on the launcher ends
the demo.
EOT
"$wine" "$app/vantorel.exe" &
wait $!
echo "The stand-in game recorded:"
cat "$game/bfvietnam.starts.txt" 2>/dev/null || echo "  (it was not started)"
