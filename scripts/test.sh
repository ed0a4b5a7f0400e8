#!/bin/sh
# Every test: the format check, the native tests, and the Windows build's tests under Wine
# in a throw-away prefix; then the release zip (left in dist/) and the demo's port check.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
sh scripts/deps.sh

echo "== format check"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

echo "== native build and tests"
sh scripts/build.sh native
ctest --preset native -j2

echo "== fuzzing the reply path for 60 seconds"
sh scripts/fuzz.sh 60

echo "== windows build and tests under Wine"
sh scripts/build.sh windows
WINEPREFIX=$(mktemp -d /tmp/vantorel-wine.XXXXXX)
export WINEPREFIX
cleanup() {
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX" "$WINEPREFIX.lock" "$WINEPREFIX.log"
}
trap cleanup EXIT INT TERM
scripts/wine-prefix "$WINEPREFIX"
ctest --preset windows -j2

echo "== the release zip for Windows, and the demo with its port taken"
sh scripts/release.sh
sh tests/release/zip_test.sh dist/vantorel-*-win32.zip
sh tests/release/demo_port_test.sh

echo "== all tests passed"
