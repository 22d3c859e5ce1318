# Sourced by the benchmark scripts. measure COMMAND...: the best of three wall-clock times of the
# command, in milliseconds (its output is discarded).
measure() {
  local best=
  for _ in 1 2 3; do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    local ms=$(((end - start) / 1000000))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}
