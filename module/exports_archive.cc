// Exports of the archive layer: list copies, packing and path files.
#include "archive/list_copy.h"
#include "archive/memory_packing.h"
#include "archive/path_file.h"
#include "archive/path_file_dialog.h"
#include "module/export_guard.h"
#include "platform/env.h"
#include "molvaren/molvaren.h"

using namespace mlvns;

extern "C" {

MLVR_API int32_t Mlvr_PathInfoArray_Clone(_PATH_INFO_ARRAY_** ppDst, const _PATH_INFO_ARRAY_* pSrc,
                                          MLVR_UINT* pnBytes) {
  return Guarded(0, [&] { return PathInfoArray_Clone(ppDst, pSrc, pnBytes); });
}

MLVR_API int32_t Mlvr_PathInfoArray_Pack(_PATH_INFO_ARRAY_** ppArray, uint8_t* pBuffer,
                                         MLVR_UINT* pnBytes) {
  return Guarded(0, [&] { return PathInfoArray_Pack(ppArray, pBuffer, pnBytes); });
}

MLVR_API int32_t Mlvr_PathInfoArray_Unpack(const uint8_t* pBuffer, MLVR_UINT nBytes,
                                           _PATH_INFO_ARRAY_** ppArray) {
  return Guarded(0, [&] { return PathInfoArray_Unpack(pBuffer, nBytes, ppArray); });
}

MLVR_API int32_t Mlvr_OpenSavePathInfo(const char* pszFileName, MLVR_BOOL bSave,
                                       _PATH_INFO_ARRAY_** ppArray) {
  return Guarded(0, [&] { return PathInfo_OpenSave(ModuleEnv(), pszFileName, bSave, ppArray); });
}

MLVR_API int32_t Mlvr_OpenSavePathInfoDialog(MLVR_BOOL bSave, _PATH_INFO_ARRAY_** ppArray,
                                             MLVR_HWND hParent) {
  return Guarded(kDialogCancelled,
                 [&] { return PathInfo_OpenSaveDialog(ModuleEnv(), bSave, ppArray, hParent); });
}

}  // extern "C"
