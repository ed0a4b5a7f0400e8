#!/bin/sh
# Configures a preset ("native" or "windows") when it is not configured yet, the way
# scripts/build.sh does. Later builds re-run CMake by themselves when a CMakeLists.txt changes,
# so the demo and the release skip the seconds that configuring takes. The tests and the
# benchmarks need libraries that the demo does not install: without them the tree is configured
# without those parts, and scripts/build.sh turns them on again. "with-tests" asks for the tests
# (the demo without a display builds the end-to-end driver).
# Usage: configure.sh PRESET [with-tests]
set -eu
cd "$(dirname "$0")/.."
preset=$1
want=${2:-}
if [ -f "build/$preset/build.ninja" ]; then
    if [ "$want" != with-tests ] || ! grep -q '^VANTOREL_TESTS:BOOL=OFF$' "build/$preset/CMakeCache.txt"; then
        exit 0
    fi
fi
if [ "$preset" != native ]; then
    test_sources=/usr/src/googletest/CMakeLists.txt
else
    test_sources=/usr/include/gtest/gtest.h
fi
tests=OFF
if [ "$want" = with-tests ] || [ -f "$test_sources" ]; then
    tests=ON
fi
benchmarks=OFF
if [ -f /usr/include/benchmark/benchmark.h ]; then
    benchmarks=ON
fi
cmake --preset "$preset" -DVANTOREL_WERROR=ON -DVANTOREL_TESTS=$tests -DVANTOREL_BENCHMARKS=$benchmarks >/dev/null
