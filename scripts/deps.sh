#!/bin/sh
# Installs the Debian packages that the demo ("demo") or every test ("test", the default)
# needs, when some are missing. Run by the README's two commands. Without root it names
# what is missing. The Windows build is 32-bit like the game, so its programs run under
# Wine's 32-bit half (wine32:i386), which needs the i386 architecture.
set -eu
set_name=${1:-test}

# The build tools, the 32-bit cross compiler and Wine: all the demo needs, with Xvfb when
# there is no display.
# ss (iproute2) names what holds the sample servers' port. Without a display the demo plays the
# end-to-end test, whose driver is built with the tests (GoogleTest's sources).
DEMO_PACKAGES="cmake ninja-build g++ python3 g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine wine32:i386
 wine64 procps iproute2"
if [ -z "${DISPLAY:-}" ]; then
    DEMO_PACKAGES="$DEMO_PACKAGES xvfb imagemagick googletest"
fi
# The tests add the native test and benchmark libraries, the fuzzer's compiler, a window
# manager and input driver for the end-to-end test, the release's zip and the comparison
# tools.
TEST_PACKAGES="$DEMO_PACKAGES clang clang-format libclang-rt-14-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
 xvfb x11-apps x11-utils imagemagick openbox xdotool zip unzip hyperfine qstat strace time"

# GameDig, a test-only peer from npm, needs node and npm: Debian's where none is installed.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    TEST_PACKAGES="$TEST_PACKAGES nodejs npm"
fi

case "$set_name" in
    demo) packages=$DEMO_PACKAGES ;;
    test) packages=$TEST_PACKAGES ;;
    *) echo "usage: deps.sh [demo|test]" >&2; exit 2 ;;
esac

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done

if [ -n "$missing" ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "These Debian packages are missing:$missing" >&2
        echo "Install them as root: dpkg --add-architecture i386 && apt-get update && apt-get install$missing" >&2
        exit 1
    fi
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -q
    # shellcheck disable=SC2086
    apt-get install -y -q --no-install-recommends $missing
fi
