# The Python package's tests with Debian's python3: once against the normal
# build, once against the ASan+UBSan build with the sanitizer runtime
# preloaded and leak checking on, so a double free or a leak of the library's
# records through the package fails the stage.
source "$(dirname "$0")/../lib/common.sh"
set -euo pipefail
packages_or_skip "the Python package's tests" python3 python3-numpy python3-pytest || exit 0
PY=/usr/bin/python3

# build_libraries DIR [cmake args...]: only the two libraries the package loads.
build_libraries() {
  local dir=$1
  shift
  cmake -S "$MOLVAREN_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$JOBS" --target molvaren molvaren_x
}

# run_pytest LIBRARY_DIR: pytest's own status decides; 5 (nothing collected)
# is a failure too.
run_pytest() {
  local status=0
  MOLVAREN_LIBRARY_DIR=$1 PYTHONPATH="$MOLVAREN_ROOT/python" PYTHONDONTWRITEBYTECODE=1 \
    "$PY" -m pytest -q -p no:cacheprovider "$MOLVAREN_ROOT/python/tests" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "python tests failed against $1 (pytest status $status)" >&2
    exit 1
  fi
}

native="$MOLVAREN_ROOT/build/test-native"
build_libraries "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_pytest "$native"

# Installed: the package under PREFIX/lib/python3/dist-packages finds the
# installed libraries, from a folder that is neither source nor build tree.
if ninja -C "$native" -t targets all | grep -q '^mlvr:'; then
  cmake --build "$native" -j"$JOBS" --target mlvr
fi
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$native" --prefix "$prefix" >/dev/null
site=$(dirname "$(find "$prefix" -path '*dist-packages/molvaren/__init__.py')")
found=$(cd "$prefix" && env -u MOLVAREN_LIBRARY_DIR PYTHONPATH="$(dirname "$site")" "$PY" -c \
  'import molvaren; print(molvaren.core_path); print(molvaren.companion_path)')
if grep -qv "^$prefix/" <<<"$found"; then
  echo "the installed package loaded libraries from elsewhere: $found" >&2
  exit 1
fi
echo "installed package imports and uses the installed libraries"

asan="$MOLVAREN_ROOT/build/test-asan"
build_libraries "$asan" -DCMAKE_BUILD_TYPE=Debug -DMOLVAREN_SANITIZE=address,undefined
say "python tests under ASan+UBSan"
(
  export LD_PRELOAD="$(gcc -print-file-name=libasan.so):$(gcc -print-file-name=libubsan.so)"
  # Two frames per allocation let the suppressions name the interpreter's
  # own allocations without hiding any made by the library.
  export ASAN_OPTIONS=detect_leaks=1:malloc_context_size=2:abort_on_error=1
  export LSAN_OPTIONS=suppressions=$MOLVAREN_ROOT/python/tests/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  run_pytest "$asan"
)
