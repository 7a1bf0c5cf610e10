// Exports of box geometry, simplification, resuming and the diagnostic dump.
#include "model/box_geometry.h"
#include "module/export_guard.h"
#include "molvaren/molvaren.h"
#include "processing/dump.h"
#include "processing/resume.h"
#include "processing/simplification.h"

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

MLVR_API int32_t Mlvr_LinearRegressionPathInfo(_PATH_INFO_* pPathInfo) {
  // Only a failed allocation inside the rebuild can throw, and that happens
  // after the null check.
  return Guarded(1, [&] { return LinearRegressionPathInfo(pPathInfo); });
}

MLVR_API int32_t Mlvr_PathInfo_ResumFromAnother(_PATH_INFO_* pDst, const _PATH_INFO_* pSrc) {
  return Guarded(0, [&] { return PathInfo_ResumFromAnother(pDst, pSrc); });
}

MLVR_API int32_t Mlvr_PathInfo_ResumFromAnother2(int32_t nRun, _PATH_INFO_* pDst,
                                                 const _PATH_INFO_* pSrc) {
  return Guarded(0, [&] { return PathInfo_ResumFromAnother2(nRun, pDst, pSrc); });
}

MLVR_API int32_t Mlvr_DumpPathInfos(const _PATH_INFO_* pPathInfos, int32_t nCount,
                                    const char* pszComment) {
  return Guarded(pPathInfos != nullptr ? 1 : 0,
                 [&] { return DumpPathInfos(pPathInfos, nCount, pszComment); });
}

}  // extern "C"
