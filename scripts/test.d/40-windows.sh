# The Windows build: Molvaren.dll and every test suite cross-built with
# MinGW-w64, the suites run by ctest under Wine. Skipped, and said so, where
# the packages cannot be installed (not root, no apt-get).
source "$(dirname "$0")/../lib/common.sh"
source "$(dirname "$0")/../lib/wine.sh"
set -euo pipefail
packages_or_skip "the Windows suite" "${WINDOWS_PACKAGES[@]}" || exit 0
dir="$MOLVAREN_ROOT/build/test-windows"
wine_start "$dir/wineprefix"
trap wine_stop EXIT
run_workflow windows
