#!/bin/sh
# Installs the Debian packages that the demo ("demo") or every test ("test", the default)
# needs, when some are missing. Run by the README's two commands, which say which Windows
# build this host runs ("win32" or "win64", see windows-arch.sh; found out here when not
# given). Without root it names what is missing.
# Usage: deps.sh [demo|test] [win32|win64]
set -eu
set_name=${1:-test}
arch=${2:-}
if [ -z "$arch" ]; then
    . "$(dirname "$0")/windows-arch.sh"
    windows_arch_decide "$(cd "$(dirname "$0")/.." && pwd)/build"
    arch=$windows_arch
fi

# The build tools, the cross compiler and Wine: all the demo needs, with Xvfb when there is
# no display. The 32-bit programs run under Wine's 32-bit half (wine32:i386, from the i386
# architecture); the 64-bit ones under Wine's 64-bit loader (wine64) alone, without any i386
# package, since hosts that cannot run 32-bit code may not be able to install them either.
# ss (iproute2) names what holds the sample servers' port. Without a display the demo plays the
# end-to-end test, whose driver is built with the tests (GoogleTest's sources).
case "$arch" in
    win32) WINDOWS_PACKAGES="g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine wine32:i386 wine64" ;;
    win64) WINDOWS_PACKAGES="g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64" ;;
    *) echo "usage: deps.sh [demo|test] [win32|win64]" >&2; exit 2 ;;
esac
DEMO_PACKAGES="cmake ninja-build g++ python3 iproute2 $WINDOWS_PACKAGES"
if [ -z "${DISPLAY:-}" ]; then
    DEMO_PACKAGES="$DEMO_PACKAGES xvfb imagemagick googletest"
fi
# The tests add the 32-bit cross compiler for the release (it stays 32-bit on every host, and
# compiling it runs no 32-bit code), the native test and benchmark libraries, the fuzzer's
# compiler and runtime, a window manager, input driver and window tools for the end-to-end
# test, the heavy DejaVu Sans that stands in for the widest font the skin may get, unzip for
# the release's check, and qstat (a peer of the tests) and GNU time for the benchmarks.
TEST_PACKAGES="$DEMO_PACKAGES g++-mingw-w64-i686-posix binutils-mingw-w64-i686 clang clang-format libclang-rt-dev
 googletest libgtest-dev libbenchmark-dev xvfb x11-utils imagemagick openbox xdotool fonts-dejavu-core unzip qstat time"

# GameDig, a test-only peer from npm, needs node and npm: Debian's where none is installed.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    TEST_PACKAGES="$TEST_PACKAGES nodejs npm"
fi

case "$set_name" in
    demo) packages=$DEMO_PACKAGES ;;
    test) packages=$TEST_PACKAGES ;;
    *) echo "usage: deps.sh [demo|test] [win32|win64]" >&2; exit 2 ;;
esac

missing=""
for package in $packages; do
    case " $missing " in *" $package "*) continue ;; esac
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done

if [ -n "$missing" ]; then
    i386=""
    case "$missing" in *:i386*) i386="dpkg --add-architecture i386 && " ;; esac
    if [ "$(id -u)" -ne 0 ]; then
        echo "These Debian packages are missing:$missing" >&2
        echo "Install them as root: ${i386}apt-get update && apt-get install$missing" >&2
        exit 1
    fi
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    if [ -n "$i386" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -q
    # shellcheck disable=SC2086
    apt-get install -y -q --no-install-recommends $missing
fi
