// Operations on single path records: identity, time stamp, release, copy
// with nodes left out, and appending nodes.
#ifndef MOLVAREN_MODEL_PATH_INFO_OPS_H_
#define MOLVAREN_MODEL_PATH_INFO_OPS_H_

#include <cstdint>

#include "molvaren/molvaren.h"

namespace mlvns {

int32_t PathInfo_AssignGUID(_PATH_INFO_* pPathInfo);
int32_t PathInfo_AssignTimeStamp(_PATH_INFO_* pPathInfo);
int32_t PathInfo_FreeInfos(_PATH_INFO_** ppInfos, int32_t nCount);
int32_t PathInfo_FreeNodes(_PATH_INFO_* pPathInfo);
int32_t PathInfo_Clone(_PATH_INFO_* pDst, const _PATH_INFO_* pSrc, int32_t bCopyIdentity,
                       const CUIntArray* pExcludeNodes);
int32_t PathInfo_PathNodeAppend(_PATH_INFO_* pPathInfo, const _PATH_NODE_* pNodes,
                                int32_t nNumNodes, int32_t bKeepFrameIndex);

// Releases a record that is not in any list: its nodes, its extra node, the
// record itself.
void PathInfo_Release(_PATH_INFO_* pPathInfo);

}  // namespace mlvns

#endif  // MOLVAREN_MODEL_PATH_INFO_OPS_H_
