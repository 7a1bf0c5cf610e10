// An SVG picture of path lists: centre trajectories (bezier segments as
// curves with their control points), boxes and node markers, drawn the
// right way up in the frame.
#ifndef MOLVAREN_TOOLS_MLVR_SVG_PLOT_H_
#define MOLVAREN_TOOLS_MLVR_SVG_PLOT_H_

#include <climits>
#include <string>

#include "tools/mlvr/tool_support.h"

namespace mlvr {

struct PlotOptions {
  std::string guid;  // empty: every path
  int32_t firstFrame = INT32_MIN;
  int32_t lastFrame = INT32_MAX;
  std::string title;
  std::string compareTitle;
  std::string boxes = "nodes";  // nodes (those simplification keeps), all or none
  bool time = false;            // x and y against the frame instead of the trajectory
};

// Whether any node of the selected paths lies in the options' frames.
bool AnyNodeDrawn(const List& list, const PlotOptions& options);

// `compare` may be null; its paths are overlaid dashed.
std::string PlotSvg(const List& list, const List* compare, const PlotOptions& options);

// Width of the picture's frame in pixels for a path's frame shape; the
// height is always 540.
double FrameWidthPixels(const _PATH_INFO_& p);

}  // namespace mlvr

#endif  // MOLVAREN_TOOLS_MLVR_SVG_PLOT_H_
