# The Windows build: Molvaren.dll and every test suite cross-built with
# MinGW-w64, the suites run by ctest under Wine. Skipped, and said so, where
# the packages cannot be installed (not root, no apt-get).
source "$(dirname "$0")/../lib/common.sh"
source "$(dirname "$0")/../lib/wine.sh"
set -euo pipefail
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 wine wine64 googletest)
if ! can_have_packages "${WINDOWS_PACKAGES[@]}"; then
  echo "SKIPPED: the Windows suite needs ${WINDOWS_PACKAGES[*]} (install them, or run as root)"
  exit 0
fi
need_packages "${WINDOWS_PACKAGES[@]}"
dir="$MOLVAREN_ROOT/build/test-windows"
wine_start "$dir/wineprefix"
trap wine_stop EXIT
configure_build "$dir" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$MOLVAREN_ROOT/cmake/mingw-w64.cmake" -DMOLVAREN_BUILD_TOOLS=OFF
run_ctest "$dir"
