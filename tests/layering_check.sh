#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own. The layers, lowest first:
# text, files, tags, songs, commands, history, ui, app. A layer may include its own headers and those of
# the layers below it (the build links each layer's library only to the layer below, too).
set -euo pipefail
root=${1:-$(dirname "$0")/..}
layers=(text files tags songs commands history ui app)

status=0
for layer in "${layers[@]}"; do
  # file:line:#include "target/..." for each include of a layer's header, judged in one pass.
  { grep -rnE '^#include "[a-z_]+/' "$root/$layer" --include='*.h' --include='*.cpp' || true; } |
    awk -v layer="$layer" -v order="${layers[*]}" '
      BEGIN { n = split(order, names, " "); for (i = 1; i <= n; ++i) rank[names[i]] = i }
      {
        split($0, part, ":")
        include = substr($0, length(part[1]) + length(part[2]) + 3)
        target = include; sub(/^#include "/, "", target); sub(/\/.*/, "", target)
        if ((target in rank) && rank[target] > rank[layer]) {
          print part[1] ":" part[2] ": the " layer " layer includes the higher " target " layer: " include
          bad = 1
        }
      }
      END { exit bad }' || status=1
done
[ "$status" -eq 0 ] && echo "no include runs back up: ${layers[*]}"
exit "$status"
