#!/usr/bin/env bash
# Two host processes under Wine write one folder at the same time, then a
# third checks that no entry was lost and none came back.
#   two_hosts.sh WINE64 TWO_HOSTS_EXE ROUNDS
set -euo pipefail
wine64=$1 exe=$2 rounds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$exe" "$(dirname "$exe")/Molvaren.dll" "$work/"
win="Z:${work//\//\\}"
export WINEDEBUG=-all
"$wine64" "$work/two_hosts.exe" write "$win" 0 "$rounds" & a=$!
"$wine64" "$work/two_hosts.exe" write "$win" 1 "$rounds" & b=$!
status=0
wait $a || status=1
wait $b || status=1
[ $status -eq 0 ] || { echo "a writer failed"; exit 1; }
"$wine64" "$work/two_hosts.exe" check "$win" 2 "$rounds"
