#!/bin/sh
# bfv-query and the masters over loopback, whole-process times (median of RUNS):
#  - `--list-only` against a sample master of 2,000 servers that keeps its connection open,
#    newer and legacy (a master given by address is told apart by waiting for its greeting:
#    a newer one says nothing, so its list costs that wait first: a few round trips of its
#    connection, at least 30 ms);
#  - 1,000 sample servers queried as a master lists them against the same 1,000 given
#    directly, the runs alternating so that all see the same machine.
# It measures; nothing here passes or fails.
# Usage: bench/master-speed.sh [BIN_DIR [RUNS]]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bin=${1:-$here/../build/native/bin}
runs=${2:-21}
work=$(mktemp -d /tmp/vantorel-masters-bench.XXXXXX)
pids=""
trap 'for p in $pids; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT

first=31000
# Waits for the line that says a program is ready and prints the port it took.
ready_port() {
    until grep -q "$2" "$1" 2>/dev/null; do
        sleep 0.1
    done
    sed -n "s/^$2 .* port \([0-9]*\).*$/\1/p" "$1"
}
"$bin/bfv-sample-server" --ports "$first-$((first + 999))" --quiet --duration 1200 >"$work/servers.log" &
pids="$pids $!"
for master in newer legacy; do
    "$bin/bfv-sample-master" --port 0 --protocol "$master" --keep-open --quiet --duration 1200 \
        "127.0.0.1:20000-21999" >"$work/$master-2000.log" &
    pids="$pids $!"
    "$bin/bfv-sample-master" --port 0 --protocol "$master" --quiet --duration 1200 \
        "127.0.0.1:$first-$((first + 999))" >"$work/$master-1000.log" &
    pids="$pids $!"
done
newer2000=$(ready_port "$work/newer-2000.log" listing)
legacy2000=$(ready_port "$work/legacy-2000.log" listing)
newer1000=$(ready_port "$work/newer-1000.log" listing)
legacy1000=$(ready_port "$work/legacy-1000.log" listing)
until grep -q answering "$work/servers.log" 2>/dev/null; do
    sleep 0.1
done

python3 - "$bin/bfv-query" "$runs" "$first" "$newer2000" "$legacy2000" "$newer1000" "$legacy1000" <<'PY'
import statistics, subprocess, sys, time
bfv, runs, first = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
newer2000, legacy2000, newer1000, legacy1000 = sys.argv[4:8]

def timed(command, expect):
    start = time.perf_counter()
    out = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    elapsed = (time.perf_counter() - start) * 1000
    if out.count(expect[0]) != expect[1]:
        sys.exit("%s: expected %d of %r" % (" ".join(command[:4]), expect[1], expect[0]))
    return elapsed

def medians(commands):
    for command, expect in commands.values():  # warm the caches
        timed(command, expect)
    times = {name: [] for name in commands}
    names = list(commands)
    for i in range(runs):
        for name in (names if i % 2 == 0 else names[::-1]):
            times[name].append(timed(*commands[name]))
    return {name: statistics.median(values) for name, values in times.items()}

print("\n--list-only, a sample master of 2,000 servers that keeps its connection open\n")
print("| master | median (ms) | fastest (ms) |")
print("| --- | ---: | ---: |")
for name, port in (("newer", newer2000), ("legacy, enctype 2", legacy2000)):
    command = [bfv, "--list-only", "--master", "127.0.0.1:" + port]
    timed(command, (b"\n", 2000))
    values = [timed(command, (b"\n", 2000)) for _ in range(runs)]
    print("| %s | %.1f | %.1f |" % (name, statistics.median(values), min(values)), flush=True)

print("\n1,000 sample servers, JSON: listed by a master against given directly\n")
ok = (b'"status": "ok"', 1000)
direct = [bfv, "--json"] + ["127.0.0.1:%d" % p for p in range(first, first + 1000)]
result = medians({
    "given directly": (direct, ok),
    "listed by a newer master": ([bfv, "--json", "--master", "127.0.0.1:" + newer1000], ok),
    "listed by a legacy master": ([bfv, "--json", "--master", "127.0.0.1:" + legacy1000], ok),
})
print("| servers | median (ms) | / given directly |")
print("| --- | ---: | ---: |")
for name, value in result.items():
    print("| %s | %.1f | %.2f |" % (name, value, value / result["given directly"]))
PY
