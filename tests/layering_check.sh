#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above its own. The layers, lowest first:
# text, files, tags, songs, commands, history, ui, app. A layer may include its own headers and those of
# the layers below it (the build links each layer's library only to the layer below, too).
set -euo pipefail
root=${1:-$(dirname "$0")/..}
layers=(text files tags songs commands history ui app)
rank() { for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }; done; echo -1; }

status=0
for layer in "${layers[@]}"; do
  own=$(rank "$layer")
  while IFS=: read -r file line include; do
    target=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$include")
    theirs=$(rank "$target")
    if [ "$theirs" -gt "$own" ]; then
      echo "$file:$line: the $layer layer includes the higher $target layer: $include"
      status=1
    fi
  done < <(grep -rnE '^#include "[a-z_]+/' "$root/$layer" --include='*.h' --include='*.cpp' || true)
done
[ "$status" -eq 0 ] && echo "no include runs back up: ${layers[*]}"
exit "$status"
