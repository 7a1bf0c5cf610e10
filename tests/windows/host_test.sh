#!/usr/bin/env bash
# Runs host.exe under Wine with the debug-string channel on, then compares
# the lines the DLL wrote through OutputDebugStringA with the expected texts.
#   host_test.sh WINE64 HOST_EXE EXPORTS_LIST
set -euo pipefail
wine64=$1
host=$2
exports=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
winwork="Z:${work//\//\\}"
status=0
WINEDEBUG=-all,+debugstr "$wine64" "$host" "$exports" "$winwork" >"$work/out" 2>"$work/err" ||
  status=$?
cat "$work/out"
grep -v ':debugstr:' "$work/err" >&2 || true
[ $status -eq 0 ] || { echo "host.exe failed with status $status"; exit 1; }

# 0024:warn:debugstr:OutputDebugStringA "text" (C-escaped, one line each)
re='^([0-9.]+:)?([0-9a-f]{4}:)?[0-9a-f]{4}:warn:debugstr:OutputDebugStringA "(.*)"$'
lines=()
while IFS= read -r l; do
  [[ $l =~ $re ]] && lines+=("${BASH_REMATCH[3]}")
done <"$work/err"
expected=('pPathInfo == NULL\n' 'pNodes == NULL\n')
if [ "${lines[*]-}" != "${expected[*]}" ] || [ ${#lines[@]} -ne ${#expected[@]} ]; then
  echo "debug lines differ; expected:"
  printf '  %s\n' "${expected[@]}"
  echo "got:"
  printf '  %s\n' "${lines[@]-}"
  exit 1
fi
echo "debug lines: ${#lines[@]} as expected"
