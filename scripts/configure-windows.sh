#!/bin/sh
# Configures the windows preset when it is not configured yet, as scripts/build.sh does. Later
# builds re-run CMake by themselves when a CMakeLists.txt changes, so the demo and the release
# skip the seconds that configuring takes. The tests need Debian's GoogleTest sources, which
# the demo does not install: without them the tree is configured without its tests, and
# scripts/build.sh turns them on again. "with-tests" asks for the tests (the end-to-end driver).
# Usage: configure-windows.sh [with-tests]
set -eu
cd "$(dirname "$0")/.."
cache=build/windows/CMakeCache.txt
if [ -f build/windows/build.ninja ]; then
    if [ "${1:-}" != with-tests ] || ! grep -q '^VANTOREL_TESTS:BOOL=OFF$' "$cache"; then
        exit 0
    fi
fi
tests=OFF
if [ "${1:-}" = with-tests ] || [ -f /usr/src/googletest/CMakeLists.txt ]; then
    tests=ON
fi
cmake --preset windows -DVANTOREL_WERROR=ON -DVANTOREL_TESTS=$tests >/dev/null
