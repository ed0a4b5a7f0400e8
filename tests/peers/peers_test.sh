#!/bin/sh
# Two query clients that we did not write read bfv-sample-server in each of its dialects:
# qstat (Debian's quakestat) as GameSpy and GameSpy 2, and GameDig (npm, a pinned version) as
# its generic GameSpy 1 type and its Battlefield Vietnam type. Each must read exactly what the
# server was told to serve; check_peers.py says what each peer shows and compares.
# Usage: peers_test.sh BIN_DIR CACHE_DIR   (GameDig is installed under CACHE_DIR once)
set -eu
bin=$1
cache=$2
runner=""
name=peers
here=$(cd "$(dirname "$0")" && pwd)
gamedig_version=5.3.3
. "$here/../programs.sh"

command -v quakestat >/dev/null 2>&1 || fail "quakestat is missing (Debian package qstat; scripts/deps.sh installs it)"
command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1 ||
    fail "node and npm are missing (Debian packages nodejs and npm; scripts/deps.sh installs them)"

# GameDig, pinned, into the build folder: installed when missing or of another version.
gamedig_dir=$cache/gamedig-$gamedig_version
gamedig=$gamedig_dir/node_modules/.bin/gamedig
installed=$(node -p "require('$gamedig_dir/node_modules/gamedig/package.json').version" 2>/dev/null || true)
if [ "$installed" != "$gamedig_version" ]; then
    mkdir -p "$gamedig_dir"
    echo '{"private": true}' >"$gamedig_dir/package.json"
    npm install --prefix "$gamedig_dir" --no-audit --no-fund --save-exact "gamedig@$gamedig_version" \
        >"$cache/npm-install.log" 2>&1 || fail "npm could not install gamedig@$gamedig_version: $(tail -5 "$cache/npm-install.log")"
fi

# What every server is told to serve. Forty players make the standard dialect's status
# reply several datagrams.
hostname="Peers' Café [VN]"
map="Khe Sanh"
players=40
max=64
reserved=4

# Starts a sample server of one dialect on a port of the system's choice; sets `bound`.
serve() {
    start bfv-sample-server "answering on" --port 0 --quiet --dialect "$1" --hostname "$hostname" --map "$map" \
        --players $players --max $max --reserved $reserved || fail "the $1 sample server did not start: $(cat "$log")"
}
serve full
full=$bound
serve standard
standard=$bound
serve gs2
gs2=$bound

judge() {
    peer=$1
    dialect=$2
    shift 2
    if ! "$@" >"$work/$peer-$dialect.out" 2>"$work/$peer-$dialect.err"; then
        fail "$peer on the $dialect dialect: $(cat "$work/$peer-$dialect.err" "$work/$peer-$dialect.out" | head -20)"
    fi
    python3 "$here/check_peers.py" "$peer" "$work/$peer-$dialect.out" "$hostname" "$map" $players $max $reserved ||
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
