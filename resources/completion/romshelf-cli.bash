# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for romshelf-cli: its commands, their options, the hardware codes and the
# values of the options that take a fixed set. Needs nothing from bash-completion itself.

# Files (-f) or folders (-d) whose names begin with $2, one a line: names with spaces stay whole.
_romshelf_cli_paths() {
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen "$1" -- "$2")
}

_romshelf_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=""
    [ "$COMP_CWORD" -gt 0 ] && prev=${COMP_WORDS[COMP_CWORD - 1]}
    # The commands, from the program itself.
    local commands
    commands=$("${COMP_WORDS[0]}" --commands 2>/dev/null | cut -d: -f1)
    local common="--program-folder --hardware --yes --help"
    # The codes the program knows (its hardware table).
    local codes="FC SFC N64 GC PCE FX MSYS MD SAT DC PS PS2 GB GBA WS GG NGP LYNX MAME MSX X68
        PC88 PC98 USER1 USER2 USER3 USER4 USER5 HARD"
    local listing="--field --rating --category --class --favourite"
    local modes="all unregistered nosnap favourites folder rating category class search"

    # The value of an option before the cursor.
    case $prev in
    --hardware)
        COMPREPLY=($(compgen -W "$codes" -- "$cur"))
        return
        ;;
    --program-folder | --out)
        _romshelf_cli_paths -d "$cur"
        return
        ;;
    --output | --unowned | --dat | --snap-picture | --media-picture | --header)
        _romshelf_cli_paths -f "$cur"
        return
        ;;
    --field)
        COMPREPLY=($(compgen -W "name reading file comment" -- "$cur"))
        return
        ;;
    --favourite)
        COMPREPLY=($(compgen -W "yes no unset" -- "$cur"))
        return
        ;;
    --sort)
        COMPREPLY=($(compgen -W "playtime lastplayed playcount" -- "$cur"))
        return
        ;;
    --region)
        local IFS=$'\n'
        COMPREPLY=($(compgen -W "World
Japan
USA
Europe
Asia
Korea
China
Taiwan
Hong\\ Kong
Australia
Brazil
Canada
France
Germany
Italy
Spain
Netherlands
Sweden
UK
Russia" -- "$cur"))
        return
        ;;
    --language)
        COMPREPLY=($(compgen -W "En Ja Fr De Es It Nl Pt Sv No Da Fi Zh Ko Pl Ru" -- "$cur"))
        return
        ;;
    --items)
        COMPREPLY=($(compgen -W "file size rating cat1 cat2 cat3 cat4 cat5 class" -- "${cur##*,}"))
        [ "${cur%,*}" != "$cur" ] && COMPREPLY=("${COMPREPLY[@]/#/${cur%,*},}")
        return
        ;;
    --rating | --category | --class | --name | --reading | --comment | --emulator | --rename | \
        --folder | --row | --to | --set | --max)
        return
        ;;
    esac

    # The command: the first word that is no common option nor its value.
    local i command=""
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
        --program-folder | --hardware) ((i++)) ;;
        -*) ;;
        *)
            command=${COMP_WORDS[i]}
            break
            ;;
        esac
    done
    if [ -z "$command" ]; then
        COMPREPLY=($(compgen -W "$commands $common --version" -- "$cur"))
        return
    fi

    local options="" words=""
    case $command in
    dump | identify)
        options="--help"
        words=FILES
        ;;
    demo) words=FOLDERS ;;
    list) options="$common $listing --sort --region --language --no-status --one-per-game" words=$modes ;;
    launch) options="$common --emulator --dry-run --wait --folder --row" words=FILES ;;
    info) options="$common --folder --row --snap-picture --media-picture --header" words=FILES ;;
    clean-temp | optimise) options=$common ;;
    category)
        options=$common
        words="list add rename delete move sort find-missing 1 2 3 4 5 class"
        ;;
    rename)
        options="$common --output --unowned --dat --report $listing"
        words="create apply merge $modes"
        ;;
    compress | decompress | delete | move | copy)
        options="$common --all --to --output --delete-source --permanent"
        words=FILES
        ;;
    set)
        options="$common --name --reading --rating --category --class --comment --favourite
            --emulator --rename --clear"
        words=FILES
        ;;
    gamelist)
        options="$common $listing --csv --items --blank-lines --second-line --out"
        words=$modes
        ;;
    import-csv) options="$common --old-format" words=FILES ;;
    import-metadata) options="$common --esde --pegasus --overwrite" words=FILES ;;
    fill) options="$common --from --dry-run --map --overwrite --genre-names" ;;
    verify) options="$common --dat --report --fixdat --sets" words=FILES ;;
    emulators) options="$common --suggest --set" ;;
    disc-sets) options=$common words="on off" ;;
    drives) options="--program-folder --set --unset --help" ;;
    check-folder) options=$common ;;
    wine) options="--program-folder --program --prefix --help" ;;
    pad) options="--program-folder --test --seconds --help" ;;
    history) options="--program-folder --hardware --since --help" ;;
    backup) options="--program-folder --help" ;;
    cache) options="--program-folder --max --help" words="list clear" ;;
    help) words=$commands ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    elif [ "$words" = FILES ]; then
        _romshelf_cli_paths -f "$cur"
    elif [ "$words" = FOLDERS ]; then
        _romshelf_cli_paths -d "$cur"
    else
        COMPREPLY=($(compgen -W "$words" -- "$cur"))
    fi
}
complete -F _romshelf_cli romshelf-cli
