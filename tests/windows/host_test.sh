#!/usr/bin/env bash
# Runs host.exe under Wine with the debug-string channel on, twice: from a
# folder without Molvaren.ini (trace switch off) and from one with it (on),
# each time from a copy of host.exe and Molvaren.dll. The DLL's lines must
# come through OutputDebugStringA, and the traced ones only with the switch.
#   host_test.sh WINE64 HOST_EXE EXPORTS_LIST
set -euo pipefail
wine64=$1
host=$2
exports=$3
dll=$(dirname "$host")/Molvaren.dll
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 0024:warn:debugstr:OutputDebugStringA "text" (C-escaped, one line each)
re='^([0-9.]+:)?([0-9a-f]{4}:)?[0-9a-f]{4}:warn:debugstr:OutputDebugStringA "(.*)"$'

# run NAME TRACED: runs the copy in $work/NAME and compares its debug lines.
run() {
  local name=$1 traced=$2
  local dir=$work/$name
  mkdir -p "$dir/work"
  cp "$host" "$dll" "$dir/"
  # In upper case: the switch's lookup ignores case.
  [ "$traced" = 1 ] && : >"$dir/MOLVAREN.INI"
  local winwork="Z:${dir//\//\\}\\work"
  local status=0
  WINEDEBUG=-all,+debugstr "$wine64" "$dir/host.exe" "$exports" "$winwork" \
    >"$dir/out" 2>"$dir/err" || status=$?
  cat "$dir/out"
  grep -v ':debugstr:' "$dir/err" >&2 || true
  [ $status -eq 0 ] || { echo "$name: host.exe failed with status $status"; exit 1; }

  local lines=() l
  while IFS= read -r l; do
    [[ $l =~ $re ]] && lines+=("${BASH_REMATCH[3]}")
  done <"$dir/err"
  # Always written: the node append with null arguments.
  local expected=('pPathInfo == NULL\n' 'pNodes == NULL\n')
  if [ "$traced" = 1 ]; then
    # The channel escapes each backslash.
    local w=${winwork//\\/\\\\}
    expected+=("fnUpdateInfoArray $w\\\\Tracks $w\\\\Clip.mp4" '  nNumOfPathInfos: 1')
  fi
  local joined_got joined_want
  joined_got=$(printf '%s\n' "${lines[@]-}")
  joined_want=$(printf '%s\n' "${expected[@]}")
  if [ "$joined_got" != "$joined_want" ]; then
    echo "$name: debug lines differ (- expected, + got):"
    diff <(printf '%s\n' "$joined_want") <(printf '%s\n' "$joined_got") || true
    exit 1
  fi
  echo "$name: ${#lines[@]} debug lines as expected"
}

run untraced 0
run traced 1
