# Reads the commands and options that a program's --help shows (CLI11's and Qt's layouts).
# Sourced by the packaging checks.

# help_commands PROGRAM: the subcommands listed under "Subcommands:", one a line.
help_commands() {
  "$1" --help | awk '/^Subcommands:/ { on = 1; next } /^[^ ]/ { on = 0 } on && /^  [a-z]/ { print $1 }'
}

# help_options PROGRAM [COMMAND]: every option name (-h, --help, --dry-run ...) that the help lists, one a line.
help_options() {
  local program=$1
  shift
  "$program" "$@" --help | grep -E '^  +-' | sed -E 's/^ +//; s/ {2,}.*//' | tr ', ' '\n\n' |
    grep -E '^--?[A-Za-z?]' | sed -E 's/[= ].*//' | sort -u
}
