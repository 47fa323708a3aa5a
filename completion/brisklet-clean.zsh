#compdef brisklet-clean
# zsh completion for brisklet-clean: its options and switches, as the program's own --help lists them (the
# switches in any letter case), and file names everywhere else. Installed as _brisklet-clean in a folder of
# $fpath.

local program=${(Q)words[1]} help
local -a switches options
program=${program/#\~/$HOME}
# The value of --tab-length is a number: nothing to offer.
[[ $words[CURRENT-1] == --tab-length ]] && return 1
# After --, every word is a file.
if (( ! ${${(@)words[1,CURRENT-1]}[(I)--]} )); then
  case $PREFIX in
    -*) help=$("$program" --help 2> /dev/null)
        options=(${(u)${(f)"$(grep -o -- '--[a-z][a-z-]*' <<< $help)"}})
        compadd -- $options
        return ;;
    /*) help=$("$program" --help 2> /dev/null)
        switches=(${(f)"$(sed -n 's|^  \(/[a-z][a-z]*\) .*|\1|p' <<< $help)"})
        # Switches match in any letter case.
        compadd -M 'm:{A-Z}={a-z}' -- $switches ;;
  esac
fi
# File names; a word beginning with / may be an absolute path as well as a switch.
_files
