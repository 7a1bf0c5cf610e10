// Finding a path by its identity in a folder, and its box at a frame in the
// caller's frame shape and turn.
#include <algorithm>
#include <cstring>

#include "database/database.h"
#include "database/database_keys.h"
#include "model/fixed_text.h"
#include "platform/env.h"
#include "platform/trace.h"
#include "processing/node_conversion.h"
#include "processing/node_lookup.h"

namespace mlvns {

bool CMlvrDataBase::ScanIdentity(const std::string& key, const char* pszGUID,
                                 IdentityPlace* place) {
  auto folder = m_mapFolders.find(key);
  if (folder == m_mapFolders.end()) return false;
  for (auto& slot : folder->second) {
    _DATABASE_FILE_INFO_& entry = *slot.second;
    if (entry.pdsPathInfoArray == nullptr) {
      const std::string file = PathFileOf(key, entry);
      if (m_env.PathExists(file.c_str())) LoadList(key, &entry);
      if (entry.pdsPathInfoArray == nullptr) {
        place->missingFilesBefore.push_back(file);
        continue;
      }
    }
    const _PATH_INFO_ARRAY_* list = entry.pdsPathInfoArray;
    const bool held = m_identities.IsHeld(list);
    if (list->ppPathInfos != nullptr) {
      for (int32_t i = 0; i < list->nNumOfPathInfos; ++i) {
        const _PATH_INFO_* path = list->ppPathInfos[i];
        if (path == nullptr || !FieldEquals(path->szGUID, sizeof path->szGUID, pszGUID)) continue;
        place->associateKey = &slot.first;
        place->entry = &entry;
        place->index = i;
        place->path = path;
        place->ownListHeld = held;
        place->nodesAscending = !held && FramesAscending(*path);
        return true;
      }
    }
    if (held) place->heldBefore.push_back(list);
  }
  return false;
}

bool CMlvrDataBase::FindIdentity(const char* pszDataBaseFolder, const char* pszGUID,
                                 _PATH_INFO_** ppPathInfo, const std::string** ppAssociateKey,
                                 const _PATH_INFO_ARRAY_** ppList, bool* pAscending) {
  if (pszDataBaseFolder == nullptr || pszGUID == nullptr) return false;
  auto give = [&](const IdentityPlace& place) {
    *ppPathInfo = const_cast<_PATH_INFO_*>(place.path);
    *ppAssociateKey = place.associateKey;
    *ppList = place.entry->pdsPathInfoArray;
    if (pAscending != nullptr) *pAscending = place.nodesAscending;
    return true;
  };
  // A host asks for the same path every frame. While nothing changed, the
  // place found last for the same folder text and identity is where the
  // scan would stop, but for what the host may have edited.
  if (const IdentityPlace* hit = m_identities.LastHit(pszDataBaseFolder, pszGUID))
    return give(*hit);
  const bool same = m_identities.SameFolder(pszDataBaseFolder);
  if (!same) fnLoadDataBase(pszDataBaseFolder);
  const std::string& key = KeyOf(pszDataBaseFolder);
  const IdentityPlace* place = m_identities.Find(key, pszGUID, same);
  IdentityPlace fresh;
  if (place == nullptr) {
    if (!ScanIdentity(key, pszGUID, &fresh)) return false;
    place = m_identities.Keep(key, pszGUID, &fresh);
  }
  m_identities.Answered(pszDataBaseFolder, key, place, pszGUID, m_mapFolders.count(key) != 0);
  return give(*place);
}

int32_t CMlvrDataBase::fnGetPathInfoByGUID(const char* pszDataBaseFolder, const char* pszGUID,
                                           _PATH_INFO_** ppPathInfo, char* pszAssociateFile) {
  _PATH_INFO_* path = nullptr;
  const std::string* associate = nullptr;
  const _PATH_INFO_ARRAY_* list = nullptr;
  if (!FindIdentity(pszDataBaseFolder, pszGUID, &path, &associate, &list)) return 0;
  if (ppPathInfo != nullptr) *ppPathInfo = path;
  // The caller's buffer holds 260 bytes at least; a longer key is cut.
  CopyCut(*associate, pszAssociateFile, kAssociateKeyRoom);
  m_identities.Hold(list);  // the host may now change the path, and so its list
  return 1;
}

int32_t CMlvrDataBase::fnGetPathNodeByGUID(const char* pszDataBaseFolder, const char* pszGUID,
                                           int32_t nFrameIndex, MLVR_SIZE szTarget,
                                           float fTargetRotation, _PATH_NODE_* pNode,
                                           char* pszAssociateFile, int32_t nMode) {
  Trace("fnGetPathNodeByGUID");
  _PATH_INFO_* path = nullptr;
  const std::string* associate = nullptr;
  const _PATH_INFO_ARRAY_* list = nullptr;
  bool ascending = false;
  if (!FindIdentity(pszDataBaseFolder, pszGUID, &path, &associate, &list, &ascending)) return 0;
  CopyCut(*associate, pszAssociateFile, kAssociateKeyRoom);
  if (path->nTotalPathNodeNum < 1 || path->pPathNodes == nullptr || pNode == nullptr) return 0;
  SelectNodeAtFrame(*path, nFrameIndex, ascending, pNode);
  if (IsOwnFrame(*path, szTarget, fTargetRotation)) return 1;
  Trace("  sfnPathInfo_ConvertPathNodeInfo");
  ConvertPathNodeInfo(pNode, path, szTarget, fTargetRotation, 0, nMode);
  return 1;
}

}  // namespace mlvns
