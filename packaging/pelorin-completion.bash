# bash completion for pelorin: commands, each command's options, the values
# of --algorithm and --mode, settings by program, and names of files
# otherwise. Needs nothing but bash itself.

_pelorin_names() {  # _pelorin_names -f|-d: files (and folders) or folders
    compopt -o filenames 2>/dev/null
    # bash splits a word at "=" and ":", but a name may hold them: complete
    # the whole name typed since the last space, and give back only the part
    # after the split, which is what bash replaces.
    local line=${COMP_LINE:0:COMP_POINT}
    local whole=${line##*[[:space:]]}
    [[ $whole == --*=* ]] && whole=${whole#*=}
    if [[ $whole == *[=:]* && $whole == *"$cur" ]]; then
        local head=${whole%"$cur"}
        mapfile -t COMPREPLY < <(compgen "$1" -- "$whole")
        COMPREPLY=("${COMPREPLY[@]#"$head"}")
        return
    fi
    mapfile -t COMPREPLY < <(compgen "$1" -- "$cur")
}

_pelorin_words() {  # _pelorin_words WORD...: those that begin with $cur
    mapfile -t COMPREPLY < <(compgen -W "$*" -- "$cur")
}

_pelorin() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="encrypt decrypt import list test delete settings wipe-file wipe-free wipe-slack wipe-drive"
    COMPREPLY=()

    if ((COMP_CWORD == 1)); then
        _pelorin_words $commands help --help --version
        return
    fi
    local command=${COMP_WORDS[1]}

    # "--option=value" arrives as the option, "=" and the value so far; an
    # "=" inside a name is left to the name completion.
    if [[ $cur == = && $prev == --* ]]; then
        cur=
    elif [[ $prev == = && ${COMP_WORDS[COMP_CWORD - 2]} == --* ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi

    # After "--" every word is a name.
    local i
    for ((i = 2; i < COMP_CWORD; i++)); do
        if [[ ${COMP_WORDS[i]} == -- ]]; then
            _pelorin_names -f
            return
        fi
    done

    case $prev in
        --algorithm)
            local classic="0 1 2 3 4 5 6 7 ASCII BlowFish DES IDEA NewDES Pseudo-RC4 RC4 Safer Vigenere"
            if [[ $command == encrypt ]]; then
                _pelorin_words $classic 9 ChaCha20-Poly1305 ChaCha20
            else
                _pelorin_words $classic
            fi
            return ;;
        --mode)
            _pelorin_words standard thorough complete
            return ;;
        --passkey-file | --report)
            _pelorin_names -f
            return ;;
        --passes | --memory-passes | --padding | --select | --code-page | --kdf-memory)
            # A number, or a name stored in an archive: nothing to offer.
            return ;;
    esac

    local options names=-f erasure="--verify --report --report-names"
    case $command in
        help)
            ((COMP_CWORD == 2)) && _pelorin_words $commands
            return ;;
        settings)
            case $COMP_CWORD in
                2) _pelorin_words encrypt decrypt wipe delete archives --help ;;
                3)
                    case ${COMP_WORDS[2]} in
                        encrypt) _pelorin_words encheaders hashpasskey numpasses lastalg actualalg stickydelete \
                            havedelete overwrite kdfmemory ;;
                        decrypt) _pelorin_words stickdel actualdel numiter ;;
                        wipe) _pelorin_words NumDisk NumMem what verify ;;
                        delete) _pelorin_words SecDelDoNotRemind verify ;;
                        archives) _pelorin_words codepage ;;
                    esac ;;
            esac
            return ;;
        encrypt) options="--algorithm --kdf-memory --delete-sources --passkey-file --code-page --yes --no" ;;
        decrypt) options="--select --delete-archives --passkey-file --code-page --yes --no" ;;
        import) options="--algorithm --padding --passkey-file --code-page" ;;
        list | test) options="--passkey-file --code-page --yes --no" ;;
        delete) options="--passes --yes $erasure" ;;
        wipe-file | wipe-slack) options="--passes $erasure" ;;
        wipe-free) options="--passes $erasure" names=-d ;;
        wipe-drive) options="--mode --passes --memory-passes --yes $erasure" names=-d ;;
        *) return ;;
    esac
    if [[ $cur == -* ]]; then
        _pelorin_words $options --help --
    else
        _pelorin_names $names
    fi
}

complete -F _pelorin pelorin
