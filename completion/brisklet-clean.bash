# bash completion (bash 4 or later) for brisklet-clean: its options and switches, as the program's own
# --help lists them, and file names everywhere else.

# The switches and the options the program named in $1 lists in its --help, one a line, into
# SWITCHES and OPTIONS.
_brisklet_clean_words() {
    local program=${1/#\~/$HOME} help
    help=$("$program" --help 2> /dev/null) || help=
    SWITCHES=$(sed -n 's|^  \(/[a-z][a-z]*\) .*|\1|p' <<< "$help")
    OPTIONS=$(grep -o -- '--[a-z][a-z-]*' <<< "$help" | sort -u)
}

_brisklet_clean() {
    local cur=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD - 1]} i word
    local SWITCHES OPTIONS onlyFiles=0
    COMPREPLY=()
    # The value of --tab-length is a number: nothing to offer.
    [ "$previous" = --tab-length ] && return 0
    for ((i = 1; i < COMP_CWORD; i++)); do
        [ "${COMP_WORDS[i]}" = -- ] && onlyFiles=1
    done
    if [ "$onlyFiles" -eq 0 ]; then
        case $cur in
            -*) _brisklet_clean_words "${COMP_WORDS[0]}"
                mapfile -t COMPREPLY < <(compgen -W "$OPTIONS" -- "$cur")
                return 0 ;;
            /*) _brisklet_clean_words "${COMP_WORDS[0]}"
                # Switches match in any letter case.
                for word in $SWITCHES; do
                    [[ $word == "${cur,,}"* ]] && COMPREPLY+=("$word")
                done ;;
        esac
    fi
    # File names; a word beginning with / may be an absolute path as well as a switch.
    compopt -o filenames 2> /dev/null
    mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -f -- "$cur")
}

complete -F _brisklet_clean brisklet-clean
