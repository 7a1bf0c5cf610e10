// The box of a path at a frame, as a lookup answers it: the node selected
// for the frame and the interpolation between its neighbours.
#ifndef MOLVAREN_PROCESSING_NODE_LOOKUP_H_
#define MOLVAREN_PROCESSING_NODE_LOOKUP_H_

#include <cstdint>

#include "model/records.h"

namespace mlvns {

// The node for frame f: the first or last node outside the path's range, an
// exact match, or the box between the nodes before and after. `ascending`
// says the frames are known not to decrease, so that a binary search finds
// the node the scan would. The path has at least one node.
void SelectNodeAtFrame(const _PATH_INFO_& path, int32_t f, bool ascending, _PATH_NODE_* out);

// True when no node's frame is below its predecessor's.
bool FramesAscending(const _PATH_INFO_& path);

// True when the target frame is the path's own: same turn and same shape.
bool IsOwnFrame(const _PATH_INFO_& path, MLVR_SIZE target, float fTargetRotation);

}  // namespace mlvns

#endif  // MOLVAREN_PROCESSING_NODE_LOOKUP_H_
