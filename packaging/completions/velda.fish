# fish completion for velda: the command words, every option and its values, and files; for
# `velda join` and `velda verify`, piece files (*.qv, and pieces numbered in their last extension: *.001) first.
# The same words and values as velda.bash. Installed as
# share/fish/vendor_completions.d/velda.fish, where Debian's fish looks.

function __velda_command --description 'The command word of the line: split, join, verify or nothing'
    set -l words (commandline -opc)
    set -q words[2]; and contains -- $words[2] split join verify; and echo $words[2]
end

function __velda_pieces --description 'Pieces and folders; where no piece matches, any file'
    set -l typed (commandline -ct)
    set -l files $typed* # a glob that matches nothing is no error only here
    set -l pieces
    # Without arguments string would read its standard input.
    set -q files[1]; and set pieces (string match -r -- '.*(\.qv|\.[0-9]{3})$' $files)
    if set -q pieces[1]
        printf '%s\n' $pieces
        __fish_complete_directories $typed
    else
        __fish_complete_path $typed
    end
end

complete -c velda -f
# Without a command: the window, with files; --help and --version.
complete -c velda -n 'test -z "$(__velda_command)"' -n __fish_is_first_arg -a split -d 'Cut a file into pieces'
complete -c velda -n 'test -z "$(__velda_command)"' -n __fish_is_first_arg -a join -d 'Join pieces back into their file'
complete -c velda -n 'test -z "$(__velda_command)"' -n __fish_is_first_arg -a verify -d 'Check a set without joining it'
complete -c velda -n 'test -z "$(__velda_command)"' -F
complete -c velda -n 'test -z "$(__velda_command)"' -s h -l help -d 'Print the usage and exit'
complete -c velda -n 'test -z "$(__velda_command)"' -s v -l version -d 'Print the version and exit'

# Both commands.
for command in split join
    set -l when "test \"\$(__velda_command)\" = $command"
    complete -c velda -n $when -s h -l help -d 'Print the usage of the command'
    complete -c velda -n $when -l threads -x -a 'one piece' -d 'One worker thread, or a thread per piece'
    complete -c velda -n $when -l buffer-factor -x -a '10 100 1000 10000' -d 'Allocation granules in each mapped view'
    complete -c velda -n $when -s q -l quiet -d 'No progress line and no summary'
end

set -l split 'test "$(__velda_command)" = split'
complete -c velda -n $split -F
complete -c velda -n $split -l size -x -d 'Size of a piece: 700 (M), 1.5G, 100MiB, 4GB'
complete -c velda -n $split -l pieces -x -d 'Number of pieces of equal size'
complete -c velda -n $split -l folder -x -a '(__fish_complete_directories)' -d 'Folder for the pieces'
complete -c velda -n $split -l checksum -d "Also write the set's checksum file"

set -l join 'test "$(__velda_command)" = join'
complete -c velda -n $join -a '(__velda_pieces)'
complete -c velda -n $join -l delete-pieces -d 'Delete the pieces once the joined file is on the disk'
complete -c velda -n $join -s o -l output -r -F -d 'Put the joined file there (a folder or a name), or - for standard output'
complete -c velda -n $join -l force -d 'Replace a file where the joined file goes'

set -l verify 'test "$(__velda_command)" = verify'
complete -c velda -n $verify -s h -l help -d 'Print the usage of the command'
complete -c velda -n $verify -a '(__velda_pieces)'
