#!/usr/bin/env bash
# Molvaren.dll exports exactly the listed Mlvr_ names, unmangled, and imports
# no MinGW runtime DLL (only system DLLs).
set -euo pipefail
objdump=$1
dll=$2
expected=$3
dump=$("$objdump" -p "$dll")
# The name table follows "[Ordinal/Name Pointer] Table" up to the first blank line.
names=$(awk '/\[Ordinal\/Name Pointer\] Table/ {on=1; next} on && NF == 0 {exit}
             on {print $NF}' <<<"$dump" | sort)
want=$(grep -E '^Mlvr_' "$expected" | sort -u)
if [ "$names" != "$want" ]; then
  echo "export table of $dll differs from $expected:"
  diff <(printf '%s\n' "$want") <(printf '%s\n' "$names") || true
  exit 1
fi
dlls=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$dump" | sort -u)
allowed='^(kernel32|msvcrt|user32|advapi32|shlwapi|shell32|ole32|comdlg32)\.dll$'
bad=$(grep -v -E "$allowed" <<<"$dlls" || true)
if [ -n "$bad" ]; then
  echo "$dll imports DLLs that a host does not have:"
  printf '%s\n' "$bad"
  exit 1
fi
echo "exports: $(wc -l <<<"$names") Mlvr_ names; imports: $(tr '\n' ' ' <<<"$dlls")"
