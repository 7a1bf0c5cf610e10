#!/usr/bin/env bash
# The shared library exports exactly the Mlvr_ functions that exist so far,
# with C names, and nothing else of its own.
set -euo pipefail
lib=$1
expected=$2
actual=$(nm -D --defined-only "$lib" | awk '{print $3}' | sed 's/@.*//' | grep -v '^$' | sort -u)
own=$(printf '%s\n' "$actual" | grep -v -E '^(_init|_fini|__bss_start|_edata|_end|MOLVAREN_1)$' || true)
want=$(sort -u "$expected")
if [ "$own" != "$want" ]; then
  echo "exported symbols differ from $expected:"
  diff <(printf '%s\n' "$want") <(printf '%s\n' "$own") || true
  exit 1
fi
soname=$(objdump -p "$lib" | awk '/SONAME/ {print $2}')
[ "$soname" = "libmolvaren.so.1" ] || { echo "SONAME is '$soname'"; exit 1; }
echo "exports: $(printf '%s\n' "$own" | wc -l) Mlvr_ names, SONAME $soname"
