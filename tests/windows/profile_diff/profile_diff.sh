#!/usr/bin/env bash
# Runs the profile script against the POSIX engine and, under Wine, against
# the Win32 functions, then compares per case what each printed and the INI
# file each left. Every difference must be one recorded in KNOWN_DIR, exactly
# (a known difference that no longer shows fails too, so that the record
# stays true).
#   profile_diff.sh WINE64 PROFILE_SCRIPT_EXE PROFILE_SCRIPT_NATIVE KNOWN_DIR
#
# KNOWN_DIR/NAME.diff: '#' lines describe the difference; each block
# '== ARTEFACT' is followed by the exact output of 'diff native wine' for
# that artefact (CASE.out: the values printed, CASE.ini: the file left), in
# the visible form below.
set -euo pipefail
wine64=$1
exe=$2
native=$3
known=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/native" "$work/wine" "$work/expected" "$work/cmp"

"$native" "$work/native" >"$work/native.all"
winwork="Z:${work//\//\\}\\wine"
# The Win32 run's stdout is a text stream: its CR LF are the runtime's.
"$wine64" "$exe" "$winwork" | tr -d '\r' >"$work/wine.all"

# CR and tab made visible, so that recorded differences are plain text.
visible() { sed -e 's/\r$/\\r/' -e 's/\t/\\t/g' "$1"; }

cases=$(sed -n 's/^\([a-z0-9-]*\): .*/\1/p' "$work/native.all" | uniq)
if [ "$cases" != "$(sed -n 's/^\([a-z0-9-]*\): .*/\1/p' "$work/wine.all" | uniq)" ]; then
  echo "the two runs printed different cases"
  diff "$work/native.all" "$work/wine.all" || true
  exit 1
fi

# The expected differences, one file per artefact.
for f in "$known"/*.diff; do
  [ -e "$f" ] || continue
  name=$(basename "$f" .diff)
  artefact=
  while IFS= read -r line; do
    case $line in
      '#'*) ;;
      '== '*)
        artefact=${line#== }
        [ ! -e "$work/expected/$artefact" ] || {
          echo "$artefact is recorded twice"
          exit 1
        }
        : >"$work/expected/$artefact"
        echo "$name" >"$work/expected/$artefact.name"
        ;;
      *) [ -z "$artefact" ] || printf '%s\n' "$line" >>"$work/expected/$artefact" ;;
    esac
  done <"$f"
done

failed=0
compare() {
  local artefact=$1 a=$2 b=$3 got=""
  if ! cmp -s "$a" "$b"; then
    got=$(diff <(visible "$a") <(visible "$b") || true)
    [ -n "$got" ] || got="(differs in bytes that the visible form hides)"
  fi
  local want="" name=""
  if [ -e "$work/expected/$artefact" ]; then
    want=$(cat "$work/expected/$artefact")
    name=$(cat "$work/expected/$artefact.name")
    rm -f "$work/expected/$artefact" "$work/expected/$artefact.name"
  fi
  if [ "$got" = "$want" ]; then
    [ -z "$got" ] || echo "known difference $name: $artefact"
    return 0
  fi
  failed=1
  echo "== $artefact differs from the record${name:+ of $name}"
  echo "-- recorded:"
  printf '%s\n' "${want:-(no difference)}"
  echo "-- now:"
  printf '%s\n' "${got:-(no difference)}"
}

for c in $cases; do
  grep "^$c: " "$work/native.all" >"$work/cmp/$c.native.out" || true
  grep "^$c: " "$work/wine.all" >"$work/cmp/$c.wine.out" || true
  compare "$c.out" "$work/cmp/$c.native.out" "$work/cmp/$c.wine.out"
  n=$work/native/$c.ini
  w=$work/wine/$c.ini
  [ -e "$n" ] && [ -e "$w" ] || { echo "$c.ini: not left by both runs"; failed=1; continue; }
  # Byte for byte: both engines end the lines of a file they make with
  # CR LF, and keep those of a file they are given, so no line end is
  # normalised.
  compare "$c.ini" "$n" "$w"
done
for left in "$work"/expected/*.name; do
  [ -e "$left" ] || continue
  artefact=$(basename "$left" .name)
  echo "$artefact: recorded in $(cat "$left") but no such case ran"
  failed=1
done
[ $failed -eq 0 ] || exit 1
echo "profile: $(wc -w <<<"$cases") cases, the two engines agree apart from the recorded differences"
