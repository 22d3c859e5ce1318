#!/usr/bin/env bash
# Every subcommand and every option that a program's --help lists is in its man page, options in the
# part about their own subcommand, and the page renders without warnings.
#   check_man_pages.sh PROGRAM PAGE [PROGRAM PAGE ...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=help_options.sh
. "$here/help_options.sh"
export LC_ALL=C MANWIDTH=1000 ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen

passed=0
failed=0
ok() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }

# has WORD TEXT: WORD stands alone in TEXT (not as part of a longer option or word).
has() { grep -qE -- "(^|[^A-Za-z0-9-])$(printf '%s' "$1" | sed 's/[?]/\\?/g')([^A-Za-z0-9-]|$)" <<<"$2"; }

while [ $# -ge 2 ]; do
  program=$1 page=$2
  shift 2
  name=$(basename "$program")
  warnings=$(man --warnings -l "$page" 2>&1 >/dev/null || echo "man -l failed")
  [ -z "$warnings" ] && ok || fail "$page: man -l warns: $warnings"
  text=$(man --nh --nj -l "$page" 2>/dev/null)
  grep -q "^NAME" <<<"$text" && grep -q "^SYNOPSIS" <<<"$text" && ok || fail "$page: no NAME or SYNOPSIS"

  for option in $(help_options "$program"); do
    has "$option" "$text" && ok || fail "$page: no $option ($name --help lists it)"
  done
  commands=$(help_commands "$program")
  for command in $commands; do
    # The part of the page about COMMAND: from its heading to the next command's or section's.
    part=$(awk -v heading="   $name $command " '
      index($0, heading) == 1 { on = 1; next }
      on && (/^   [^ ]/ || /^[^ ]/) { on = 0 }
      on' <<<"$text")
    [ -n "$part" ] && ok || fail "$page: no part about '$name $command'"
    for option in $(help_options "$program" "$command"); do
      [ "$option" = "-h" ] || [ "$option" = "--help" ] && continue  # said once, under OPTIONS
      has "$option" "$part" && ok || fail "$page: no $option under '$name $command'"
    done
  done
  for section in "EXIT STATUS" EXAMPLES "SEE ALSO"; do
    grep -q "^$section" <<<"$text" && ok || fail "$page: no $section section"
  done
done
echo "man pages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
