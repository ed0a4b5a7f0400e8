#!/bin/sh
# bfv-query asking bfv-sample-master over loopback: the list alone in text and JSON, the
# listed servers queried with their masters named, masters mixed with servers given, every
# framing (newer, newer kept open, legacy enctype 2 kept open), and every way a master fails
# (its error text, a refused port, one that never answers, bounded by --master-timeout),
# with the exit statuses and usage errors of the master options, and no window made on
# Windows. Every port is the system's choice.
# Usage: master_cli_test.sh BIN_DIR [RUNNER]   (RUNNER runs a Windows program, e.g. scripts/wine-run)
set -eu
bin=$1
runner=${2:-}
name=masters
. "$(dirname "$0")/../programs.sh"

# Three sample servers on ports of the system's choice.
start bfv-sample-server "answering on" --port 0 --players 4 --quiet
s1=$bound
start bfv-sample-server "answering on" --port 0 --players 4 --quiet
s2=$bound
start bfv-sample-server "answering on" --port 0 --players 4 --quiet
s3=$bound
# Nothing answers on 127.0.0.2: a listed server that does not answer.
deaf="127.0.0.2:$s1"

start bfv-sample-master listing --port 0 --fields --quiet "127.0.0.1:$s1" "127.0.0.1:$s2" "$deaf"
newer="127.0.0.1:$bound"
start bfv-sample-master listing --port 0 --keep-open --quiet "127.0.0.1:$s2" "127.0.0.1:$s3"
kept="127.0.0.1:$bound"
start bfv-sample-master listing --port 0 --protocol legacy --keep-open --quiet "127.0.0.1:$s3" "127.0.0.1:$s1"
legacy="127.0.0.1:$bound"
start bfv-sample-master listing --port 0 --protocol legacy --enctype 0 --quiet "127.0.0.1:$s1"
plain_only="127.0.0.1:$bound"
# A port that refuses (bound once, then let go) and a master that accepts and never answers.
hold_ports tcp

# The list alone, merged from a newer and a legacy master: each server once, in the order
# the masters were given.
status=0
query --list-only --master "$newer" --master "$legacy" >"$work/list" 2>"$work/list.err" || status=$?
[ "$status" -eq 0 ] || fail "--list-only exited $status: $(cat "$work/list.err")"
printf '127.0.0.1:%s\n127.0.0.1:%s\n%s\n127.0.0.1:%s\n' "$s1" "$s2" "$deaf" "$s3" >"$work/list.expected"
tr -d '\r' <"$work/list" | cmp -s - "$work/list.expected" || fail "--list-only: $(cat "$work/list")"
[ ! -s "$work/list.err" ] || fail "--list-only said: $(cat "$work/list.err")"

# In JSON, with the masters of each server and the values the newer master listed.
query --list-only --json --master "$newer" --master "$kept" >"$work/list.json" 2>&1 ||
    fail "--list-only --json: $(cat "$work/list.json")"
python3 - "$work/list.json" "$newer" "$kept" "$s1" "$s2" "$s3" <<'PY' || fail "--list-only --json: $(cat "$work/list.json")"
import json, sys
data = json.load(open(sys.argv[1], encoding="utf-8"))
newer, kept, s1, s2, s3 = sys.argv[2:7]
assert [e["address"] for e in data] == ["127.0.0.1:" + s1, "127.0.0.1:" + s2, "127.0.0.2:" + s1,
                                        "127.0.0.1:" + s3], data
assert [e["masters"] for e in data] == [[newer], [newer, kept], [newer], [kept]], data
assert data[1]["listed"]["hostname"] == "Vantorel Sample Server 2" and data[1]["listed"]["mapname"] == "Ia Drang"
assert data[1]["listed"]["numplayers"] == "1" and data[3]["listed"] == {}, data
PY

# Every listed server queried, its masters named; the one that does not answer shows in its
# row and leaves the exit status alone.
status=0
query --json --timeout 600 --filter "numplayers > 0" --master "$newer" --master "$kept" --master "$legacy" \
    >"$work/listed.json" 2>"$work/listed.err" || status=$?
[ "$status" -eq 0 ] || fail "querying the listed servers exited $status: $(cat "$work/listed.err")"
python3 - "$work/listed.json" "$newer" "$kept" "$legacy" "$s1" "$s2" "$s3" <<'PY' || fail "listed servers in JSON: $(cat "$work/listed.json")"
import json, sys
data = json.load(open(sys.argv[1], encoding="utf-8"))
newer, kept, legacy, s1, s2, s3 = sys.argv[2:8]
rows = {e["query"]: e for e in data}
assert list(rows) == ["127.0.0.1:" + s1, "127.0.0.1:" + s2, "127.0.0.2:" + s1, "127.0.0.1:" + s3], data
assert rows["127.0.0.1:" + s1]["masters"] == [newer, legacy]
assert rows["127.0.0.1:" + s2]["masters"] == [newer, kept]
assert rows["127.0.0.1:" + s3]["masters"] == [kept, legacy]
for address in ("127.0.0.1:" + s1, "127.0.0.1:" + s2, "127.0.0.1:" + s3):
    assert rows[address]["status"] == "ok" and rows[address]["fields"]["numplayers"] == 4, rows[address]
assert rows["127.0.0.2:" + s1]["status"] != "ok" and rows["127.0.0.2:" + s1]["masters"] == [newer]
PY

# Masters mixed with a server given: the server given first, then the listed ones, each
# with the masters that listed it in the long view.
status=0
query --long --master "$legacy" "127.0.0.1:$s2" >"$work/mixed" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "masters and servers mixed exited $status: $(cat "$work/mixed")"
tr -d '\r' <"$work/mixed" | grep -E '^127\.0\.0\.1:[0-9]+  |^Listed by' >"$work/mixed.lines"
printf '127.0.0.1:%s  ok\n127.0.0.1:%s  ok\nListed by: %s\n127.0.0.1:%s  ok\nListed by: %s\n' \
    "$s2" "$s3" "$legacy" "$s1" "$legacy" >"$work/mixed.expected"
sed 's/  [0-9.]* ms$//' "$work/mixed.lines" | cmp -s - "$work/mixed.expected" || fail "mixed: $(cat "$work/mixed")"

# Masters that fail, each named with its reason; the others' lists still come, and the
# exit status is 1. The silent master is given up after --master-timeout.
status=0
query --list-only --master-timeout 800 --master "$newer" --master "$plain_only" --master "127.0.0.1:$closed" \
    --master "127.0.0.1:$silent" >"$work/failed" 2>"$work/failed.err" || status=$?
[ "$status" -eq 1 ] || fail "failing masters must give exit status 1, got $status: $(cat "$work/failed.err")"
printf 'master %s: its error: Unsupported enctype\nmaster 127.0.0.1:%s: refused\nmaster 127.0.0.1:%s: timed out\n' \
    "$plain_only" "$closed" "$silent" >"$work/failed.expected"
tr -d '\r' <"$work/failed.err" | cmp -s - "$work/failed.expected" || fail "master faults: $(cat "$work/failed.err")"
[ "$(tr -d '\r' <"$work/failed" | wc -l)" -eq 3 ] || fail "the newer master's list is missing: $(cat "$work/failed")"
# Without --list-only the same: the listed servers are queried, the status is still 1.
status=0
query --timeout 600 --master-timeout 300 --master "$kept" --master "127.0.0.1:$closed" >"$work/some" 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "a refused master must give exit status 1, got $status: $(cat "$work/some")"
[ "$(tr -d '\r' <"$work/some" | grep -Ec '^127\.0\.0\.1:[0-9]+ +ok ')" -eq 2 ] || fail "kept master's servers: $(cat "$work/some")"
# No master answers and no server is given: an empty report.
status=0
query --json --master "127.0.0.1:$closed" >"$work/none" 2>/dev/null || status=$?
[ "$status" -eq 1 ] && [ "$(tr -d '\r\n' <"$work/none")" = "[]" ] || fail "no master at all: $status $(cat "$work/none")"

# Usage errors.
for usage in "--list-only" "--filter x 127.0.0.1" "--master-timeout 100 127.0.0.1" "--master" \
    "--master 127.0.0.1:1-5" "--master ::1" "--list-only --master $newer 127.0.0.1" \
    "--master $newer --filter a\\b" "--master $newer --master-timeout 0" "--masters=yes"; do
    status=0
    # shellcheck disable=SC2086
    query $usage >/dev/null 2>&1 || status=$?
    [ "$status" -eq 2 ] || fail "\"$usage\" must be a usage error, got $status"
done
query --help >"$work/help" || fail "--help failed"
for option in --master --masters --list-only --master-timeout --filter; do
    grep -q -- "$option " "$work/help" || fail "--help does not describe $option"
done
# bfv-query asks masters without making a window, so it runs where there is no display. Wine
# traces each window a program makes: the sample master's hidden socket window shows, and
# bfv-query's none.
if [ -n "$runner" ]; then
    prefix=${WINEPREFIX:-$(dirname "$runner")/../build/windows/wineprefix}
    traced() {
        env -u DISPLAY WINEPREFIX="$prefix" WINEDEBUG=trace+win wine "$@"
    }
    traced "$bin/bfv-sample-master$ext" --port 0 --duration 0.5 --quiet >/dev/null 2>"$work/window.err" || true
    grep -q "CreateWindowEx" "$work/window.err" || fail "Wine traced no window of the sample master"
    status=0
    traced "$bin/bfv-query$ext" --list-only --master "$newer" >"$work/nowindow" 2>"$work/nowindow.err" || status=$?
    [ "$status" -eq 0 ] && [ "$(tr -d '\r' <"$work/nowindow" | wc -l)" -eq 3 ] || fail "bfv-query without a display: $status"
    if grep -q "CreateWindowEx" "$work/nowindow.err"; then
        fail "bfv-query made a window: $(grep CreateWindowEx "$work/nowindow.err" | head -3)"
    fi
fi
# A list that cannot be written is no success (natively: /dev/full refuses every write).
if [ -z "$runner" ] && [ -w /dev/full ]; then
    status=0
    query --list-only --master "$newer" >/dev/full 2>/dev/null || status=$?
    [ "$status" -eq 3 ] || fail "a list not written must exit 3, got $status"
fi
echo "master command-line tests passed"
