#!/bin/sh
# bfv-query against Debian's qstat (quakestat -default gps) on sample servers over loopback,
# in one run: the median whole-process time of each for 1, 200 and 1,000 servers, the two
# runs alternating so that both see the same machine; then bfv-query's peak resident size
# for 1,000 servers and a run of 1,000 servers under `ulimit -n 64`. It measures; nothing
# here passes or fails.
# Usage: bench/compare-qstat.sh [BIN_DIR [RUNS]]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/native/bin}
runs=${2:-31}
command -v quakestat >/dev/null || { echo "quakestat is missing: apt-get install qstat" >&2; exit 1; }
work=$(mktemp -d /tmp/vantorel-bench.XXXXXX)
pids=""
trap 'for p in $pids; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT

one=26000
first=27000
"$bin/bfv-sample-server" --port "$one" --quiet --duration 600 >"$work/one.log" &
pids="$pids $!"
"$bin/bfv-sample-server" --ports "$first-$((first + 999))" --quiet --duration 600 >"$work/many.log" &
pids="$pids $!"
until grep -q answering "$work/one.log" 2>/dev/null && grep -q answering "$work/many.log" 2>/dev/null; do
    sleep 0.1
done

python3 - "$bin/bfv-query" "$runs" "$one" "$first" <<'PY'
import statistics, subprocess, sys, time
bfv, runs, one, first = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
def servers(n):
    return ["127.0.0.1:%d" % one] if n == 1 else ["127.0.0.1:%d" % p for p in range(first, first + n)]
def timed(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return (time.perf_counter() - start) * 1000
print("| servers | bfv-query median (ms) | quakestat median (ms) | bfv-query / quakestat |")
print("| ---: | ---: | ---: | ---: |")
for n in (1, 200, 1000):
    commands = {"bfv": [bfv, "--json"] + servers(n), "qstat": ["quakestat", "-default", "gps", "-json"] + servers(n)}
    for name in commands:  # warm the caches of both
        timed(commands[name])
    times = {"bfv": [], "qstat": []}
    for i in range(runs):
        order = ("bfv", "qstat") if i % 2 == 0 else ("qstat", "bfv")
        for name in order:
            times[name].append(timed(commands[name]))
    b, q = statistics.median(times["bfv"]), statistics.median(times["qstat"])
    print("| %d | %.2f | %.2f | %.2f |" % (n, b, q, b / q))
PY

servers=$(seq -f '127.0.0.1:%g' "$first" "$((first + 999))" | tr '\n' ' ')
# shellcheck disable=SC2086
/usr/bin/time -v "$bin/bfv-query" --json $servers 2>"$work/time" >/dev/null || true
echo
echo "peak resident size, 1,000 servers: $(awk -F': ' '/Maximum resident/ {print $2}' "$work/time") KB"
# shellcheck disable=SC2086
answered=$( (ulimit -n 64 && "$bin/bfv-query" --json $servers) | grep -c '"status": "ok"' || true)
echo "ulimit -n 64, 1,000 live servers: $answered answered"
