# Optional: the bounded simplification on real tracker output. ffmpeg renders
# a clip of a moving object, OpenCV's CSRT and KCF trackers follow it, and the
# benchmark reports the nodes each simplification keeps on their tracks.
# Runs only with MOLVAREN_TRACKER_BENCH=1, as it installs OpenCV and ffmpeg.
source "$(dirname "$0")/../lib/common.sh"
set -euo pipefail
if [ "${MOLVAREN_TRACKER_BENCH:-0}" != 1 ]; then
  echo "SKIPPED: the tracker benchmark runs with MOLVAREN_TRACKER_BENCH=1"
  exit 0
fi
packages_or_skip "the tracker benchmark" ffmpeg python3-opencv libbenchmark-dev || exit 0
dir="$MOLVAREN_ROOT/build/tracker-bench"
cmake -S "$MOLVAREN_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMOLVAREN_BUILD_TESTS=OFF \
  -DMOLVAREN_BUILD_TOOLS=OFF -DMOLVAREN_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" -j"$JOBS" --target bounded_simplification_bench
# The system interpreter, which has the Debian package of OpenCV.
py=/usr/bin/python3
[ -x "$py" ] || py=python3
"$py" "$MOLVAREN_ROOT/bench/tracker_tracks.py" "$dir/tracks"
MOLVAREN_TRACKER_CSV="$dir/tracks/csrt.csv:$dir/tracks/kcf.csv" \
  "$dir/bench/bounded_simplification_bench" --benchmark_filter=BM_Tracker
