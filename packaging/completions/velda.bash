# bash completion for velda: the command words, every option and its values, and files; for
# `velda join` and `velda verify`, piece files (*.qv, and pieces numbered in their last extension: *.001) first.
# Installed as share/bash-completion/completions/velda, where bash-completion loads it on
# demand; it needs none of bash-completion's helpers.

_velda()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} command= IFS=$'\n'
    COMPREPLY=()
    if [ "$COMP_CWORD" -gt 1 ]; then
        case ${COMP_WORDS[1]} in split | join | verify) command=${COMP_WORDS[1]} ;; esac
    fi
    compopt -o filenames 2>/dev/null # quoting, and a / after folders

    case $command:$prev in
        split:--threads | join:--threads) COMPREPLY=($(compgen -W $'one\npiece' -- "$cur")) ;;
        split:--buffer-factor | join:--buffer-factor) COMPREPLY=($(compgen -W $'10\n100\n1000\n10000' -- "$cur")) ;;
        split:--size | split:--pieces) ;; # a size or a count, typed
        split:--folder) COMPREPLY=($(compgen -d -- "$cur")) ;;
        join:-o | join:--output) COMPREPLY=($(compgen -f -- "$cur")) ;; # a folder, a new name or -
        *:--help | *:-h | *:--version | *:-v) ;;
        *)
            if [[ $cur == -* ]]; then
                local options=$'--help\n--version'
                [ "$command" = split ] && options=$'--help\n--size\n--pieces\n--folder\n--threads\n--buffer-factor\n--checksum\n--quiet'
                [ "$command" = join ] && options=$'--help\n--output\n--force\n--threads\n--buffer-factor\n--delete-pieces\n--quiet'
                [ "$command" = verify ] && options=$'--help'
                COMPREPLY=($(compgen -W "$options" -- "$cur"))
            elif [ "$command" = join ] || [ "$command" = verify ]; then
                # Pieces and folders; where no piece matches, any file (pieces of other tools).
                COMPREPLY=($(compgen -G "$cur*.qv"; compgen -G "$cur*.[0-9][0-9][0-9]"))
                if [ ${#COMPREPLY[@]} -gt 0 ]; then
                    COMPREPLY+=($(compgen -d -- "$cur"))
                else
                    COMPREPLY=($(compgen -f -- "$cur"))
                fi
            else
                [ "$COMP_CWORD" -eq 1 ] && COMPREPLY=($(compgen -W $'split\njoin\nverify' -- "$cur"))
                COMPREPLY+=($(compgen -f -- "$cur"))
            fi
            ;;
    esac
}
complete -F _velda velda
