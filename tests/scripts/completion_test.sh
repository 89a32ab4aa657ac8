#!/usr/bin/env bash
# The bash completion: the subcommands it offers are those the programs'
# own usage lists, and file arguments complete to files of their kind.
#   completion_test.sh COMPLETION_FILE KESTREL_TOOLS PDAT
set -uo pipefail
completion=$1 tools=$2 pdat=$3
# shellcheck source=/dev/null
source "$completion"
failed=0
complete_line() {  # complete_line FUNCTION WORD...: COMPREPLY, sorted, one per line
  local fn=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  "$fn"
  printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort
}
expect() {  # expect WHAT WANTED GOT
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n  wanted: %s\n  got:    %s\n' "$1" "$(echo $2)" "$(echo $3)"
    failed=1
  fi
}

usage_commands=$("$tools" --help | sed -n 's/^  \([a-z][a-z]*\) .*/\1/p' | LC_ALL=C sort)
offered=$(complete_line _kestrel_tools kestrel-tools "" | grep -v '^--')
expect "kestrel-tools commands" "$usage_commands" "$offered"

usage_commands=$("$pdat" --help | sed -n 's/^\(usage: \)\{0,1\} *pdat \([a-z][a-z]*\) .*/\2/p' | LC_ALL=C sort)
offered=$(complete_line _kestrel_pdat pdat "" | grep -v '^--')
expect "pdat commands" "$usage_commands" "$offered"

expect "log kinds" "$(printf "%s\n" --follow --last analysis critical job program)" "$(complete_line _kestrel_tools kestrel-tools log "")"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" && touch a.pdat b.txt c.pdf && mkdir sub
expect "kestrel -p" "$(printf '%s\n' a.pdat sub)" "$(complete_line _kestrel kestrel -p "")"
expect "pdat dump" "$(printf '%s\n' a.pdat sub)" "$(complete_line _kestrel_pdat pdat dump "")"
expect "pdat render -o" "$(printf '%s\n' c.pdf sub)" "$(complete_line _kestrel_pdat pdat render a.pdat -o "")"
expect "outline pdf" "$(printf '%s\n' c.pdf sub)" "$(complete_line _kestrel_tools kestrel-tools outline "")"
[ "$failed" = 0 ] && echo "completion: ok"
exit "$failed"
