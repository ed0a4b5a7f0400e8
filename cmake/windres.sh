#!/bin/sh
# Runs windres with the include folders and the script given relative to the build folder.
# windres hands its preprocessor call to the shell as one line, quoting the paths only in
# part, so a checkout under a folder whose name holds "'", "(" or "&" cannot be built through
# it with absolute paths; relative ones leave the checkout's own folder out of that line.
# Usage: windres.sh WINDRES ARGUMENT...   (the arguments as CMake gives them to windres)
set -eu
windres=$1
shift
relative() {
    path=$(realpath -m --relative-to=. -- "$1")
    case "$path" in
        *[!A-Za-z0-9_./+=,@%:-]*)
            echo "windres.sh: windres cannot preprocess through the shell with the path \"$1\"; build in a folder below the checkout" >&2
            exit 1
            ;;
    esac
    echo "$path"
}
count=$#
while [ "$count" -gt 0 ]; do
    argument=$1
    shift
    count=$((count - 1))
    case "$argument" in
        -I | --include-dir)
            set -- "$@" -I "$(relative "$1")"
            shift
            count=$((count - 1))
            ;;
        -I*) set -- "$@" -I "$(relative "${argument#-I}")" ;;
        --include-dir=*) set -- "$@" -I "$(relative "${argument#--include-dir=}")" ;;
        *.rc) set -- "$@" "$(relative "$argument")" ;;
        *) set -- "$@" "$argument" ;;
    esac
done
exec "$windres" "$@"
