# bash completion for nimbora-cli
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Completes commands, their options, station names (after --station and station
# open|delete), month names (after --month), setting names (after config set) and chart kinds.
# The word lists below are checked against the program by the test suite.

_nimbora_cli_commands="setup station config import info report chart export web run upload trust demo"
_nimbora_cli_settings="InitPathRep InitPathDB InitPathWLK Rep_Name Rep_City Rep_State Rep_Elev Rep_Lat Rep_Long ReportChk UnitTemp UnitRain UnitWind UnitBar TransferEnabled FtpHost FtpPort User Pwd RemotePath Passive Protocol KeyFile CaFile PinnedKey AtomicUpload WebUpload WebFolder Interval TimeStart ReportUpload File1 File2 File3 File4 File5 File6 File7 File8 File9 File10"
_nimbora_cli_chart_kinds="temperature humidity pressure rain wind windrose solar"
_nimbora_cli_months="January February March April May June July August September October November December"

# The stations of the product folder named by --home on the line, or of the default one.
_nimbora_cli_stations()
{
    local home=() i
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [[ ${COMP_WORDS[i]} == --home ]]; then
            home=(--home "${COMP_WORDS[i + 1]}")
        fi
    done
    local IFS=$'\n' names
    names=$("${COMP_WORDS[0]}" "${home[@]}" station list 2>/dev/null | sed 's/  (open)$//')
    local cur=${COMP_WORDS[COMP_CWORD]}
    # Blanks in station names are kept: each match is escaped for the shell.
    local name
    COMPREPLY=()
    for name in $(compgen -W "$names" -- "$cur"); do
        COMPREPLY+=("$(printf '%q' "$name")")
    done
}

_nimbora_cli()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    case $prev in
        --station)
            _nimbora_cli_stations
            return
            ;;
        --home | --folder)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -d -- "$cur"))
            return
            ;;
        --out)
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
            return
            ;;
        --month)
            COMPREPLY=($(compgen -W "$_nimbora_cli_months" -- "$cur"))
            return
            ;;
        --year | --from | --to | --last-hours)
            return
            ;;
    esac

    # The command and its sub-command: the first two words that are not options or their values.
    local i word command="" sub="" nth=0
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            --home | --station | --folder | --out | --month | --year | --from | --to | --last-hours)
                ((i++))
                continue
                ;;
            -*) continue ;;
        esac
        if [[ -z $command ]]; then
            command=$word
        elif [[ -z $sub ]]; then
            sub=$word
        fi
        ((nth++))
    done

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "--home --station --help --version $_nimbora_cli_commands" -- "$cur"))
        return
    fi

    local options="--help"
    case $command in
        station)
            if [[ -z $sub ]]; then
                COMPREPLY=($(compgen -W "new list open delete" -- "$cur"))
                return
            fi
            case $sub in
                open | delete)
                    if [[ $cur != -* ]] && ((nth == 2)); then
                        _nimbora_cli_stations
                        return
                    fi
                    [[ $sub == delete ]] && options+=" --yes"
                    ;;
            esac
            ;;
        config)
            if [[ -z $sub ]]; then
                COMPREPLY=($(compgen -W "show set" -- "$cur"))
                return
            fi
            if [[ $sub == set ]] && ((nth == 2)); then
                COMPREPLY=($(compgen -W "$_nimbora_cli_settings" -- "$cur"))
                return
            fi
            ;;
        import)
            options+=" --reload --all"
            if [[ $cur != -* ]]; then
                compopt -o filenames 2>/dev/null
                COMPREPLY=($(compgen -f -X '!*.[wW][lL][kK]' -- "$cur") $(compgen -d -- "$cur"))
                return
            fi
            ;;
        report)
            if [[ -z $sub ]]; then
                COMPREPLY=($(compgen -W "monthly current annual global range stats" -- "$cur"))
                return
            fi
            case $sub in
                monthly) options+=" --year --month --decades --wind-detail" ;;
                current) options+=" --decades --wind-detail" ;;
                annual) options+=" --year" ;;
                range) options+=" --from --to" ;;
                stats) options+=" --year --monthly-detail" ;;
            esac
            ;;
        chart)
            if [[ -z $sub && $cur != -* ]]; then
                COMPREPLY=($(compgen -W "$_nimbora_cli_chart_kinds" -- "$cur"))
                return
            fi
            options+=" --year --month --from --to --last-hours --out"
            ;;
        export) options+=" --year --month --from --to --daily --out" ;;
        web) options+=" --out" ;;
        trust) options+=" --yes" ;;
        demo) options+=" --folder" ;;
    esac
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
}

complete -F _nimbora_cli nimbora-cli
