// Export of node conversion between frame shapes.
#include "module/export_guard.h"
#include "molvaren/molvaren.h"
#include "processing/node_conversion.h"

using namespace mlvns;

extern "C" {

MLVR_API int32_t Mlvr_PathInfo_ConvertPathNodeInfo(_PATH_NODE_* pNode,
                                                   const _PATH_INFO_* pPathInfo,
                                                   MLVR_SIZE szTarget, float fTargetRotation,
                                                   MLVR_BOOL bRelative, int32_t nMode) {
  return Guarded(0, [&] {
    return ConvertPathNodeInfo(pNode, pPathInfo, szTarget, fTargetRotation, bRelative, nMode);
  });
}

}  // extern "C"
