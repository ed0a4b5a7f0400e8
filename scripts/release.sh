#!/bin/sh
# Builds the 32-bit Windows release and packs it for players: dist/vantorel-VERSION-win32.zip
# holding vantorel.exe and bfv-query.exe (stripped), README.txt and LICENSE with Windows line
# ends. The version is the one set in CMake, read back from the header the build generates.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$root/dist
build=$root/build/windows

sh scripts/configure.sh windows
cmake --build --preset windows --target vantorel bfv-query -- -j2

version=$(sed -n 's/^#define VANTOREL_VERSION "\(.*\)"$/\1/p' "$build/generated/vantorel_version.h")
case "$version" in
    [0-9]*.[0-9]*.[0-9]*) ;;
    *) echo "release.sh: no version in $build/generated/vantorel_version.h" >&2; exit 1 ;;
esac

stage=$(mktemp -d /tmp/vantorel-release.XXXXXX)
trap 'rm -rf "$stage"' EXIT INT TERM
i686-w64-mingw32-strip -o "$stage/vantorel.exe" "$build/bin/vantorel.exe"
i686-w64-mingw32-strip -o "$stage/bfv-query.exe" "$build/bin/bfv-query.exe"
# Notepad before Windows 10 shows a file with bare LF line ends as one long line.
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' docs/windows-readme.txt >"$stage/README.txt"
sed -e 's/$/\r/' LICENSE >"$stage/LICENSE"

# The same sources make the same zip: every entry carries the time of the last commit.
stamp=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}
# dist/ holds the one current release, so that nobody picks up an older one by mistake.
mkdir -p "$out"
rm -f "$out"/vantorel-*-win32.zip
zip_path="$out/vantorel-$version-win32.zip"
python3 - "$stage" "$zip_path.tmp" "$stamp" <<'EOF'
import sys, time, zipfile
stage, target, stamp = sys.argv[1], sys.argv[2], int(sys.argv[3])
when = time.gmtime(max(stamp, 315532800))[:6]  # zip times start in 1980
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
    for name in ("vantorel.exe", "bfv-query.exe", "README.txt", "LICENSE"):
        entry = zipfile.ZipInfo(name, when)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.external_attr = 0o644 << 16
        with open(f"{stage}/{name}", "rb") as source:
            archive.writestr(entry, source.read())
EOF
mv "$zip_path.tmp" "$zip_path"
echo "$zip_path"
