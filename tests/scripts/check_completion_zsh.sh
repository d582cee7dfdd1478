#!/usr/bin/env bash
# Drives the zsh completion of velda in an interactive zsh on a pseudo-terminal (zsh/zpty): it
# types a line and TAB, and records every match the completion adds (compadd, wrapped), in a
# folder of pieces and other files.
#   check_completion_zsh.sh <completion file _velda>
set -uo pipefail
cases=$(realpath "$(dirname "$0")/completion_cases.txt") || exit 1
command -v zsh >/dev/null || { echo "SKIP: zsh not found"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/functions" "$work/files"
cp "$1" "$work/functions/_velda" || exit 1
cd "$work/files" || exit 1
mkdir sub 'my dir'
touch movie.avi movie000.avi.qv movie001.avi.qv disc.iso.001 notes.txt

# The interactive shell: compinit with only the file under test added, and compadd wrapped so
# that what it would add goes to $VELDA_OFFERS, one per line.
cat >"$work/.zshrc" <<'ZSH'
PS1='> '
fpath=("$VELDA_FUNCTIONS" $fpath)
autoload -Uz compinit && compinit -u -D
zstyle ':completion:*' menu no
compadd() {
    if (( ${@[(I)-[OAD]]} )); then
        builtin compadd "$@"
        return
    fi
    local -a added
    builtin compadd -O added "$@"
    (( $#added )) && print -rl -- ${(Q)added} >>$VELDA_OFFERS # _files adds names quoted
    builtin compadd "$@"
}
ZSH

cat >"$work/drive.zsh" <<'ZSH'
zmodload zsh/zpty
offers=$1 failures=0
zpty shell "ZDOTDIR=$VELDA_HOME zsh -i"
zpty -r -m shell start '*> *' # what is typed before the first prompt is lost
drain() { local chunk; while zpty -rt shell chunk 2>/dev/null; do :; done }
# check "<line typed>" "<expected, space-separated, @ for a space>"
check() {
    local typed=$1 expected got tries=0
    : >$offers
    zpty -w -n shell "$typed"$'\t'$'\x15'
    zpty -w shell "print __done__ >>$offers"
    until grep -qx __done__ $offers 2>/dev/null; do
        (( ++tries > 100 )) && break
        sleep 0.05
        drain
    done
    got=$(grep -vx __done__ $offers | sed 's:/$::' | sort -u | tr '\n' ' ')
    expected=$(print -rl -- ${=2} | sed '/^$/d' | tr @ ' ' | sort -u | tr '\n' ' ')
    if [[ $got != $expected ]]; then
        print -u2 -r "FAIL: '$typed' offers [${(q+)got}], not [${(q+)expected}]"
        (( failures++ ))
    fi
}
while IFS="|" read -r typed expected; do
    [[ $typed == \#* ]] || check "$typed" "$expected"
done <$VELDA_CASES || (( failures++ ))
zpty -d shell
exit $(( failures > 0 ))
ZSH

VELDA_HOME=$work VELDA_OFFERS=$work/offers VELDA_FUNCTIONS=$work/functions VELDA_CASES=$cases \
    timeout 120 zsh -f "$work/drive.zsh" "$work/offers" || exit 1
echo "zsh completion checks passed"
