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
if ! command -v quakestat >/dev/null 2>&1; then
    echo "SKIP: qstat (quakestat) is not installed"
    exit 77
fi
name=qstat
. "$(dirname "$0")/../programs.sh"

address="127.$(($$ % 200 + 20)).$(($$ / 200 % 250 + 1)).$(($(od -An -N2 -tu2 /dev/urandom) % 250 + 1))"
start bfv-sample-master listing --protocol legacy --lenient --bind "$address" --port 28900 127.0.0.1:1-3 ||
    fail "the sample master did not start: $(cat "$log")"

quakestat -gsm,bfvietnam "$address" -raw , -timeout 5 >"$work/qstat.out" 2>&1 || true
tr -d '\r' <"$work/qstat.out" | grep -v '^$' >"$work/lines"
expected="GSM,$address,3
GPS,127.0.0.1:1,DOWN
GPS,127.0.0.1:2,DOWN
GPS,127.0.0.1:3,DOWN"
[ "$(cat "$work/lines")" = "$expected" ] || fail "qstat read: $(cat "$work/qstat.out")"
grep -q "list to 127.0.0.1:" "$log" || fail "the master logged: $(cat "$log")"
echo "qstat read the sample master's list of 3 servers"
