# The command-line tool mlvr and its tests (needs CLI11, nlohmann-json,
# Python and rsvg-convert), and the installed tree used by a separate
# project, on the native build.
source "$(dirname "$0")/../lib/common.sh"
set -euo pipefail
need_packages libcli11-dev nlohmann-json3-dev python3 librsvg2-bin pkg-config
configure_build "$MOLVAREN_ROOT/build/test-native" -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Whole listings first: grep -q closing a pipe early fails it under pipefail.
listed=$(ctest --test-dir "$MOLVAREN_ROOT/build/test-native" -N -L 'mlvr|packaging')
if ! grep -q 'mlvr\.' <<<"$listed"; then
  echo "mlvr tests were not configured" >&2
  exit 1
fi
if ! grep -q 'Packaging\.' <<<"$listed"; then
  echo "the packaging test was not configured:" >&2
  cmake -S "$MOLVAREN_ROOT" -B "$MOLVAREN_ROOT/build/test-native" 2>&1 | grep -i 'not configured\|not built' >&2 || true
  exit 1
fi
run_ctest "$MOLVAREN_ROOT/build/test-native" -L 'mlvr|packaging'
