// The bounded-error simplification for hosts, with the frame it measures in.
#include <string>

#include "companion/last_error.h"
#include "molvaren/molvaren_x.h"
#include "processing/bounded_simplification.h"

extern "C" {

MLVRX_API int32_t MlvrX_PathInfo_SimplifyWithin(mlvns::_PATH_INFO_* pPathInfo,
                                                double dMaxErrorPixels, int32_t nWidth,
                                                int32_t nHeight, MlvrX_SimplifyReport* pReport) {
  return mlvns::CompanionCall([&]() -> int32_t {
    if (pPathInfo == nullptr) {
      mlvns::SetLastError("no path was given");
      return 0;
    }
    int32_t width = nWidth, height = nHeight;
    if (width == 0 && height == 0) {
      if (!mlvns::OwnFrameSize(*pPathInfo, &width, &height)) {
        mlvns::SetLastError("the path's frame shape gives no size; pass the frame size in pixels");
        return 0;
      }
    } else if (width <= 0 || height <= 0) {
      mlvns::SetLastError("the frame size must be positive in both directions, or 0 x 0, not " +
                          std::to_string(nWidth) + " x " + std::to_string(nHeight));
      return 0;
    }
    const mlvns::BoundedSimplification r =
        mlvns::SimplifyWithinBound(pPathInfo, dMaxErrorPixels, width, height);
    if (pReport != nullptr) {
      pReport->nNodesBefore = r.nodesBefore;
      pReport->nNodesAfter = r.nodesAfter;
      pReport->dLargestDeviation = r.largestDeviation;
      pReport->nKeptUnordered = r.keptUnordered;
      pReport->nKeptNonFinite = r.keptNonFinite;
    }
    return 1;
  });
}

}  // extern "C"
