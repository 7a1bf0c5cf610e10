// Importing one path into an associate file's list, and moving the paths of
// one associate file to another. Both end by writing the folder back.
#include <cstring>

#include "database/database.h"
#include "database/database_keys.h"
#include "model/fixed_text.h"
#include "model/path_info_array.h"
#include "model/path_info_ops.h"
#include "model/records.h"
#include "platform/env.h"
#include "platform/trace.h"

namespace mlvns {
namespace {

// Fixed-size text fields may be full without a terminating zero.
int CompareField(const char* a, const char* b, size_t size) { return std::strncmp(a, b, size); }

bool IsNewer(const _PATH_INFO_& x, const _PATH_INFO_& y) {
  return CompareField(x.szTimeStamp, y.szTimeStamp, sizeof x.szTimeStamp) > 0;
}

// A full copy of `src` into `dst`, identity and all.
void FullCopy(_PATH_INFO_* dst, const _PATH_INFO_* src) { PathInfo_Clone(dst, src, 1, nullptr); }

// Refreshes an earlier imported copy: it keeps its own identity, origin and
// associate file; everything else comes from the source.
void RefreshCopy(_PATH_INFO_* copy, const _PATH_INFO_* src) {
  char guid[sizeof copy->szGUID];
  char origin[sizeof copy->szOriginGUID];
  char associate[sizeof copy->szAssociateFile];
  std::memcpy(guid, copy->szGUID, sizeof guid);
  std::memcpy(origin, copy->szOriginGUID, sizeof origin);
  std::memcpy(associate, copy->szAssociateFile, sizeof associate);
  FullCopy(copy, src);
  std::memcpy(copy->szGUID, guid, sizeof guid);
  std::memcpy(copy->szOriginGUID, origin, sizeof origin);
  std::memcpy(copy->szAssociateFile, associate, sizeof associate);
}

}  // namespace

int32_t CMlvrDataBase::fnImportPathInfo(const char* pszDataBaseFolder,
                                        const char* pszAssociateFile,
                                        const _PATH_INFO_* pPathInfo, CString* pstrGUID) {
  if (pszDataBaseFolder == nullptr || pszAssociateFile == nullptr || pPathInfo == nullptr)
    return 1;
  const _PATH_INFO_& s = *pPathInfo;
  const std::string g = FieldText(s.szGUID, sizeof s.szGUID);
  fnLoadDataBase(pszDataBaseFolder);
  if (pstrGUID != nullptr) *pstrGUID = g.c_str();

  char found[kAssociateKeyRoom] = {};
  _PATH_INFO_* e = nullptr;
  const bool known = fnGetPathInfoByGUID(pszDataBaseFolder, g.c_str(), &e, found) != 0;
  _PATH_INFO_ARRAY_* list = nullptr;
  fnGetInfoArray(pszDataBaseFolder, pszAssociateFile, &list);

  if (known && platform::CompareNoCase(found, pszAssociateFile) == 0) {
    if (IsNewer(s, *e)) FullCopy(e, &s);
  } else {
    _PATH_INFO_* earlier = nullptr;
    if (list != nullptr && list->ppPathInfos != nullptr) {
      for (int32_t i = 0; i < list->nNumOfPathInfos && earlier == nullptr; ++i) {
        _PATH_INFO_* c = list->ppPathInfos[i];
        if (c != nullptr && CompareField(c->szOriginGUID, g.c_str(), sizeof c->szOriginGUID) == 0)
          earlier = c;
      }
    }
    if (earlier != nullptr) {
      if (pstrGUID != nullptr) *pstrGUID = FieldText(earlier->szGUID, sizeof earlier->szGUID).c_str();
      if (IsNewer(s, *earlier)) RefreshCopy(earlier, &s);
    } else if (_PATH_INFO_* n = NewPathInfo()) {
      FullCopy(n, &s);
      CopyCut(pszAssociateFile, n->szAssociateFile, sizeof n->szAssociateFile);
      if (known) {
        std::memcpy(n->szOriginGUID, n->szGUID, sizeof n->szOriginGUID);
        PathInfo_AssignGUID(n);
        if (pstrGUID != nullptr) *pstrGUID = FieldText(n->szGUID, sizeof n->szGUID).c_str();
      }
      if (list != nullptr) {
        if (PathInfoArray_Add(&list, n) == 0) PathInfo_Release(n);
      } else {
        _PATH_INFO_* one[1] = {n};
        _PATH_INFO_ARRAY_ header;
        header.nNumOfPathInfos = 1;
        header.ppPathInfos = one;
        fnUpdateInfoArray(pszDataBaseFolder, pszAssociateFile, &header);
        PathInfo_Release(n);
      }
    }
  }
  Changed();  // lists were changed in place
  fnSaveDataBase(pszDataBaseFolder, 1);
  return 1;
}

int32_t CMlvrDataBase::fnRelinkAssociateFile(const char* pszDataBaseFolder, const char* pszOrgFile,
                                             const char* pszNewFile) {
  if (pszDataBaseFolder == nullptr || pszOrgFile == nullptr || pszNewFile == nullptr) return 0;
  Trace("fnRelinkAssociateFile org:%s new:%s", pszOrgFile, pszNewFile);
  fnLoadDataBase(pszDataBaseFolder);
  if (!m_env.PathExists(pszNewFile)) {
    Trace("  error 1. %s not exist", pszNewFile);
    return 0;
  }
  // Moving a list onto itself would end by deleting it.
  if (AssociateKey(pszOrgFile) == AssociateKey(pszNewFile)) {
    Trace("  error 5. same file");
    return 0;
  }
  uint64_t size = 0;
  if (!m_env.FileSize(pszNewFile, &size)) size = 0;
  // Only the low 32 bits count, taken as a signed number.
  const int32_t low = static_cast<int32_t>(static_cast<uint32_t>(size));
  const uint64_t z = static_cast<uint64_t>(static_cast<int64_t>(low));

  _PATH_INFO_ARRAY_* src = nullptr;
  fnGetInfoArray(pszDataBaseFolder, pszOrgFile, &src);
  if (src == nullptr || src->nNumOfPathInfos <= 0 || src->ppPathInfos == nullptr ||
      src->ppPathInfos[0] == nullptr) {
    Trace("  error 3. no path infos");
    return 0;
  }
  Trace("  pdsPathInfoArray_Src->nNumOfPathInfos: %d", src->nNumOfPathInfos);
  const uint64_t recorded = src->ppPathInfos[0]->qwAssociateFileSize;
  if (z != recorded) {
    Trace("  error 4. file size is not the same %d %d", low, static_cast<int32_t>(recorded));
    return 0;
  }

  _PATH_INFO_ARRAY_* tgt = nullptr;
  fnGetInfoArray(pszDataBaseFolder, pszNewFile, &tgt);
  if (tgt == nullptr) {
    Trace("  no pdsPathInfoArray_Target");
    // The update keeps a deep copy; if none can be made the old list stays.
    if (fnUpdateInfoArray(pszDataBaseFolder, pszNewFile, src) == 0) return 0;
  } else {
    Trace("  has pdsPathInfoArray_Target, size: %d (before)", tgt->nNumOfPathInfos);
    for (int32_t i = 0; i < src->nNumOfPathInfos; ++i) {
      const _PATH_INFO_* s = src->ppPathInfos[i];
      if (s == nullptr) continue;
      bool match = false;
      _PATH_INFO_* chosen = nullptr;
      for (int32_t j = 0; tgt->ppPathInfos != nullptr && j < tgt->nNumOfPathInfos; ++j) {
        _PATH_INFO_* t = tgt->ppPathInfos[j];
        if (t == nullptr || CompareField(t->szGUID, s->szGUID, sizeof t->szGUID) != 0) continue;
        match = true;
        if (CompareField(s->szTimeStamp, t->szTimeStamp, sizeof t->szTimeStamp) >= 0) chosen = t;
      }
      if (chosen != nullptr) {
        FullCopy(chosen, s);
        CopyCut(pszNewFile, chosen->szAssociateFile, sizeof chosen->szAssociateFile);
      } else if (!match) {
        _PATH_INFO_* n = NewPathInfo();
        if (n == nullptr) return 0;
        FullCopy(n, s);
        CopyCut(pszNewFile, n->szAssociateFile, sizeof n->szAssociateFile);
        if (PathInfoArray_Add(&tgt, n) == 0) {
          PathInfo_Release(n);
          return 0;
        }
      }
    }
    Trace("  has pdsPathInfoArray_Target, size: %d (after)", tgt->nNumOfPathInfos);
  }

  Changed();  // lists were changed in place
  // The old path file goes only once the moved paths are on disk.
  const std::string key = FolderKey(pszDataBaseFolder);
  auto folder = m_mapFolders.find(key);
  std::string oldName;
  if (folder != m_mapFolders.end()) {
    auto slot = folder->second.find(AssociateKey(pszOrgFile));
    if (slot != folder->second.end()) {
      oldName = slot->second->strDataBaseName;
      m_identities.Release(slot->second->pdsPathInfoArray);
      folder->second.erase(slot);
    }
  }
  SaveFolder(key, true, nullptr, oldName);
  return 1;
}

}  // namespace mlvns
