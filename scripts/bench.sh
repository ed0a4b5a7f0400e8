#!/bin/sh
# The benchmarks, in one run: the socket layer's round trip against plain sendto/recvfrom,
# the reply parser against a search per key, the favourites list fill as the file grows,
# and bfv-query against Debian's qstat on the sample server, for 1, 200 and 1,000 servers.
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
sh bench/compare-qstat.sh "$bin"
