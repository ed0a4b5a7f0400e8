#!/bin/sh
# The main job. For now: builds vantorel.exe and says where it is.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
sh scripts/deps.sh
sh scripts/build.sh windows
echo "Built $root/build/windows/bin/vantorel.exe"
