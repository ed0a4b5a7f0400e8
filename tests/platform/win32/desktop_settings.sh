#!/bin/sh
# Runs the desktop tests again in a Wine prefix of their own, on the system code pages and
# DPIs that players have: UTF-8 (65001) and Shift-JIS (932), 96 to 192 DPI.
# Wine 8 takes the system code page from the locale of the Unix side (it writes the Nls
# CodePage ACP value in the registry from it at every start), the DPI from the LogPixels
# value that winecfg sets. Wine's loader (32- or 64-bit) follows the build. A case that skips
# fails the run: here every case has what it needs.
# Usage: desktop_settings.sh WINDOWS_BIN_DIR
set -eu
bin=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../../.." && pwd)
. "$root/scripts/wine-loader.sh"
arch=$(pe_arch "$bin/desktop_win32_tests.exe")
wine_use "$arch"
prefix=$(mktemp -d /tmp/vantorel-desktop.XXXXXX)
cleanup() {
    status=$?
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    rm -rf "$prefix" "$prefix.lock" "$prefix.log" "$prefix.out"
    exit "$status"
}
trap cleanup EXIT INT TERM
export WINEPREFIX=$prefix WINEDEBUG=-all
"$root/scripts/wine-prefix" "$prefix" "$arch"

# Usage: run TESTS SETTING...: the settings are environment assignments.
run() {
    tests=$1
    shift
    # Each setting takes effect in a new Wine session.
    wineserver -k 2>/dev/null || true
    wineserver -w
    echo "== $tests with $*"
    status=0
    env "$@" "$wine" "$bin/desktop_win32_tests.exe" --gtest_filter="$tests" >"$prefix.out" 2>&1 || status=$?
    cat "$prefix.out"
    [ "$status" -eq 0 ] || exit "$status"
    if grep -q '^\[  SKIPPED \]' "$prefix.out"; then
        echo "FAIL: a case skipped with $*"
        exit 1
    fi
}

# Hindi has no 8-bit code page of its own: Windows and Wine then use UTF-8 as the system's.
run 'CodePage.*' LC_ALL=hi_IN.UTF-8 VANTOREL_EXPECT_ACP=65001
run 'CodePage.*' LC_ALL=ja_JP.UTF-8 VANTOREL_EXPECT_ACP=932
# The widest font the skin may get: Wine has no Arial Black, and a heavy DejaVu Sans, wider
# still, stands in for it. Every scaling that Windows offers, 100 % to 200 %.
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Arial Black' /d 'DejaVu Sans' /f >/dev/null 2>&1
for dpi in 96 120 144 168 192; do
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    run 'DesktopTest.*' VANTOREL_EXPECT_DPI=$dpi VANTOREL_EXPECT_FONT='DejaVu Sans'
done
