#!/bin/sh
# bfv-query and bfv-sample-server as programs, over loopback: text (one line a server, and
# the long view) and JSON, a port range, a hosts file with comments (and on standard input),
# a list with odd line ends and bad lines, lists refused, servers of each dialect in
# automatic and forced protocols, a silent port, a closed port, a name that does not
# resolve, a server whose texts carry control characters, a server that runs without end,
# many servers under a small file-handle limit, bfv-query making no window on Windows, and
# usage errors. Servers take ports of the system's choice, or a free run of ports found by
# trying, since other tests may hold any fixed one.
# Usage: cli_test.sh BIN_DIR [RUNNER]   (RUNNER runs a Windows program, e.g. scripts/wine-run)
set -eu
bin=$1
runner=${2:-}
name=cli
. "$(dirname "$0")/../programs.sh"

# A sample server with the given options, once it answers; $bound is its (first) port. Fails
# with status 1 when a port it was given is taken.
start_server() {
    start bfv-sample-server "answering on" "$@"
}

# On a port of the system's choice.
serve() {
    start_server --port 0 "$@" || fail "the sample server could not bind: $(cat "$log")"
}

# On COUNT consecutive ports: other tests may hold any fixed port, so runs are tried until
# one is free.
serve_range() {
    count=$1
    shift
    tries=0
    while :; do
        first=$((20000 + $(od -An -N2 -tu2 /dev/urandom) % 40000))
        start_server --ports "$first-$((first + count - 1))" "$@" && return 0
        tries=$((tries + 1))
        [ "$tries" -lt 20 ] || fail "no $count free ports in a row: $(cat "$log")"
    done
}

serve_range 3 --players 4 --quiet
port=$bound
last=$((port + 2))
serve --players 1 --quiet --hostname "$(printf 'Evil\033]0;owned\007\rForged')"
evil=$bound
serve --dialect standard --players 4 --quiet
standard=$bound
serve --dialect gs2 --players 4 --quiet
gs2=$bound
# A run without end of its own (the seconds overflowed a 32-bit count of milliseconds once).
serve --players 2 --quiet --duration 1e300
endless=$bound
# A silent server (bound, never answering) and a closed port (bound once, then let go).
hold_ports udp
# Wine passes no "port unreachable" on to its programs: there a closed port is silent.
closed_status=down
closed_text="Server down: its port is closed"
if [ -n "$runner" ]; then
    closed_status=timeout
    closed_text="No response from server"
fi

# A port range, one line a server by default, the player lines under each.
status=0
query --players "127.0.0.1:$port-$last" >"$work/line" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "one-line query exited $status: $(cat "$work/line")"
tr -d '\r' <"$work/line" >"$work/line.lf"
head -1 "$work/line.lf" | grep -q '^ADDRESS  *STATUS  *PLAYERS  *MAP  *PING  NAME$' || fail "no header: $(cat "$work/line.lf")"
for p in $port $((port + 1)) $last; do
    grep -Eq "^127\.0\.0\.1:$p +ok +4/32 +Hue +[0-9]+  Vantorel Sample Server$" "$work/line.lf" ||
        fail "no line for $p: $(cat "$work/line.lf")"
done
[ "$(grep -c '^    us  \|^    nva ' "$work/line.lf")" -eq 12 ] || fail "four player lines each expected: $(cat "$work/line.lf")"

# The same in the long view, with the round trip and the player lines under their header.
status=0
query --long --players "127.0.0.1:$port-$last" >"$work/text" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "text query exited $status: $(cat "$work/text")"
tr -d '\r' <"$work/text" >"$work/text.lf"
for p in $port $((port + 1)) $last; do
    grep -Eq "^127\.0\.0\.1:$p  ok  [0-9]+\.[0-9]{2} ms$" "$work/text.lf" || fail "no ok line for $p: $(cat "$work/text.lf")"
done
head -5 "$work/text.lf" | tail -4 >"$work/head"
printf 'Vantorel Sample Server\n - Hue - \nPlayers:  4 / 32 (2 reserved)\nteam name              s/k/d        ping\n' \
    >"$work/expected"
cmp -s "$work/head" "$work/expected" || fail "text output: $(cat "$work/text.lf")"
[ "$(grep -c '^us  \|^nva ' "$work/text.lf")" -eq 12 ] || fail "four player lines each expected: $(cat "$work/text.lf")"

# A hosts file with comments and blank lines, named and on standard input, and --rules.
printf '# my servers\n\n  127.0.0.1:%s   # the first\n127.0.0.1:%s\n' "$port" "$last" >"$work/servers.txt"
query --rules -f "$work/servers.txt" >"$work/file" 2>&1 || fail "file query: $(cat "$work/file")"
query --rules --file - <"$work/servers.txt" >"$work/stdin" 2>&1 || fail "stdin query: $(cat "$work/stdin")"
cmp -s "$work/file" "$work/stdin" || true  # round trips differ; the servers and their order may not
for out in file stdin; do
    tr -d '\r' <"$work/$out" | grep -E '^127\.0\.0\.1:[0-9]+ +ok ' | cut -d' ' -f1 >"$work/$out.servers"
    printf '127.0.0.1:%s\n127.0.0.1:%s\n' "$port" "$last" | cmp -s - "$work/$out.servers" ||
        fail "$out: $(cat "$work/$out")"
    grep -q '^      gamever = v1.21' "$work/$out" || fail "$out: no rules: $(cat "$work/$out")"
done

# Every status, in JSON.
status=0
query --json --timeout 800 "127.0.0.1:$port" "127.0.0.1:$silent" "127.0.0.1:$closed" no-such-host.invalid \
    >"$work/json" 2>"$work/json.err" || status=$?
[ "$status" -eq 1 ] || fail "servers that did not answer must give exit status 1, got $status"
python3 - "$work/json" "$port" "$silent" "$closed" "$closed_status" <<'PY' || fail "JSON output: $(cat "$work/json")"
import json, sys
data = json.load(open(sys.argv[1], encoding="utf-8"))
port, silent, closed, closed_status = sys.argv[2:6]
assert [entry["query"] for entry in data] == ["127.0.0.1:" + port, "127.0.0.1:" + silent,
                                              "127.0.0.1:" + closed, "no-such-host.invalid:23000"]
ok, timeout, down, error = data
assert ok["status"] == "ok" and ok["ip"] == "127.0.0.1" and ok["ping_ms"] >= 0 and ok["protocol"] == "status"
assert ok["fields"] == {"hostname": "Vantorel Sample Server", "mapname": "Hue", "numplayers": 4,
                       "maxplayers": 32, "reservedslots": 2}, ok["fields"]
assert ok["rules"]["gamever"] == "v1.21" and not set(ok["fields"]) & set(ok["rules"]) and "missing" not in ok
assert ok["players"][1] == {"player": "Sgt. Baker", "team": 2, "score": 7, "kills": 5, "deaths": 3, "ping": 41}
assert [p["player"] for p in ok["players"]][0] == "Jérôme"
assert set(ok["players"][0]) == {"player", "team", "score", "kills", "deaths", "ping"}
display = ok["display"]
assert display["title"] == "Server Stats" and display["server_title"] == "Vantorel Sample Server"
assert len(display["lines"]) == 4 and display["wait_for_slot_visible"] is False
assert timeout["status"] == "timeout" and "fields" not in timeout
assert down["status"] == closed_status and "fields" not in down
assert error["status"] == "error" and error["error"] == "Host not found."
PY
# Each dialect is found in automatic mode and shows the same; a forced protocol is asked alone.
query --json "127.0.0.1:$port" "127.0.0.1:$standard" "127.0.0.1:$gs2" >"$work/dialects" 2>&1 ||
    fail "dialects: $(cat "$work/dialects")"
query --json --protocol gs2 "127.0.0.1:$gs2" >"$work/gs2" 2>&1 || fail "--protocol gs2: $(cat "$work/gs2")"
status=0
query --json --protocol basic --timeout 300 "127.0.0.1:$gs2" >"$work/basic" 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "--protocol basic against a GameSpy 2 server exited $status: $(cat "$work/basic")"
python3 - "$work/dialects" "$work/gs2" "$work/basic" <<'PY' || fail "dialects: $(cat "$work/dialects")"
import json, sys
dialects, gs2, basic = (json.load(open(name, encoding="utf-8")) for name in sys.argv[1:4])
assert [entry["protocol"] for entry in dialects] == ["status", "status", "gs2"], dialects
for entry in dialects + gs2:
    display = entry["display"]
    assert entry["status"] == "ok" and display["server_title"] == "Vantorel Sample Server", entry
    assert display["map"] == " - Hue - " and display["players"] == "Players:  4 / 32 (2 reserved)", entry
    assert display["lines"][0] == "us   Jérôme            00/00/00     30" and len(display["lines"]) == 4, entry
    assert entry["players"][1]["player"] == "Sgt. Baker", entry
assert gs2[0]["protocol"] == "gs2"
assert basic[0]["status"] == "timeout", basic
PY
query --long "127.0.0.1:$closed" no-such-host.invalid >"$work/failed" 2>&1 || true
tr -d '\r' <"$work/failed" >"$work/failed.lf"
printf '127.0.0.1:%s  %s\n%s\n\nno-such-host.invalid:23000  error\nHost not found.\n\n' \
    "$closed" "$closed_status" "$closed_text" | cmp -s - "$work/failed.lf" || fail "failures in text: $(cat "$work/failed.lf")"

# Started long before the queries above: a server that ended at once is long gone by now.
query --json "127.0.0.1:$endless" >"$work/endless" 2>&1 || fail "--duration 1e300 ended the server: $(cat "$work/endless")"

# A server's control characters never reach the terminal.
query --long "127.0.0.1:$evil" >"$work/evil" 2>&1 || fail "evil query: $(cat "$work/evil")"
python3 - "$work/evil" <<'PY' || fail "control characters in the text output: $(od -c "$work/evil" | head)"
import sys
text = open(sys.argv[1], "rb").read().replace(b"\r\n", b"\n")
assert all(byte >= 0x20 or byte == 0x0A for byte in text), text
assert b"\nEvil?]0;owned??Forged\n" in text, text
PY

# The forms with "=", and a server that answers \basic\ with its three keys alone: it is
# ok, and what its reply lacks is said.
query --timeout=800 --sort=ping --protocol=basic "127.0.0.1:$standard" "127.0.0.1:$port" >"$work/forms" 2>&1 ||
    fail "--name=value forms: $(cat "$work/forms")"
tr -d '\r' <"$work/forms" | sed -n 2,3p | grep -c ' ok ' | grep -q 2 || fail "--name=value forms: $(cat "$work/forms")"
grep -q "^127\.0\.0\.1:$standard  *ok  *-/-  *-  *[0-9]*  (missing from the reply: hostname, mapname, numplayers, maxplayers; it holds gamename, gamever, location)" \
    "$work/forms" || fail "what a \\basic\\ reply lacks: $(cat "$work/forms")"

# A list read as the favourites file is: a byte-order mark, CR-only line ends, a line with a
# NUL and a line that names no server, each skipped with its number, and a further file.
printf '\357\273\277127.0.0.1:%s\r# comment\r127.0.0.1:x\rbad\000host\r127.0.0.1:%s' "$port" "$last" >"$work/odd.txt"
status=0
query -f "$work/odd.txt" >"$work/odd" 2>"$work/odd.err" || status=$?
[ "$status" -eq 1 ] || fail "skipped lines must give exit status 1, got $status: $(cat "$work/odd.err")"
[ "$(tr -d '\r' <"$work/odd" | grep -Ec '^127\.0\.0\.1:[0-9]+ +ok ')" -eq 2 ] || fail "odd list: $(cat "$work/odd")"
grep -q "odd.txt:3: \"127.0.0.1:x\": a port is a number from 1 to 65535 (line skipped)" "$work/odd.err" &&
    grep -q "odd.txt:4: holds a NUL byte (line skipped)" "$work/odd.err" || fail "skipped lines: $(cat "$work/odd.err")"

# Refusals: IPv6, a list past its bounds (natively: /dev/zero, an endless line); escape
# sequences in what the user typed are not echoed.
for refused in "::1|IPv6 is not supported by the game's query protocol" "[::1]:23000|IPv6 is not supported" \
    "$(printf 'x\033]0;owned\007\233y')|expected HOST"; do
    status=0
    query "${refused%%|*}" >/dev/null 2>"$work/refused" || status=$?
    [ "$status" -eq 2 ] && grep -q "${refused#*|}" "$work/refused" || fail "\"${refused%%|*}\": $(cat "$work/refused")"
    python3 -c 'import sys; t = open(sys.argv[1], "rb").read(); assert not any(b < 0x20 and b not in b"\r\n" for b in t), t; t.decode("utf-8")' \
        "$work/refused" || fail "raw control bytes in a usage error: $(od -c "$work/refused" | head)"
done
if [ -z "$runner" ]; then
    status=0
    query -f /dev/zero >/dev/null 2>"$work/zero" || status=$?
    [ "$status" -eq 2 ] && grep -q "longer than 64 MB" "$work/zero" || fail "-f /dev/zero: $status $(cat "$work/zero")"
    # A name with bytes that are no UTF-8 still gives valid JSON.
    status=0
    query --json "$(printf 'caf\351\233.invalid')" >"$work/latin1.json" 2>&1 || status=$?
    python3 -c 'import json, sys; d = json.loads(open(sys.argv[1], "rb").read().decode("utf-8")); assert d[0]["status"] == "error", d' \
        "$work/latin1.json" || fail "JSON of a name that is no UTF-8: $(od -c "$work/latin1.json" | head)"
else
    query "/?" | grep -q "^usage: bfv-query" || fail "/? is no help on Windows"
    # bfv-query makes no window, so it runs where there is no display. Wine traces each window
    # a program makes: the sample server's hidden socket window shows, and bfv-query's none.
    prefix=${WINEPREFIX:-$(dirname "$runner")/../build/windows/wineprefix}
    traced() {
        env -u DISPLAY WINEPREFIX="$prefix" WINEDEBUG=trace+win wine "$@"
    }
    traced "$bin/bfv-sample-server$ext" --port 0 --duration 0.5 --quiet >/dev/null 2>"$work/window.err" || true
    grep -q "CreateWindowEx" "$work/window.err" || fail "Wine traced no window of the sample server"
    status=0
    traced "$bin/bfv-query$ext" --json "127.0.0.1:$port" >"$work/nowindow" 2>"$work/nowindow.err" || status=$?
    [ "$status" -eq 0 ] && grep -q '"status": "ok"' "$work/nowindow" || fail "bfv-query without a display: $status"
    if grep -q "CreateWindowEx" "$work/nowindow.err"; then
        fail "bfv-query made a window: $(grep CreateWindowEx "$work/nowindow.err" | head -3)"
    fi
    # In a console (Wine makes one for a terminal) the text goes as Unicode: names with
    # accents come out whole, not as the UTF-8 bytes read in the console's code page.
    if command -v script >/dev/null; then
        CLI_RUNNER=$runner CLI_QUERY="$bin/bfv-query$ext" CLI_SERVER="127.0.0.1:$port" timeout 120 \
            script -q -c 'exec "$CLI_RUNNER" "$CLI_QUERY" --players "$CLI_SERVER"' /dev/null >"$work/console" 2>&1 || true
        grep -aq "$(printf 'J\303\251r\303\264me')" "$work/console" || fail "accents in a console: $(cat -v "$work/console" | head -5)"
    fi
fi

# Many servers under a small file-handle limit (the Windows build has no such limit).
if [ -z "$runner" ]; then
    serve_range 300 --players 2 --quiet
    many=$bound
    status=0
    (ulimit -n 64 && query --json "127.0.0.1:$many-$((many + 299))") >"$work/many" 2>&1 || status=$?
    [ "$status" -eq 0 ] || fail "300 servers under ulimit -n 64 exited $status: $(tail -5 "$work/many")"
    [ "$(grep -c '"status": "ok"' "$work/many")" -eq 300 ] || fail "not all 300 servers answered"
fi

# --version and --help exit 0; --help names every option.
query --version >"$work/version" || fail "--version failed"
grep -Eq '^bfv-query [0-9]+\.[0-9]+\.[0-9]+' "$work/version" || fail "--version: $(cat "$work/version")"
query --help >"$work/help" || fail "--help failed"
for option in --file --long --json --players --rules --sort --timeout --protocol --max-simultaneous --version --help; do
    grep -q -- "$option" "$work/help" || fail "--help does not describe $option"
done

for usage in "" "--timeout soon 127.0.0.1" "--sort size 127.0.0.1" "--protocol gs9 127.0.0.1" \
    "--max-simultaneous 0 127.0.0.1" "-f $work/missing.txt" "127.0.0.1:9-3"; do
    status=0
    # shellcheck disable=SC2086
    query $usage >/dev/null 2>&1 || status=$?
    [ "$status" -eq 2 ] || fail "\"$usage\" must be a usage error, got $status"
done
status=0
$runner "$bin/bfv-sample-server$ext" --ports 9-3 >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "a bad port range must be a usage error, got $status"
status=0
$runner "$bin/bfv-sample-server$ext" --ports 70000-70001 >"$work/range.log" 2>&1 || status=$?
[ "$status" -eq 2 ] && grep -q "out of range" "$work/range.log" || fail "a port above 65535 must be out of range"
status=0
$runner "$bin/bfv-sample-server$ext" --players 40 --max 32 >"$work/players.log" 2>&1 || status=$?
[ "$status" -eq 2 ] && grep -q "cannot exceed --max" "$work/players.log" || fail "more players than slots must be refused"
# A report that cannot be written is no success (natively: /dev/full refuses every write).
if [ -z "$runner" ] && [ -w /dev/full ]; then
    status=0
    query "127.0.0.1:$port" >/dev/full 2>"$work/full.log" || status=$?
    [ "$status" -eq 3 ] && grep -q "could not be written" "$work/full.log" || fail "a failed write must exit 3, got $status"
fi
echo "command-line tests passed"
