#!/usr/bin/env bash
# Installs what is needed, builds Tagwright, and lists the songs of a folder (default: ~/Music, or
# the current folder when there is none) with their recognised details.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
folder="${1:-$HOME/Music}"
[ -d "$folder" ] || folder="$PWD"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target tagwright-cli
exec "$root/build/app/cli/tagwright-cli" scan "$folder"
