// Exports of the processing layer: conversion between frame shapes,
// simplification, resuming and the diagnostic dump.
#include "module/export_guard.h"
#include "platform/env.h"
#include "molvaren/molvaren.h"
#include "processing/dump.h"
#include "processing/node_conversion.h"
#include "processing/resume.h"
#include "processing/simplification.h"

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
                 [&] { return DumpPathInfos(ModuleEnv(), pPathInfos, nCount, pszComment); });
}

}  // extern "C"
