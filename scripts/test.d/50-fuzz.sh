# Every libFuzzer target for a while from its seed corpus (clang, ASan+UBSan),
# with the memory limits that catch allocations the input does not justify.
# FUZZ_SECONDS sets the time per target (default 60).
source "$(dirname "$0")/../lib/common.sh"
set -euo pipefail
need_packages clang libclang-rt-14-dev
dir="$MOLVAREN_ROOT/build/fuzz"
cmake --preset fuzz >/dev/null
targets=()
for src in "$MOLVAREN_ROOT"/fuzz/*_fuzz.cc; do targets+=("$(basename "$src" .cc)"); done
cmake --build "$dir" -j"$JOBS" --target "${targets[@]}"
# A smaller quarantine keeps the resident size well inside the limit.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:quarantine_size_mb=32
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for t in "${targets[@]}"; do
  name=${t%_fuzz}
  work="$dir/corpus-$name"
  mkdir -p "$work"
  echo "fuzzing $name for ${FUZZ_SECONDS:-60} s"
  (cd "$dir" && "$dir/fuzz/$t" -max_total_time="${FUZZ_SECONDS:-60}" -rss_limit_mb=512 \
    -malloc_limit_mb=64 -timeout=10 -print_final_stats=1 "$work" "$MOLVAREN_ROOT/fuzz/corpus/$name" \
    2>"$dir/$t.log") || { tail -60 "$dir/$t.log"; exit 1; }
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$dir/$t.log" | sed "s/^/  $name: /"
done
