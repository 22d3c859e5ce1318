#!/usr/bin/env bash
# Installs what is needed, builds Tagwright and starts its window, on FOLDER when one is given:
#   scripts/run.sh [FOLDER]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target tagwright
exec "$root/build/app/gui/tagwright" "$@"
