# The command-line tool mlvr and its tests (needs CLI11, nlohmann-json,
# Python and rsvg-convert), and the installed tree used by a separate
# project, on the native build.
source "$(dirname "$0")/../lib/common.sh"
set -euo pipefail
need_packages libcli11-dev nlohmann-json3-dev python3 librsvg2-bin
configure_build "$MOLVAREN_ROOT/build/test-native" -DCMAKE_BUILD_TYPE=RelWithDebInfo
if ! ctest --test-dir "$MOLVAREN_ROOT/build/test-native" -N -L mlvr | grep -q 'mlvr\.'; then
  echo "mlvr tests were not configured" >&2
  exit 1
fi
if ! ctest --test-dir "$MOLVAREN_ROOT/build/test-native" -N -L packaging | grep -q 'Packaging\.'; then
  echo "the packaging test was not configured" >&2
  exit 1
fi
run_ctest "$MOLVAREN_ROOT/build/test-native" -L 'mlvr|packaging'
