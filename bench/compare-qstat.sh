#!/bin/sh
# bfv-query against Debian's qstat (quakestat -default gps) over loopback, in one run, against
# two responders: bfv-sample-server (faster than either client) and bench/slow_responder.py
# (one single-threaded process answering 1,000 ports, slower than either client, answering as
# the query standard does). For each, the median whole-process time of both clients for 1,
# 200 and 1,000 servers, the runs alternating so that both see the same machine; then how many
# requests the slow responder read from each client for 1,000 servers, bfv-query's peak
# resident size for 1,000 servers and a run of 1,000 servers under `ulimit -n 64`. It
# measures; nothing here passes or fails.
# Usage: bench/compare-qstat.sh [BIN_DIR [RUNS]]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bin=${1:-$here/../build/native/bin}
runs=${2:-31}
command -v quakestat >/dev/null || { echo "quakestat is missing: apt-get install qstat" >&2; exit 1; }
work=$(mktemp -d /tmp/vantorel-bench.XXXXXX)
pids=""
trap 'for p in $pids; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT

one=26000
first=27000
slow=29000
"$bin/bfv-sample-server" --port "$one" --quiet --duration 1200 >"$work/one.log" &
pids="$pids $!"
"$bin/bfv-sample-server" --ports "$first-$((first + 999))" --quiet --duration 1200 >"$work/many.log" &
pids="$pids $!"
python3 "$here/slow_responder.py" "$slow" "$((slow + 999))" --duration 1200 >"$work/slow.log" &
pids="$pids $!"
until grep -q answering "$work/one.log" 2>/dev/null && grep -q answering "$work/many.log" 2>/dev/null &&
    grep -q answering "$work/slow.log" 2>/dev/null; do
    sleep 0.1
done

python3 - "$bin/bfv-query" "$runs" "$one" "$first" "$slow" <<'PY'
import statistics, subprocess, sys, time
bfv, runs, one, first, slow = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
def timed(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return (time.perf_counter() - start) * 1000
for title, single, base in (("bfv-sample-server", one, first), ("slow responder", slow, slow)):
    print("\n%s\n" % title)
    print("| servers | bfv-query median (ms) | quakestat median (ms) | bfv-query / quakestat |")
    print("| ---: | ---: | ---: | ---: |")
    for n in (1, 200, 1000):
        servers = ["127.0.0.1:%d" % single] if n == 1 else ["127.0.0.1:%d" % p for p in range(base, base + n)]
        commands = {"bfv": [bfv, "--json"] + servers, "qstat": ["quakestat", "-default", "gps", "-json"] + servers}
        for name in commands:  # warm the caches of both
            timed(commands[name])
        times = {"bfv": [], "qstat": []}
        for i in range(runs):
            order = ("bfv", "qstat") if i % 2 == 0 else ("qstat", "bfv")
            for name in order:
                times[name].append(timed(commands[name]))
        b, q = statistics.median(times["bfv"]), statistics.median(times["qstat"])
        print("| %d | %.2f | %.2f | %.2f |" % (n, b, q, b / q), flush=True)
PY

# The requests each client costs the slow responder for 1,000 servers, each in a responder of
# its own so that the counts are its alone.
echo
for client in bfv-query quakestat; do
    count=$((slow + 1000))
    python3 "$here/slow_responder.py" "$count" "$((count + 999))" --duration 120 >"$work/count.log" &
    pid=$!
    until grep -q answering "$work/count.log" 2>/dev/null; do sleep 0.1; done
    list=$(seq -f '127.0.0.1:%g' "$count" "$((count + 999))" | tr '\n' ' ')
    # shellcheck disable=SC2086
    if [ "$client" = bfv-query ]; then
        answered=$("$bin/bfv-query" --json $list | grep -c '"status": "ok"' || true)
    else
        answered=$(quakestat -default gps -json $list | grep -c '"status": "online"' || true)
    fi
    sleep 1  # the responder works through what is still queued
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "slow responder, 1,000 servers, $client: $answered answered; $(tail -1 "$work/count.log")"
done

# shellcheck disable=SC2086
/usr/bin/time -v "$bin/bfv-query" --json $(seq -f '127.0.0.1:%g' "$first" "$((first + 999))") 2>"$work/time" >/dev/null || true
echo
echo "peak resident size, 1,000 servers: $(awk -F': ' '/Maximum resident/ {print $2}' "$work/time") KB"
# shellcheck disable=SC2086
answered=$( (ulimit -n 64 && "$bin/bfv-query" --json $(seq -f '127.0.0.1:%g' "$first" "$((first + 999))")) |
    grep -c '"status": "ok"' || true)
echo "ulimit -n 64, 1,000 live servers: $answered answered"
