// Converting one node's box from the tracking frame of its path to another
// frame shape, turn and fit mode.
#ifndef MOLVAREN_PROCESSING_NODE_CONVERSION_H_
#define MOLVAREN_PROCESSING_NODE_CONVERSION_H_

#include <cstdint>

#include "molvaren/molvaren.h"

namespace mlvns {

// Rewrites fXPos, fYPos, fWidth and fHeight of `pNode` in place; no other
// field is touched. nMode: 1 normalised to the video, 3 cover and crop, any
// other value fit with bars. Returns 0 (node unchanged) for a null argument,
// a zero target side or a shape the record does not define.
int32_t ConvertPathNodeInfo(_PATH_NODE_* pNode, const _PATH_INFO_* pPathInfo, MLVR_SIZE szTarget,
                            float fTargetRotation, MLVR_BOOL bRelative, int32_t nMode);

}  // namespace mlvns

#endif  // MOLVAREN_PROCESSING_NODE_CONVERSION_H_
