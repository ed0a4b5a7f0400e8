#!/bin/sh
# bfv-sample-master judged by a list client we did not write: qstat reads its legacy list
# (6-byte records ended by "\final\") and names every server in it. qstat asks the master
# port 28900 whatever port it is given, so the master listens there on a loopback address
# of this run's own. The servers listed are loopback ports that nothing answers: qstat
# queries them, finds them down at once, and sends nothing off this machine.
# Usage: qstat_peer_test.sh BIN_DIR [RUNNER]   (RUNNER runs a Windows program, e.g. scripts/wine-run)
set -eu
bin=$1
runner=${2:-}
ext=""
[ -n "$runner" ] && ext=".exe"
if ! command -v quakestat >/dev/null 2>&1; then
    echo "SKIP: qstat (quakestat) is not installed"
    exit 77
fi
work=$(mktemp -d /tmp/vantorel-qstat.XXXXXX)
pid=""
cleanup() {
    status=$?
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

address="127.$(($$ % 200 + 20)).$(($$ / 200 % 250 + 1)).$(($(od -An -N2 -tu2 /dev/urandom) % 250 + 1))"
$runner "$bin/bfv-sample-master$ext" --protocol legacy --lenient --bind "$address" --port 28900 --duration 150 \
    127.0.0.1:1-3 >"$work/master.log" 2>&1 &
pid=$!
i=0
until grep -q "listing" "$work/master.log" 2>/dev/null; do
    i=$((i + 1))
    [ "$i" -gt 900 ] && fail "the sample master did not start: $(cat "$work/master.log")"
    sleep 0.1
done

quakestat -gsm,bfvietnam "$address" -raw , -timeout 5 >"$work/qstat.out" 2>&1 || true
tr -d '\r' <"$work/qstat.out" | grep -v '^$' >"$work/lines"
expected="GSM,$address,3
GPS,127.0.0.1:1,DOWN
GPS,127.0.0.1:2,DOWN
GPS,127.0.0.1:3,DOWN"
[ "$(cat "$work/lines")" = "$expected" ] || fail "qstat read: $(cat "$work/qstat.out")"
grep -q "list to 127.0.0.1:" "$work/master.log" || fail "the master logged: $(cat "$work/master.log")"
echo "qstat read the sample master's list of 3 servers"
