// Exports of the model layer: path records, lists and box geometry.
#include "model/box_geometry.h"
#include "model/path_info_array.h"
#include "model/path_info_ops.h"
#include "module/export_guard.h"
#include "molvaren/molvaren.h"

using namespace mlvns;

extern "C" {

MLVR_API int32_t Mlvr_PathNode_Rect2PathNode(MLVR_RECT rcObject, MLVR_RECT rcFrame,
                                             _PATH_NODE_* pNode) {
  return Guarded(0, [&] { return PathNode_Rect2PathNode(rcObject, rcFrame, pNode); });
}

MLVR_API int32_t Mlvr_PathNode_PathNode2Rect(const _PATH_NODE_* pNode, MLVR_RECT rcFrame,
                                             MLVR_RECT* prcObject) {
  return Guarded(0, [&] { return PathNode_PathNode2Rect(pNode, rcFrame, prcObject); });
}

MLVR_API int32_t Mlvr_PathInfo_CorrectCtrlPtrBasedOnPathType(_PATH_INFO_* pPathInfo) {
  return Guarded(0, [&] { return PathInfo_CorrectCtrlPtrBasedOnPathType(pPathInfo); });
}

MLVR_API int32_t Mlvr_PathInfo_AssignGUID(_PATH_INFO_* pPathInfo) {
  return Guarded(0, [&] { return PathInfo_AssignGUID(pPathInfo); });
}

MLVR_API int32_t Mlvr_PathInfo_AssignTimeStamp(_PATH_INFO_* pPathInfo) {
  return Guarded(0, [&] { return PathInfo_AssignTimeStamp(pPathInfo); });
}

MLVR_API int32_t Mlvr_PathInfo_FreeInfos(_PATH_INFO_** ppInfos, int32_t nCount) {
  return Guarded(0, [&] { return PathInfo_FreeInfos(ppInfos, nCount); });
}

MLVR_API int32_t Mlvr_PathInfo_FreeNodes(_PATH_INFO_* pPathInfo) {
  return Guarded(0, [&] { return PathInfo_FreeNodes(pPathInfo); });
}

MLVR_API int32_t Mlvr_PathInfo_Clone(_PATH_INFO_* pDst, const _PATH_INFO_* pSrc,
                                     MLVR_BOOL bCopyIdentity, CUIntArray* pExcludeNodes) {
  return Guarded(1, [&] { return PathInfo_Clone(pDst, pSrc, bCopyIdentity, pExcludeNodes); });
}

MLVR_API int32_t Mlvr_PathInfo_PathNodeAppend(_PATH_INFO_* pPathInfo, const _PATH_NODE_* pNodes,
                                              int32_t nNumNodes, MLVR_BOOL bKeepFrameIndex) {
  return Guarded(
      0, [&] { return PathInfo_PathNodeAppend(pPathInfo, pNodes, nNumNodes, bKeepFrameIndex); });
}

MLVR_API int32_t Mlvr_PathInfoArray_Add(_PATH_INFO_ARRAY_** ppArray, _PATH_INFO_* pPathInfo) {
  return Guarded(0, [&] { return PathInfoArray_Add(ppArray, pPathInfo); });
}

MLVR_API int32_t Mlvr_PathInfoArray_Free(_PATH_INFO_ARRAY_** ppArray) {
  return Guarded(0, [&] { return PathInfoArray_Free(ppArray); });
}

}  // extern "C"
