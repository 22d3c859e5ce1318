# bash completion for tagwright-cli                                          -*- shell-script -*-

_tagwright_cli() {
    local cur prev words cword
    _init_completion || return

    local commands="scan rename filename-as-title cleanup hands-free clear tag-from-name number cover tags stamp history undo redo"
    local fields="artist title track album year genre comment"

    # The subcommand: the first word after the program that is not an option.
    local i command="" command_index=0
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} == --history ]]; then
            ((i++))  # the history file
        elif [[ ${words[i]} != -* ]]; then
            command=${words[i]}
            command_index=$i
            break
        fi
    done

    if [[ -z $command ]]; then
        if [[ $prev == --history ]]; then
            _filedir
        elif [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '--help --version --history' -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    local options
    case $command in
        scan) options="--help --recursive --no-tags --audio --jobs --accented-letters --keep-spellings --spellings --more-name-styles" ;;
        filename-as-title | clear) options="--help --recursive --dry-run --jobs --no-history --accented-letters --keep-spellings --spellings --more-name-styles" ;;
        rename) options="--help --recursive --dry-run --jobs --no-history --accented-letters --keep-spellings --spellings --more-name-styles --pattern" ;;
        tag-from-name) options="--help --recursive --dry-run --jobs --no-history --accented-letters --keep-spellings --spellings --more-name-styles --lower-small-words --pattern --cleanup" ;;
        number) options="--help --recursive --dry-run --jobs --no-history --accented-letters --keep-spellings --spellings --more-name-styles --start --total --by-tag-order" ;;
        cover) options="--help --recursive --dry-run --jobs --no-history --accented-letters --keep-spellings --spellings --more-name-styles --set --from-folder --add --remove --all --save --max-size" ;;
        cleanup) options="--help --recursive --dry-run --jobs --no-history --accented-letters --keep-spellings --spellings --more-name-styles --lower-small-words" ;;
        hands-free) options="--help --recursive --dry-run --jobs --no-history --accented-letters --keep-spellings --spellings --more-name-styles --lower-small-words --title-with-mix" ;;
        tags) options="--help" ;;
        stamp)
            options="--help --artist --title --album --year --comment --genre --track --recognized --recursive --dry-run --jobs --no-history --accented-letters --keep-spellings --spellings --more-name-styles"
            case $prev in
                --artist | --title | --album | --year | --comment | --genre | --track) return ;;  # free text
            esac
            ;;
        history)
            options="--help --limit --forget"
            [[ $prev == --limit || $prev == --forget ]] && return  # a number, an entry id
            ;;
        undo | redo) options="--help --dry-run" ;;
        *) return ;;
    esac

    [[ $prev == --jobs || $prev == --start ]] && return  # a number
    [[ $prev == --pattern ]] && return                   # a name pattern
    [[ $prev == --save || $prev == --max-size ]] && return  # a file name to make, a size
    if [[ $prev == --spellings || $prev == --set ]]; then
        _filedir  # a word list, a picture
        return
    fi

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    # clear's first plain argument is the tag field; every other plain argument is a song file or folder.
    if [[ $command == clear ]]; then
        local plain=0
        for ((i = command_index + 1; i < cword; i++)); do
            [[ ${words[i]} != -* ]] && plain=$((plain + 1))
        done
        if ((plain == 0)); then
            COMPREPLY=($(compgen -W "$fields" -- "$cur"))
            return
        fi
    fi
    _filedir
} &&
    complete -F _tagwright_cli tagwright-cli

# ex: filetype=sh
