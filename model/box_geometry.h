// Conversions between pixel rectangles and node boxes, and the control
// points of linear segments.
#ifndef MOLVAREN_MODEL_BOX_GEOMETRY_H_
#define MOLVAREN_MODEL_BOX_GEOMETRY_H_

#include <cstdint>

#include "molvaren/molvaren.h"

namespace mlvns {

// Writes the four box fields of `pNode` from a pixel rectangle in the frame
// `rcFrame` (only its width and height count). 0 when `pNode` is null.
int32_t PathNode_Rect2PathNode(MLVR_RECT rcObject, MLVR_RECT rcFrame, _PATH_NODE_* pNode);

// The pixel rectangle of a node's box, symmetric about its centre. 0 when
// `pNode` or `prcObject` is null.
int32_t PathNode_PathNode2Rect(const _PATH_NODE_* pNode, MLVR_RECT rcFrame, MLVR_RECT* prcObject);

// Puts the control point of every linear node that has a successor at the
// middle of its segment. 0 when the record is null.
int32_t PathInfo_CorrectCtrlPtrBasedOnPathType(_PATH_INFO_* pPathInfo);

}  // namespace mlvns

#endif  // MOLVAREN_MODEL_BOX_GEOMETRY_H_
