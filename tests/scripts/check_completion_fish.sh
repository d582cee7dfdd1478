#!/usr/bin/env bash
# Asks fish what it completes for velda (complete -C, with the completion file under test and
# no other configuration) in a folder of pieces and other files, and checks what it offers.
#   check_completion_fish.sh <completion file velda.fish>
set -uo pipefail
cases=$(realpath "$(dirname "$0")/completion_cases.txt")
command -v fish >/dev/null || { echo "SKIP: fish not found"; exit 77; }
completion=$(realpath "$1") || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir sub 'my dir'
touch movie.avi movie000.avi.qv movie001.avi.qv disc.iso.001 notes.txt
failures=0

# offers "<line typed>" <expected, space-separated, @ for a space>
offers() {
    local line=$1 got expected
    got=$(fish --no-config -c 'source $argv[1]; complete -C $argv[2]' "$completion" "$line" </dev/null 2>&1 |
        cut -f1 | sed 's:/$::' | sort)
    expected=$(printf '%s' "$2" | tr ' ' '\n' | sed '/^$/d; s/@/ /g' | sort)
    if [ "$got" != "$expected" ]; then
        echo "FAIL: '$line' offers [$(echo $got)], not [$(echo $expected)]" >&2
        failures=$((failures + 1))
    fi
}

while IFS='|' read -r line expected; do
    [[ $line == '#'* ]] || offers "$line" "$expected"
done <"$cases" || failures=$((failures + 1))

[ "$failures" -eq 0 ] || exit 1
echo "fish completion checks passed"
