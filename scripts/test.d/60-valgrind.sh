# The C host under valgrind's leak checker: the shared library as a host
# loads it, with no compiler instrumentation in between.
source "$(dirname "$0")/../lib/common.sh"
set -euo pipefail
need_packages valgrind
dir="$MOLVAREN_ROOT/build/test-native"
[ -x "$dir/tests/c_host" ] || configure_build "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$dir" -j"$JOBS" --target c_host molvaren
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
valgrind --quiet --leak-check=full --error-exitcode=1 --errors-for-leak-kinds=definite,indirect \
  "$dir/tests/c_host" "$dir/libmolvaren.so" "$work"
echo "valgrind: no errors, no leaks"
