#!/usr/bin/env bash
# Drives the bash completion of velda as bash does (COMP_WORDS, COMP_CWORD, then the function)
# in a folder of pieces and other files, and checks what it offers.
#   check_completion.sh <completion file>
set -uo pipefail
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

offers 'velda sp' 'split'
offers 'velda v' 'verify'
offers 'velda mo' 'movie.avi movie000.avi.qv movie001.avi.qv'
offers 'velda --' '--help --version'
offers 'velda split --' '--help --size --pieces --folder --threads --buffer-factor --checksum --quiet'
offers 'velda split movie.avi --threads ' 'one piece'
offers 'velda split movie.avi --buffer-factor 1' '10 100 1000 10000'
offers 'velda split movie.avi --folder ' 'sub my@dir'
offers 'velda split movie.avi --size ' ''
offers 'velda split movie.avi --pieces ' ''
offers 'velda split mo' 'movie.avi movie000.avi.qv movie001.avi.qv'
offers 'velda join --' '--help --output --force --threads --buffer-factor --delete-pieces --quiet'
offers 'velda verify --' '--help'
offers 'velda verify mo' 'movie000.avi.qv movie001.avi.qv'
offers 'velda join movie000.avi.qv -o s' 'sub'
offers 'velda join movie000.avi.qv --threads ' 'one piece'
offers 'velda join ' 'movie000.avi.qv movie001.avi.qv disc.iso.001 sub my@dir'
offers 'velda join mo' 'movie000.avi.qv movie001.avi.qv'
offers 'velda join no' 'notes.txt' # no piece: any file
offers 'velda join movie000.avi.qv --delete-pieces mo' 'movie000.avi.qv movie001.avi.qv'
[ "$(complete -p velda)" = 'complete -F _velda velda' ] || { echo "FAIL: not registered for velda" >&2; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] || exit 1
echo "bash completion checks passed"
