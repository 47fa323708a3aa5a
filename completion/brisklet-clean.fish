# fish completion for brisklet-clean: its options and switches, as the program's own --help lists them (the
# switches in any letter case), and file names everywhere else.

# The switches (with "switches") or the options the program on the command line lists in its --help.
function __brisklet_clean_words
    set -l program (string replace -r -- '^~' $HOME (commandline -opc)[1])
    set -l help ($program --help 2> /dev/null)
    if test "$argv[1]" = switches
        string replace -rf -- '^  (/[a-z]+) .*' '$1' $help
    else
        string match -ra -- '--[a-z][a-z-]*' $help | sort -u
    end
end

# Whether the word being completed begins with $argv[1] and no -- comes before it, after which every word is
# a file.
function __brisklet_clean_word_begins
    set -l before (commandline -opc)
    not contains -- -- $before[2..-1]; and string match -q -- "$argv[1]*" (commandline -ct)
end

complete -c brisklet-clean -n '__brisklet_clean_word_begins -' -f -a '(__brisklet_clean_words options)'
# Switches match in any letter case, as fish matches a word it finds no exact match for.
complete -c brisklet-clean -n '__brisklet_clean_word_begins /' -a '(__brisklet_clean_words switches)'
# The value of --tab-length is a number: nothing to offer.
complete -c brisklet-clean -n 'test (commandline -opc)[-1] = --tab-length' -f
