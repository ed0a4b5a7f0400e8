#!/bin/sh
# bfv-query and bfv-sample-server as programs: both output forms against a sample server,
# a server that does not answer, a name that does not resolve, and usage errors.
# Usage: cli_test.sh BIN_DIR [RUNNER]   (RUNNER runs a Windows program, e.g. scripts/wine-run)
set -eu
bin=$1
runner=${2:-}
ext=""
[ -n "$runner" ] && ext=".exe"
work=$(mktemp -d /tmp/vantorel-cli.XXXXXX)
server_pid=""
cleanup() {
    status=$?
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A port unlikely to be taken: from this shell's pid, in 24000-33999.
port=$((24000 + $$ % 10000))
silent=$((port + 1))
$runner "$bin/bfv-sample-server$ext" --port "$port" --players 4 --duration 60 >"$work/server.log" 2>&1 &
server_pid=$!
i=0
until grep -q "answering on" "$work/server.log" 2>/dev/null; do
    i=$((i + 1))
    [ "$i" -gt 300 ] && fail "the sample server did not start: $(cat "$work/server.log")"
    sleep 0.1
done

status=0
$runner "$bin/bfv-query$ext" "127.0.0.1:$port" >"$work/text" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "text query exited $status: $(cat "$work/text")"
tr -d '\r' <"$work/text" >"$work/text.lf"
head -4 "$work/text.lf" >"$work/head"
printf '127.0.0.1:%s\nVantorel Sample Server\n - Hue - \nPlayers:  4 / 32 (2 reserved)\n' "$port" >"$work/expected"
cmp -s "$work/head" "$work/expected" || fail "text output: $(cat "$work/text.lf")"
[ "$(grep -c 'us  \|nva ' "$work/text.lf")" -eq 4 ] || fail "four player lines expected: $(cat "$work/text.lf")"

status=0
$runner "$bin/bfv-query$ext" --json --timeout 800 "127.0.0.1:$port" "127.0.0.1:$silent" no-such-host.invalid \
    >"$work/json" 2>"$work/json.err" || status=$?
[ "$status" -eq 1 ] || fail "a silent server must give exit status 1, got $status"
python3 - "$work/json" "$port" "$silent" <<'PY' || fail "JSON output: $(cat "$work/json")"
import json, sys
data = json.load(open(sys.argv[1], encoding="utf-8"))
port, silent = sys.argv[2], sys.argv[3]
assert [entry["query"] for entry in data] == ["127.0.0.1:" + port, "127.0.0.1:" + silent, "no-such-host.invalid:23000"]
ok, timeout, error = data
assert ok["status"] == "ok" and ok["ip"] == "127.0.0.1" and ok["ping_ms"] >= 0
assert list(ok["fields"])[0] == "hostname" and len(ok["fields"]) == 41
assert ok["fields"]["numplayers"] == "4"
assert [p["player"] for p in ok["players"]][0] == "Jérôme"
assert set(ok["players"][0]) == {"player", "team", "score", "kills", "deaths", "ping"}
display = ok["display"]
assert display["title"] == "Server Stats" and display["server_title"] == "Vantorel Sample Server"
assert len(display["lines"]) == 4 and display["wait_for_slot_visible"] is False
assert timeout["status"] == "timeout" and "fields" not in timeout
assert error["status"] == "error" and error["error"] == "Host not found."
PY

status=0
$runner "$bin/bfv-query$ext" >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "no server must be a usage error, got $status"
status=0
$runner "$bin/bfv-query$ext" --timeout soon 127.0.0.1 >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "a bad timeout must be a usage error, got $status"
status=0
$runner "$bin/bfv-sample-server$ext" --ports 9-3 >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "a bad port range must be a usage error, got $status"
status=0
$runner "$bin/bfv-sample-server$ext" --ports 70000-70001 >"$work/range.log" 2>&1 || status=$?
[ "$status" -eq 2 ] && grep -q "out of range" "$work/range.log" || fail "a port above 65535 must be out of range"
status=0
$runner "$bin/bfv-sample-server$ext" --players 40 --max 32 >"$work/players.log" 2>&1 || status=$?
[ "$status" -eq 2 ] && grep -q "cannot exceed --max" "$work/players.log" || fail "more players than slots must be refused"
grep -q "reply to 127.0.0.1:" "$work/server.log" || fail "the sample server logs its replies"
echo "command-line tests passed"
