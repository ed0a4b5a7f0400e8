# Sourced by the scripts that run Windows programs: which Wine loader runs a build's programs.
# Debian's wine, wineboot and winepath commands start Wine's 32-bit loader whenever it is
# installed, and on a host that cannot run 32-bit code it cannot start, so the 64-bit loader
# is called by its path. Wine's own programs (wineboot, reg, winepath) run through the same
# loader: "$wine" wineboot -i.

# wine_use win32|win64: sets wine, the loader for programs of that kind.
wine_use() {
    case "$1" in
        win32) wine=wine ;;
        win64) wine=/usr/lib/wine/wine64 ;;
        *)
            echo "wine_use: win32 or win64, not \"$1\"" >&2
            return 2
            ;;
    esac
}

# pe_arch FILE: prints win32 or win64, read from the machine field of a Windows program's
# header (the PE header's offset is at byte 60), so a build's programs pick their own loader.
pe_arch() {
    pe_offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    pe_machine=$(od -An -tx1 -j$((${pe_offset:-0} + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
    case "$pe_machine" in
        4c01) echo win32 ;;
        6486) echo win64 ;;
        *)
            echo "pe_arch: $1 is not a Windows program for x86 or x86-64" >&2
            return 1
            ;;
    esac
}
