# bash completion for kestrel, kestrel-tools and pdat. Installed once per
# command name in bash-completion's folder (each name loads this file).

_kestrel_files() {
  # Files with one of the given extensions, and folders to walk into.
  local ext
  COMPREPLY=()
  for ext in "$@"; do
    mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -f -X "!*.$ext" -- "$cur")
  done
  mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -d -- "$cur")
  compopt -o filenames 2>/dev/null
}

_kestrel() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
  case $prev in
    -p) _kestrel_files pdat; return ;;
    -pd)
      mapfile -t COMPREPLY < <(compgen -W "$(lpstat -e 2>/dev/null)" -- "$cur")
      return ;;
    -h) return ;;
  esac
  mapfile -t COMPREPLY < <(compgen -W "-p -h -pd -plist= -winprt -debug -? --version --help" -- "$cur")
}

_kestrel_tools() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
  local commands="fontlist printerlist paperlist winprt pdfdevice select analyse outline filing log"
  if [ "$COMP_CWORD" -eq 1 ]; then
    mapfile -t COMPREPLY < <(compgen -W "$commands --help --version" -- "$cur")
    return
  fi
  case ${COMP_WORDS[1]} in
    log)
      case $prev in --last|-n) return ;; esac
      mapfile -t COMPREPLY < <(compgen -W "program job critical analysis --last --follow" -- "$cur") ;;
    analyse)
      case $prev in
        --exclude-patterns|--exclude-lines|--exclude-chars|--exclude-fonts) return ;;
      esac
      if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "--exclude-patterns --exclude-lines --exclude-circles \
          --exclude-chars --exclude-fonts" -- "$cur")
      else
        _kestrel_files pdat
      fi ;;
    paperlist)
      if [ "$prev" = -d ]; then
        mapfile -t COMPREPLY < <(compgen -W "$(lpstat -e 2>/dev/null)" -- "$cur")
      elif [ "$COMP_CWORD" -eq 2 ] && [[ $cur == -* ]]; then
        COMPREPLY=(-d)
      else
        _kestrel_files txt
      fi ;;
    outline)
      case $COMP_CWORD in
        2) _kestrel_files pdf ;;
        3) _kestrel_files csv ;;
        *) mapfile -t COMPREPLY < <(compgen -d -- "$cur"); compopt -o filenames 2>/dev/null ;;
      esac ;;
    filing)
      [ "$COMP_CWORD" -eq 2 ] &&
        mapfile -t COMPREPLY < <(compgen -W "create view edit operate links find flow" -- "$cur") ;;
    fontlist|printerlist) _kestrel_files txt ;;
    winprt|pdfdevice) _kestrel_files inf ;;
  esac
}

_kestrel_pdat() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  if [ "$COMP_CWORD" -eq 1 ]; then
    mapfile -t COMPREPLY < <(compgen -W "compile dump check render --help --version" -- "$cur")
    return
  fi
  case ${COMP_WORDS[1]} in
    compile) if [ "$COMP_CWORD" -eq 2 ]; then _kestrel_files txt; else _kestrel_files pdat; fi ;;
    dump) if [ "$COMP_CWORD" -eq 2 ]; then _kestrel_files pdat; else _kestrel_files txt; fi ;;
    check) _kestrel_files pdat ;;
    render)
      case ${COMP_WORDS[COMP_CWORD-1]} in
        -o) _kestrel_files png pdf ;;
        -r) ;;
        *)
          if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "-r -o" -- "$cur")
          else
            _kestrel_files pdat txt
          fi ;;
      esac ;;
  esac
}

complete -F _kestrel kestrel
complete -F _kestrel_tools kestrel-tools
complete -F _kestrel_pdat pdat
