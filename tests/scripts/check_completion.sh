#!/usr/bin/env bash
# Drives the bash completion of velda as bash does (COMP_WORDS, COMP_CWORD, then the function)
# in a folder of pieces and other files, and checks what it offers.
#   check_completion.sh <completion file>
set -uo pipefail
cases=$(realpath "$(dirname "$0")/completion_cases.txt")
source "$1" || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir sub 'my dir'
touch movie.avi movie000.avi.qv movie001.avi.qv disc.iso.001 notes.txt
failures=0

# offers "<words typed, the last one being completed>" <expected, sorted, one per line>
offers() {
    local line=$1 expected=$2 got
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _velda
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort)
    expected=$(printf '%s' "$expected" | tr ' ' '\n' | sed 's/@/ /g' | sort)
    if [ "$got" != "$expected" ]; then
        echo "FAIL: '$line' offers [$(echo $got)], not [$(echo $expected)]" >&2
        failures=$((failures + 1))
    fi
}

while IFS='|' read -r line expected; do
    [[ $line == '#'* ]] || offers "$line" "$expected"
done <"$cases" || failures=$((failures + 1))
[ "$(complete -p velda)" = 'complete -F _velda velda' ] || { echo "FAIL: not registered for velda" >&2; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] || exit 1
echo "bash completion checks passed"
