// Continuing a path with the nodes of a newer tracking run.
#ifndef MOLVAREN_PROCESSING_RESUME_H_
#define MOLVAREN_PROCESSING_RESUME_H_

#include <cstdint>

#include "molvaren/molvaren.h"

namespace mlvns {

// Splices: the destination keeps its nodes before the source's first frame
// and takes every source node after them. A source that starts no later
// than the destination replaces it (Clone keeping the destination's
// identity). 0 for a null record, a record without nodes, or match keys that
// differ when the source starts later.
int32_t PathInfo_ResumFromAnother(_PATH_INFO_* pDst, const _PATH_INFO_* pSrc);

// Overwrites the slots of run `nRun` of the destination in place (four runs
// for track type 403, one otherwise); the node count never changes. 0 for a
// null record, a destination without nodes, a run outside the destination's
// runs, or match keys that differ.
int32_t PathInfo_ResumFromAnother2(int32_t nRun, _PATH_INFO_* pDst, const _PATH_INFO_* pSrc);

}  // namespace mlvns

#endif  // MOLVAREN_PROCESSING_RESUME_H_
