#!/bin/sh
# Builds the reply parser's fuzz target with clang and runs it for $1 seconds (60 by default)
# over a scratch copy of the seed corpus, so that what the run finds does not grow the
# committed seeds. A crash, or a broken property, fails the script; its input is kept in
# build/fuzz/findings/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}

cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DVANTOREL_FUZZ=ON \
    -DVANTOREL_TESTS=OFF -DVANTOREL_BENCHMARKS=OFF >/dev/null
cmake --build build/fuzz --target parse_fuzzer -- -j2

corpus=$(mktemp -d /tmp/vantorel-fuzz.XXXXXX)
trap 'rm -rf "$corpus"' EXIT
trap 'exit 130' INT TERM
cp fuzz/corpus/parse/* "$corpus"/
mkdir -p build/fuzz/findings
# Inputs up to a whole datagram: the faults of long replies need more than the default 4 KB.
build/fuzz/bin/parse_fuzzer -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
    -artifact_prefix=build/fuzz/findings/ "$corpus"
