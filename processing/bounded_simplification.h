// Simplification with a bounded error: drops as many nodes as it can while
// the box the node lookup gives at any frame of the path moves by at most a
// given number of pixels on each of its four edges.
#ifndef MOLVAREN_PROCESSING_BOUNDED_SIMPLIFICATION_H_
#define MOLVAREN_PROCESSING_BOUNDED_SIMPLIFICATION_H_

#include <cstdint>

#include "molvaren/molvaren.h"

namespace mlvns {

struct BoundedSimplification {
  int32_t nodesBefore = 0;
  int32_t nodesAfter = 0;
  double largestDeviation = 0.0;  // pixels, over the four edges
  int32_t keptUnordered = 0;      // nodes beside a frame step that does not increase
  int32_t keptNonFinite = 0;      // nodes with a coordinate that is not finite
};

// The pixel size of the path's frame shape that a 0 x 0 request stands for:
// 1920 x 1080 for 16:9, 1440 x 1080 for 4:3, nFrameWidth x nFrameHeight for
// a shape of its own. False when the shape gives no size.
bool OwnFrameSize(const _PATH_INFO_& path, int32_t* width, int32_t* height);

// Simplifies `path` in place so that, measured in a frame of width x height
// pixels, every edge of the looked-up box stays within maxErrorPixels of the
// original at every frame, as the lookup's own single-precision
// interpolation answers it. It keeps the fewest nodes possible where the
// nodes that must stay lie at most 4096 apart; further apart, a linear pass
// that looks one segment ahead comes within a few percent of that. Kept
// nodes keep their values; kept nodes whose successor went get their
// control point at the new segment's middle. The first and last nodes,
// nodes whose nPathType is neither 0 nor 1 (and the node after them), nodes
// with a coordinate that is not finite (and their neighbours), and the two
// nodes around a frame step that does not increase all stay. Nothing
// dropped: the record is not touched. Throws std::invalid_argument for a bad
// tolerance, size or record.
BoundedSimplification SimplifyWithinBound(_PATH_INFO_* path, double maxErrorPixels, double width,
                                          double height);

}  // namespace mlvns

#endif  // MOLVAREN_PROCESSING_BOUNDED_SIMPLIFICATION_H_
