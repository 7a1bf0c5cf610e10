// The synthetic tracking run of `mlvr demo`: two objects followed over the
// frames of a 1920x1080 clip, built as a host's tracker would hand them in.
#ifndef MOLVAREN_TOOLS_MLVR_DEMO_TRACKS_H_
#define MOLVAREN_TOOLS_MLVR_DEMO_TRACKS_H_

#include <cstdint>
#include <string>

#include "tools/mlvr/tool_support.h"

namespace mlvr {

constexpr int32_t kDemoFrames = 300;
constexpr int32_t kDemoTurnFrame = 180;  // the first object turns from here on

struct DemoClip {
  std::string mediaFile;  // as the host names it
  uint64_t mediaSize = 0;
};

// Object 1 moves in a straight, evenly timed line and then turns; object 2
// circles. Both carry new identities and time stamps.
List MakeDemoTracks(const DemoClip& clip);

// Object 1 tracked again from `firstFrame` to the end: the same object
// (match keys), a little off the first run, as a second tracker pass gives.
_PATH_INFO_* MakeRetrackedRun(const _PATH_INFO_& original, int32_t firstFrame);

// Releases a record made by MakeRetrackedRun.
void FreeRun(_PATH_INFO_* run);

}  // namespace mlvr

#endif  // MOLVAREN_TOOLS_MLVR_DEMO_TRACKS_H_
