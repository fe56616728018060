# Bash completion of pswctl: sub-commands, options, and the words the
# options take. Needs nothing beyond bash itself.
_pswctl() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=""
  [ "$COMP_CWORD" -gt 0 ] && prev=${COMP_WORDS[COMP_CWORD-1]}
  local common="--transport --timeout --retries --community --write-community --snmp-version --max-repetitions --v3-user --v3-level --v3-auth
                --v3-auth-pass --v3-priv --v3-priv-pass --v3-context --any-model --json --verbose --help"
  case $prev in
    --transport) COMPREPLY=($(compgen -W "udp udp6 ipx" -- "$cur")); return ;;
    --snmp-version) COMPREPLY=($(compgen -W "1 2c 3" -- "$cur")); return ;;
    --v3-level) COMPREPLY=($(compgen -W "noAuthNoPriv authNoPriv authPriv" -- "$cur")); return ;;
    --v3-auth) COMPREPLY=($(compgen -W "MD5 SHA" -- "$cur")); return ;;
    --v3-priv) COMPREPLY=($(compgen -W "DES AES" -- "$cur")); return ;;
    --kind) COMPREPLY=($(compgen -W "all active finished" -- "$cur")); return ;;
    --timeout | --retries | --community | --write-community | --v3-user | --v3-auth-pass | --v3-priv-pass | \
      --v3-context | --interval | --count | --filter | --find-community | --listen | --discover | \
      --discover-interval | --max-concurrent-probes | --allow-targets)
      return ;;
  esac
  # The sub-command: the first word that is no option nor an option's value.
  local i word command=""
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    case $word in
      --json | --verbose | -v* | --help | --version | --all-interfaces | --any-model | --*=*) ;;
      -*) ((i++)) ;;
      *) command=$word; break ;;
    esac
  done
  local own=""
  case $command in
    "") COMPREPLY=($(compgen -W "discover status options jobs cancel watch inventory check exporter --version $common" -- "$cur")); return ;;
    discover) own="--filter --find-community --all-interfaces" ;;
    status) own="--supplies" ;;
    jobs) own="--kind" ;;
    watch) own="--interval --count" ;;
    inventory) own="--discover --all-interfaces --parallel --format --find-community" ;;
    check) own="--warning --critical --timeout-state" ;;
    exporter) own="--listen --discover --find-community --all-interfaces --discover-interval --max-concurrent-probes --allow-targets" ;;
  esac
  [[ $cur == -* ]] && COMPREPLY=($(compgen -W "$own $common" -- "$cur"))
}
complete -F _pswctl pswctl
