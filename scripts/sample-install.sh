#!/bin/sh
# Makes a sample installation of the game in a Wine prefix: GAMEDIR in the registry's
# 32-bit view, a few profiles and mods, the stand-in game as bfvietnam.exe, and a
# Favorites.ini (Windows-1252, CR LF) holding "Sample server" on 127.0.0.1 port 15567.
# --demo adds the demo's two other sample servers on 127.0.0.2 and 127.0.0.3 as favourites.
# --files-only leaves the registry alone (it is set already), so no Wine program runs: the
# demo refreshes the files of the prefix it keeps this way on every start.
# Usage: sample-install.sh PREFIX WINDOWS_BUILD_BIN [--demo] [--files-only]
set -eu
prefix=$1
bin=$2
shift 2
demo=false
registry=true
for option in "$@"; do
    case "$option" in
        --demo) demo=true ;;
        --files-only) registry=false ;;
        *) echo "sample-install.sh: unknown option $option" >&2; exit 2 ;;
    esac
done
game="$prefix/drive_c/Games/Battlefield Vietnam"

mkdir -p "$game/Mods/BfVietnam/Settings/Profiles"
for profile in Alice Bravo Charlie; do
    mkdir -p "$game/Mods/BfVietnam/Settings/Profiles/$profile"
done
for mod in "Desert Heat" "Hue Siege"; do
    mkdir -p "$game/Mods/$mod"
done
cp "$bin/bfvietnam.exe" "$game/bfvietnam.exe"
rm -f "$game/bfvietnam.starts.txt"
favorite() {
    printf '[%s]\r\nServer=%s\r\nPort=15567\r\nCreation=08.12.2026  12:00:00\r\n' "$1" "$2"
}
{
    favorite "Sample server" 127.0.0.1
    if $demo; then
        favorite "Standard sample server" 127.0.0.2
        favorite "GameSpy 2 sample server" 127.0.0.3
    fi
} >"$game/Favorites.ini"

if $registry; then
    # Wine's reg of the programs' own kind (32- or 64-bit); /reg:32 is the 32-bit view either way.
    . "$(dirname "$0")/wine-loader.sh"
    wine_use "$(pe_arch "$bin/bfvietnam.exe")"
    WINEPREFIX=$prefix WINEDEBUG=-all "$wine" reg add 'HKLM\SOFTWARE\EA GAMES\Battlefield Vietnam' /v GAMEDIR \
        /t REG_SZ /d 'C:\Games\Battlefield Vietnam' /reg:32 /f >/dev/null 2>&1
fi
echo "$game"
