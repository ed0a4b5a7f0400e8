#!/bin/sh
# Builds the fuzz targets with clang and, for each, first replays every checked-in input of
# fuzz/corpus/NAME once (so that an input that once found a fault finds it on every run), then
# searches for $1 seconds (60 by default) over a scratch copy of those inputs, so that what
# the search finds does not grow the committed ones. A crash, or a broken property, fails the
# script; its input is kept in build/fuzz/findings/. libFuzzer's progress lines are left out
# of the output, its summary and any report are kept.
# Usage: fuzz.sh [SECONDS [NAME...]]   (NAME: the target NAME_fuzzer; "parse" by default)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] || set -- parse

cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DVANTOREL_FUZZ=ON \
    -DVANTOREL_TESTS=OFF -DVANTOREL_BENCHMARKS=OFF >/dev/null
targets=""
for name in "$@"; do
    targets="$targets ${name}_fuzzer"
done
# shellcheck disable=SC2086
cmake --build build/fuzz --target $targets -- -j2

work=$(mktemp -d /tmp/vantorel-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
mkdir -p build/fuzz/findings

# Runs a fuzz target into a log, then shows the log without the lines of progress ("#123 NEW
# cov: ...", keeping the first and the last: "INITED", "DONE") and without the dictionary
# that libFuzzer recommends at the end.
run() {
    status=0
    "$@" >"$work/log" 2>&1 || status=$?
    sed -e '/^###### Recommended dictionary/,/^###### End of recommended dictionary/d' "$work/log" |
        grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|RELOAD)' || true
    return "$status"
}

for name in "$@"; do
    fuzzer=build/fuzz/bin/${name}_fuzzer
    inputs=fuzz/corpus/$name
    count=$(find "$inputs" -type f | wc -l)
    echo "== $name: replaying the $count inputs of $inputs"
    # Files, not a folder: libFuzzer runs each once, whatever its size, and stops at a fault.
    if ! find "$inputs" -type f -exec "$fuzzer" -artifact_prefix=build/fuzz/findings/ {} + >"$work/log" 2>&1; then
        cat "$work/log"
        echo "fuzz.sh: an input of $inputs fails $name (above)" >&2
        exit 1
    fi
    echo "== $name: searching for $seconds seconds"
    rm -rf "$work/corpus"
    mkdir "$work/corpus"
    find "$inputs" -type f -exec cp {} "$work/corpus/" \;
    # Inputs up to a whole datagram: the faults of long replies need more than the default 4 KB.
    run "$fuzzer" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
        -artifact_prefix=build/fuzz/findings/ "$work/corpus"
done
