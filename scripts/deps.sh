#!/bin/sh
# Installs the Debian packages that the build, the tests and the demo need, when some are
# missing. Sourced by the README's two commands. Without root it names what is missing.
set -eu

VANTOREL_PACKAGES="cmake ninja-build g++ clang clang-format libclang-rt-14-dev googletest libgtest-dev libgmock-dev
 libbenchmark-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 xvfb x11-apps x11-utils
 imagemagick hyperfine qstat strace procps python3"

missing=""
for package in $VANTOREL_PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done

if [ -n "$missing" ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "These Debian packages are missing:$missing" >&2
        echo "Install them as root: apt-get install$missing" >&2
        exit 1
    fi
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    # shellcheck disable=SC2086
    apt-get install -y -q --no-install-recommends $missing
fi
