# The whole suite on a normal optimised build with debug information.
source "$(dirname "$0")/../lib/common.sh"
set -euo pipefail
configure_build "$MOLVAREN_ROOT/build/test-native" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_ctest "$MOLVAREN_ROOT/build/test-native"
