#!/bin/sh
# Configures and builds one preset ("native" or "windows"), warnings as errors.
set -eu
cd "$(dirname "$0")/.."
preset=$1
cmake --preset "$preset" -DVANTOREL_WERROR=ON -DVANTOREL_TESTS=ON -DVANTOREL_BENCHMARKS=ON >/dev/null
cmake --build --preset "$preset" -- -j2
