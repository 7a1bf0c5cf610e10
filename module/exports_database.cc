// Exports of the path database: each takes the database lock for its whole
// call and hands its arguments to one operation of the database object.
#include "database/database.h"
#include "module/export_guard.h"
#include "module/lifecycle.h"
#include "molvaren/molvaren.h"

using namespace mlvns;

extern "C" {

MLVR_API int32_t Mlvr_DataBase_Lock(void) {
  HostLock();
  return 1;
}

MLVR_API int32_t Mlvr_DataBase_Unlock(void) {
  HostUnlock();
  return 1;
}

MLVR_API int32_t Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(
    const char* pszDataBaseFolder, const char* pszAssociateFile, _PATH_INFO_ARRAY_** ppArray) {
  return WithDataBase([&](CMlvrDataBase& db) {
    return db.fnGetInfoArray(pszDataBaseFolder, pszAssociateFile, ppArray);
  });
}

MLVR_API int32_t Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(
    const char* pszDataBaseFolder, const char* pszAssociateFile, const _PATH_INFO_ARRAY_* pArray) {
  return WithDataBase([&](CMlvrDataBase& db) {
    return db.fnUpdateInfoArray(pszDataBaseFolder, pszAssociateFile, pArray);
  });
}

MLVR_API int32_t Mlvr_DataBase_DeleteInfoArrayByAssociateFileName(const char* pszDataBaseFolder,
                                                                  const char* pszAssociateFile) {
  return WithDataBase([&](CMlvrDataBase& db) {
    return db.fnDeleteInfoArray(pszDataBaseFolder, pszAssociateFile);
  });
}

MLVR_API int32_t Mlvr_DataBase_GetPathInfoByGUID(const char* pszDataBaseFolder,
                                                 const char* pszGUID, _PATH_INFO_** ppPathInfo,
                                                 char* pszAssociateFile) {
  return WithDataBase([&](CMlvrDataBase& db) {
    return db.fnGetPathInfoByGUID(pszDataBaseFolder, pszGUID, ppPathInfo, pszAssociateFile);
  });
}

MLVR_API int32_t Mlvr_DataBase_GetPathNodeByGUID(const char* pszDataBaseFolder,
                                                 const char* pszGUID, int32_t nFrameIndex,
                                                 MLVR_SIZE szTarget, float fTargetRotation,
                                                 _PATH_NODE_* pNode, char* pszAssociateFile,
                                                 int32_t nMode) {
  return WithDataBase([&](CMlvrDataBase& db) {
    return db.fnGetPathNodeByGUID(pszDataBaseFolder, pszGUID, nFrameIndex, szTarget,
                                  fTargetRotation, pNode, pszAssociateFile, nMode);
  });
}

MLVR_API int32_t Mlvr_DataBase_ImportPathInfo(const char* pszDataBaseFolder,
                                              const char* pszAssociateFile,
                                              const _PATH_INFO_* pPathInfo, CString* pstrGUID) {
  WithDataBase([&](CMlvrDataBase& db) {
    return db.fnImportPathInfo(pszDataBaseFolder, pszAssociateFile, pPathInfo, pstrGUID);
  });
  return 1;
}

MLVR_API int32_t Mlvr_DataBase_RelinkAssociateFile(const char* pszDataBaseFolder,
                                                   const char* pszOrgFile,
                                                   const char* pszNewFile) {
  return WithDataBase([&](CMlvrDataBase& db) {
    return db.fnRelinkAssociateFile(pszDataBaseFolder, pszOrgFile, pszNewFile);
  });
}

}  // extern "C"
