#!/bin/sh
# The benchmarks, in one run: the socket layer's round trip against plain sendto/recvfrom,
# the reply parser against a search per key, the favourites list fill as the file grows,
# and bfv-query against Debian's qstat on the sample server, for 1 and for 200 servers.
# They measure; nothing here passes or fails.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
sh scripts/deps.sh
sh scripts/build.sh native
bin=build/native/bin

echo "== socket round trip"
$bin/socket_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
echo "== reply parser"
$bin/parse_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

echo "== favourites list fill"
$bin/favorites_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

echo "== bfv-query against quakestat"
$bin/bfv-sample-server --port 26000 --quiet --duration 120 &
one=$!
$bin/bfv-sample-server --ports 26100-26299 --quiet --duration 120 &
many=$!
trap 'kill $one $many 2>/dev/null || true' EXIT
sleep 1
servers=$(seq -f '127.0.0.1:%g' 26100 26299 | tr '\n' ' ')
hyperfine -N --warmup 5 --runs 50 --export-markdown build/native/bench-one.md \
    "$bin/bfv-query --json 127.0.0.1:26000" "quakestat -default gps -json 127.0.0.1:26000"
hyperfine -N --warmup 5 --runs 30 --export-markdown build/native/bench-many.md \
    -n "bfv-query, 200 servers" "$bin/bfv-query --json $servers" \
    -n "quakestat, 200 servers" "quakestat -default gps -json $servers"
cat build/native/bench-one.md build/native/bench-many.md
