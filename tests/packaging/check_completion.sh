#!/usr/bin/env bash
# The bash completion of tagwright-cli loads in bash and completes every subcommand and option that
# the program's --help lists, clear's field names and file names.
#   check_completion.sh PROGRAM COMPLETION_SCRIPT
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=help_options.sh
. "$here/help_options.sh"
program=$1
script=$2
export ASAN_OPTIONS=detect_leaks=0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
: >"01 - Mara Vell - Paper Boats.mp3"
mkdir "Old Songs"

passed=0
failed=0
ok() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }

# completions WORD...: what bash-completion offers for the last word, one a line, sorted.
completions() {
  bash --norc --noprofile -c '
    set -u
    . /usr/share/bash-completion/bash_completion || exit 3
    set +u
    . "$0" || exit 4
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}; COMPREPLY=()
    func=$(complete -p tagwright-cli | sed -E "s/.*-F ([^ ]+).*/\1/")
    "$func" tagwright-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    printf "%s\n" "${COMPREPLY[@]}"' "$script" tagwright-cli "$@" | sed '/^$/d' | sort
}
# expect WANTED WORD...: the completions of WORD... are exactly WANTED (separated by "|").
expect() {
  local wanted got text=$1
  wanted=$(tr '|' '\n' <<<"$1" | sed '/^$/d' | sort)
  shift
  got=$(completions "$@")
  [ "$got" = "$wanted" ] && ok || fail "'tagwright-cli $*' completes to [${got//$'\n'/|}], not [$text]"
}
# offers WORD COMPLETION...: WORD is among the completions.
offers() {
  local word=$1
  shift
  completions "$@" | grep -qxF -- "$word" && ok || fail "'tagwright-cli $*' does not offer $word"
}

bash -n "$script" && ok || fail "$script: bash cannot parse it"
bash --norc -c '. /usr/share/bash-completion/bash_completion; . "$0"; complete -p tagwright-cli' "$script" \
  >/dev/null && ok || fail "$script does not register a completion for tagwright-cli"

expect "cleanup|clear" cl
expect "clear" clear
expect "--help|--version|--history" --
expect "history" hist
expect "--dry-run" undo --dr
expect "--no-history" stamp --no-h
expect "01 - Mara Vell - Paper Boats.mp3" --history h.sqlite3 rename 0
for command in $(help_commands "$program"); do
  offers "$command" ""
  for option in $(help_options "$program" "$command"); do
    [ "$option" = "-h" ] && continue  # short forms are not offered
    offers "$option" "$command" --
  done
done
expect "artist|title|track|album|year|genre|comment" clear ""
expect "genre" clear --dry-run g
expect "01 - Mara Vell - Paper Boats.mp3" clear genre 0
expect "Old Songs" scan --recursive Ol
expect "01 - Mara Vell - Paper Boats.mp3" stamp --recognized 0
expect "" stamp --title ""   # a free text: no file names offered
expect "01 - Mara Vell - Paper Boats.mp3" stamp --title "Paper Boats" 0

echo "completion: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
