#!/usr/bin/env bash
# Installs the built tree into a fresh prefix, then builds and runs a small
# host project against it twice: through find_package(Molvaren) and through
# pkg-config. Usage: install_and_consume.sh BUILD_DIR SOURCE_DIR WORK_DIR
set -euo pipefail
build=$1 source=$2 work=$3
command -v pkg-config >/dev/null || { echo "pkg-config is not on the PATH" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log"
for f in include/molvaren/molvaren.h bin/mlvr; do
  [ -e "$work/prefix/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
# The installed tool starts from its prefix alone, with no library path help.
env -u LD_LIBRARY_PATH "$work/prefix/bin/mlvr" --help >"$work/mlvr-help.log"
env -u LD_LIBRARY_PATH "$work/prefix/bin/mlvr" demo "$work/demo" >"$work/mlvr-demo.log"
[ -s "$work/demo/paths.svg" ] || { echo "installed mlvr demo drew no picture" >&2; exit 1; }
for how in package pkg-config; do
  flags=()
  [ $how = pkg-config ] && flags=(-DUSE_PKG_CONFIG=ON)
  env PKG_CONFIG_PATH="$(dirname "$(find "$work/prefix" -name molvaren.pc)")" \
    cmake -S "$source/tests/packaging/consumer" -B "$work/$how" -G Ninja \
    -DCMAKE_PREFIX_PATH="$work/prefix" "${flags[@]}" >"$work/$how.log"
  cmake --build "$work/$how" >>"$work/$how.log"
  # Run without the build tree's rpath help: only the installed library.
  lib=$(dirname "$(find "$work/prefix" -name 'libmolvaren.so.1' | head -1)")
  LD_LIBRARY_PATH="$lib" "$work/$how/consumer"
  # Whole output first: grep -q closing the pipe early would fail it.
  linked=$(ldd "$work/$how/consumer")
  grep -q "$work/prefix" <<<"$linked" || {
    echo "$how: consumer does not use the installed library" >&2; exit 1; }
done
echo "installed tree usable through find_package and pkg-config"
