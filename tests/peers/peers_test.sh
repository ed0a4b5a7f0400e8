#!/bin/sh
# Two query clients that we did not write read bfv-sample-server in each of its dialects:
# qstat (Debian's quakestat) as GameSpy and GameSpy 2, and GameDig (npm, a pinned version) as
# its generic GameSpy 1 type and its Battlefield Vietnam type. Each must read exactly what the
# server was told to serve; check_peers.py says what each peer shows and compares.
# Usage: peers_test.sh BIN_DIR WORK_DIR   (GameDig is installed under WORK_DIR once)
set -eu
bin=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
gamedig_version=5.3.3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

command -v quakestat >/dev/null 2>&1 || fail "quakestat is missing (Debian package qstat; scripts/deps.sh installs it)"
command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1 ||
    fail "node and npm are missing (Debian packages nodejs and npm; scripts/deps.sh installs them)"

# GameDig, pinned, into the build folder: installed when missing or of another version.
gamedig_dir=$work/gamedig-$gamedig_version
gamedig=$gamedig_dir/node_modules/.bin/gamedig
installed=$(node -p "require('$gamedig_dir/node_modules/gamedig/package.json').version" 2>/dev/null || true)
if [ "$installed" != "$gamedig_version" ]; then
    mkdir -p "$gamedig_dir"
    echo '{"private": true}' >"$gamedig_dir/package.json"
    npm install --prefix "$gamedig_dir" --no-audit --no-fund --save-exact "gamedig@$gamedig_version" \
        >"$work/npm-install.log" 2>&1 || fail "npm could not install gamedig@$gamedig_version: $(tail -5 "$work/npm-install.log")"
fi

run=$(mktemp -d /tmp/vantorel-peers.XXXXXX)
pids=""
cleanup() {
    status=$?
    for pid in $pids; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$run"
    exit "$status"
}
trap cleanup EXIT INT TERM

# What every server is told to serve. Forty players make the standard dialect's status
# reply several datagrams.
hostname="Peers' Café [VN]"
map="Khe Sanh"
players=40
max=64
reserved=4

# Starts a sample server of one dialect on a port of the system's choice; prints that port.
serve() {
    dialect=$1
    "$bin/bfv-sample-server" --port 0 --duration 120 --quiet --dialect "$dialect" --hostname "$hostname" \
        --map "$map" --players $players --max $max --reserved $reserved >"$run/$dialect.log" 2>&1 &
    pids="$pids $!"
    i=0
    until grep -q "answering on" "$run/$dialect.log" 2>/dev/null; do
        i=$((i + 1))
        [ "$i" -gt 300 ] && fail "the $dialect sample server did not start: $(cat "$run/$dialect.log")"
        sleep 0.1
    done
    sed -n 's/^answering on .* port \([0-9]*\)$/\1/p' "$run/$dialect.log"
}
full=$(serve full)
standard=$(serve standard)
gs2=$(serve gs2)

judge() {
    peer=$1
    dialect=$2
    shift 2
    if ! "$@" >"$run/$peer-$dialect.out" 2>"$run/$peer-$dialect.err"; then
        fail "$peer on the $dialect dialect: $(cat "$run/$peer-$dialect.err" "$run/$peer-$dialect.out" | head -20)"
    fi
    python3 "$here/check_peers.py" "$peer" "$run/$peer-$dialect.out" "$hostname" "$map" $players $max $reserved ||
        fail "$peer misread the $dialect dialect"
    echo "$peer reads the $dialect dialect exactly"
}

for dialect in full standard; do
    eval port=\$$dialect
    judge qstat-gamespy $dialect quakestat -gps "127.0.0.1:$port" -P -R -json -nnx
    judge gamedig-gamespy1 $dialect "$gamedig" --type protocol-gamespy1 --givenPortOnly "127.0.0.1:$port"
done
judge qstat-gamespy2 gs2 quakestat -gs2 "127.0.0.1:$gs2" -P -R -json -nnx
judge gamedig-bfv gs2 "$gamedig" --type battlefieldvietnam --givenPortOnly "127.0.0.1:$gs2"
echo "qstat and GameDig read every dialect of the sample server exactly"
