// Simplification of a path in one greedy pass: nodes that lie on a straight,
// evenly timed segment between the last kept node and the next node, with an
// unchanged box and no curve through them, are dropped.
#ifndef MOLVAREN_PROCESSING_SIMPLIFICATION_H_
#define MOLVAREN_PROCESSING_SIMPLIFICATION_H_

#include <cstdint>

#include "molvaren/molvaren.h"

namespace mlvns {

// Simplifies `pPathInfo` in place. 0 for a null record, otherwise 1. When a
// node is dropped the record is rebuilt through Clone (new time stamp); when
// none is, the record is not touched at all.
int32_t LinearRegressionPathInfo(_PATH_INFO_* pPathInfo);

// Leaves out the nodes listed in `drops` (ascending, distinct, existing) with
// the outcome of Clone of the record onto itself with that list: new time
// stamp, identity and everything else kept.
void RebuildWithout(_PATH_INFO_* p, const CUIntArray& drops);

}  // namespace mlvns

#endif  // MOLVAREN_PROCESSING_SIMPLIFICATION_H_
