#!/bin/sh
# Makes a sample installation of the game in a Wine prefix: GAMEDIR in the registry's
# 32-bit view, a few profiles and mods, the stand-in game as bfvietnam.exe, and a
# Favorites.ini (Windows-1252, CR LF) holding "Sample server" on 127.0.0.1 port 15567.
# Usage: sample-install.sh PREFIX WINDOWS_BUILD_BIN
set -eu
prefix=$1
bin=$2
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
printf '[Sample server]\r\nServer=127.0.0.1\r\nPort=15567\r\nCreation=08.12.2026  12:00:00\r\n' >"$game/Favorites.ini"

WINEPREFIX=$prefix WINEDEBUG=-all wine reg add 'HKLM\SOFTWARE\EA GAMES\Battlefield Vietnam' /v GAMEDIR /t REG_SZ \
    /d 'C:\Games\Battlefield Vietnam' /reg:32 /f >/dev/null 2>&1
echo "$game"
