#!/bin/sh
# A checkout under a folder whose name holds a quote, parentheses, "&" and spaces builds: the
# steps that run through a shell (the custom commands, and windres, which preprocesses through
# one) are built there for the Windows preset, the compiles that run no shell are left out.
# Usage: checkout_path_test.sh
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/vantorel-path.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
checkout="$work/Tom's games (old) & more/vantorel"
mkdir -p "$checkout"
(cd "$root" && git ls-files -co --exclude-standard -z | xargs -0 cp --parents -t "$checkout")
cd "$checkout"
if ! cmake --preset windows -DVANTOREL_TESTS=OFF -DVANTOREL_BENCHMARKS=OFF >"$work/configure.log" 2>&1; then
    echo "FAIL: configuring in \"$checkout\":"
    tail -n 20 "$work/configure.log"
    exit 1
fi
targets=$(ninja -C build/windows -t targets all | sed -n 's/: \(CUSTOM_COMMAND\|RC_COMPILER__.*\)$//p' | grep -v -e '^/' -e '\.util$')
if [ -z "$targets" ]; then
    echo "FAIL: no custom command or resource to build"
    exit 1
fi
# shellcheck disable=SC2086
if ! ninja -C build/windows $targets >"$work/build.log" 2>&1; then
    echo "FAIL: building in \"$checkout\":"
    tail -n 20 "$work/build.log"
    exit 1
fi
echo "a checkout in \"$checkout\" builds its custom commands and resources: $(echo $targets)"
