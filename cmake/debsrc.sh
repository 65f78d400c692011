#!/usr/bin/env bash
# Prints deb-src stanzas (deb822) mirroring the machine's own "deb" sources for the given
# distribution codename, so source packages come from wherever this machine gets its binaries.
set -euo pipefail
codename=$1
shopt -s nullglob
keep_suite() { case "$1" in "$codename"|"$codename"-*) return 0 ;; esac; return 1; }

emit() { # uris suites components signed
  local uris=$1 suites=$2 comps=$3 signed=$4 s kept=""
  for s in $suites; do keep_suite "$s" && kept="$kept $s"; done
  [ -n "$kept" ] || return 0
  printf 'Types: deb-src\nURIs: %s\nSuites:%s\nComponents: %s\n' "$uris" "$kept" "$comps"
  [ -n "$signed" ] && printf 'Signed-By: %s\n' "$signed"
  printf '\n'
}

# One-line format.
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] || continue
  while read -r type rest; do
    [ "$type" = deb ] || continue
    signed=""
    if [[ $rest == \[* ]]; then
      opts=${rest%%]*}; rest=${rest#*] }
      [[ $opts =~ signed-by=([^ ]+) ]] && signed=${BASH_REMATCH[1]}
    fi
    read -r uri suite comps <<<"$rest"
    emit "$uri" "$suite" "$comps" "$signed"
  done < "$f"
done

# deb822 format.
for f in /etc/apt/sources.list.d/*.sources; do
  case "$f" in */tarnmon-deb-src.sources) continue ;; esac
  types="" uris="" suites="" comps="" signed=""
  while IFS= read -r line || [ -n "$line" ]; do
    if [ -z "$line" ]; then
      [[ " $types " == *" deb "* ]] && emit "$uris" "$suites" "$comps" "$signed"
      types="" uris="" suites="" comps="" signed=""
      continue
    fi
    case "$line" in
      Types:*) types=${line#Types:} ;;
      URIs:*) uris=$(echo ${line#URIs:}) ;;
      Suites:*) suites=${line#Suites:} ;;
      Components:*) comps=$(echo ${line#Components:}) ;;
      Signed-By:*) signed=$(echo ${line#Signed-By:}) ;;
    esac
  done < "$f"
  [[ " $types " == *" deb "* ]] && emit "$uris" "$suites" "$comps" "$signed"
done
exit 0
