#!/bin/sh
# Checks the release zip that scripts/release.sh wrote: its name and listing, README.txt and
# LICENSE as Windows shows them, and both programs as Windows loads them: 32-bit PE for i386,
# stripped, a version resource with the zip's version, and DLLs only from Windows itself
# (a MinGW runtime DLL would be missing on a player's machine); vantorel.exe's manifest asks
# for DPI awareness and no execution level, for x86 and the zip's version. Nothing is run, so
# the check holds on hosts that cannot run 32-bit programs.
# Usage: zip_test.sh ZIP
set -eu
zip=$1
work=$(mktemp -d /tmp/vantorel-zip-test.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

version=$(basename "$zip" | sed -n 's/^vantorel-\([0-9][0-9]*\.[0-9][0-9]*\.[0-9][0-9]*\)-win32\.zip$/\1/p')
[ -n "$version" ] || fail "the zip's name is not vantorel-X.Y.Z-win32.zip: $(basename "$zip")"

listing=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
[ "$listing" = "LICENSE README.txt bfv-query.exe vantorel.exe " ] || fail "the zip holds: $listing"
unzip -q -d "$work" "$zip"

# Windows line ends throughout: no LF without its CR, no CR without its LF.
for text in README.txt LICENSE; do
    [ -s "$work/$text" ] || { fail "$text is missing or empty"; continue; }
    lines=$(tr -cd '\n' <"$work/$text" | wc -c)
    pairs=$(od -An -c -v "$work/$text" | tr -d ' \n' | grep -o '\\r\\n' | wc -l)
    returns=$(tr -cd '\r' <"$work/$text" | wc -c)
    [ "$lines" -gt 0 ] && [ "$lines" -eq "$pairs" ] && [ "$returns" -eq "$pairs" ] ||
        fail "$text: $lines line ends, $pairs of them CR LF, $returns CRs"
done
grep -q "^Vantorel $version " "$work/README.txt" || fail "README.txt does not start with Vantorel $version"
grep -q '@VERSION@' "$work/README.txt" && fail "README.txt still holds @VERSION@"
grep -q '^MIT License' "$work/LICENSE" && grep -q 'Vantorel' "$work/LICENSE" || fail "LICENSE is not the MIT licence of Vantorel"

system_dlls=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll
 shell32.dll shlwapi.dll user32.dll uxtheme.dll version.dll winmm.dll ws2_32.dll wsock32.dll "
for program in vantorel.exe bfv-query.exe; do
    file="$work/$program"
    [ -f "$file" ] || continue
    header=$(i686-w64-mingw32-objdump -f "$file" 2>&1 || true)
    echo "$header" | grep -q 'file format pei-i386' || fail "$program is not a PE for i386"
    echo "$header" | grep -Eq 'HAS_SYMS|HAS_DEBUG' && fail "$program is not stripped"
    private=$(i686-w64-mingw32-objdump -p "$file" 2>&1 || true)
    echo "$private" | grep -Eq '^Magic[[:space:]]+010b' || fail "$program is not PE32"
    for dll in $(echo "$private" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]'); do
        case "$system_dlls" in
            *" $dll "*) ;;
            *) fail "$program imports $dll, which Windows does not have" ;;
        esac
    done
    resources=$(i686-w64-mingw32-windres -i "$file" -O rc 2>/dev/null || true)
    echo "$resources" | grep -q 'VERSIONINFO' || fail "$program has no version resource"
    echo "$resources" | grep -q "VALUE \"FileVersion\", \"$version\"" || fail "$program's FileVersion is not $version"
    echo "$resources" | grep -q "VALUE \"OriginalFilename\", \"$program\"" || fail "$program's OriginalFilename"
done

# windres prints the manifest (resource type 24) as quoted lines with doubled quotes.
resources=$(i686-w64-mingw32-windres -i "$work/vantorel.exe" -O rc 2>/dev/null || true)
[ "$(echo "$resources" | grep -c '^[0-9][0-9]* 24 ')" -eq 1 ] || fail "vantorel.exe does not hold exactly one manifest"
manifest=$(echo "$resources" | sed -n '/^1 24 /,/^END/p' | sed -e 's/^ *"//' -e 's/\\n"$//' -e 's/""/"/g')
echo "$manifest" | grep -qF "name=\"Vantorel\" version=\"$version.0\" processorArchitecture=\"x86\"" ||
    fail "vantorel.exe's manifest does not name version $version.0 for x86"
echo "$manifest" | grep -qF '>true/pm</dpiAware>' && echo "$manifest" | grep -qF '>PerMonitorV2, PerMonitor</dpiAwareness>' ||
    fail "vantorel.exe's manifest does not ask for DPI awareness per monitor"
echo "$manifest" | grep -Eq 'requestedExecutionLevel|trustInfo' && fail "vantorel.exe's manifest asks for an execution level"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) of $zip failed"
    exit 1
fi
echo "$zip: $listing- PE32 i386, stripped, version $version, system DLLs only, manifest for DPI awareness"
