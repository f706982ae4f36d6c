# bash completion for zep-modbus-parser. The lines between "begin web" and "end web" are left
# out of builds without the web part (ZEP_WITH_WEB=OFF).

_zep_modbus_parser() {
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    local options="-C --directory -o --output --force -q --quiet --yes --no --debug-log -i --interface -f --capture-filter -D --list-interfaces --pairing --port --response-timeout --transactions --summary --points --suggest-map --html --slow-response --map --update --duration"
# begin web
    options+=" --check-update --send-feedback --web-host"
# end web
    options+=" --top"
    options+=" -h --help -V --version"

    case $prev in
        -C | --directory)
            COMPREPLY=($(compgen -d -- "$cur"))
            return
            ;;
        -i | --interface)
            COMPREPLY=($(compgen -W "$(ls /sys/class/net 2>/dev/null) any" -- "$cur"))
            return
            ;;
        -f | --capture-filter)
            return
            ;;
        --pairing)
            COMPREPLY=($(compgen -W "transaction address" -- "$cur"))
            return
            ;;
        --port | --response-timeout | --slow-response | --update | --duration)
            return
            ;;
        -o | --output | --transactions | --summary | --points | --suggest-map | --html)
            COMPREPLY=($(compgen -f -- "$cur"))
            return
            ;;
        --map)
            COMPREPLY=($(compgen -f -X '!*.@(yaml|yml|csv|YAML|YML|CSV)' -- "$cur"))
            if ((${#COMPREPLY[@]} == 0)); then
                COMPREPLY=($(compgen -f -- "$cur"))
            fi
            return
            ;;
        --send-feedback | --web-host)
            return
            ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
    else
        # Captures (one or several): libpcap files first, any file when none matches.
        COMPREPLY=($(compgen -f -X '!*.@(pcap|pcapng|cap|PCAP|PCAPNG|CAP)*' -- "$cur"))
        if ((${#COMPREPLY[@]} == 0)); then
            COMPREPLY=($(compgen -f -- "$cur"))
        fi
    fi
}
complete -o filenames -F _zep_modbus_parser zep-modbus-parser
