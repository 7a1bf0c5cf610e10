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

void CMlvrDataBase::HandOut(const _PATH_INFO_ARRAY_* list) {
  if (list != nullptr && m_setHeldLists.insert(list).second) Changed();
}

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
    const bool held = m_setHeldLists.count(list) != 0;
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
        place->generation = m_nGeneration;
        return true;
      }
    }
    if (held) place->heldBefore.push_back(list);
  }
  return false;
}

const IdentityPlace* CMlvrDataBase::CachedIdentity(const IdentityPlaces& places,
                                                   const char* pszGUID) {
  IdentityKey id;
  if (!MakeIdentityKey(pszGUID, &id)) return nullptr;
  auto it = places.find(id);
  if (it == places.end() || it->second.generation != m_nGeneration) return nullptr;
  return PlaceHolds(it->second, pszGUID) ? &it->second : nullptr;
}

bool CMlvrDataBase::PlaceHolds(const IdentityPlace& place, const char* pszGUID) const {
  // Lists the host does not hold change only through the database, which
  // starts a new generation; nothing then can have moved the path.
  if (!place.ownListHeld && place.heldBefore.empty() && place.missingFilesBefore.empty())
    return true;
  // The place itself, which the host may have edited.
  const _PATH_INFO_ARRAY_* list = place.entry->pdsPathInfoArray;
  if (list == nullptr || list->ppPathInfos == nullptr || place.index >= list->nNumOfPathInfos ||
      list->ppPathInfos[place.index] != place.path ||
      !FieldEquals(place.path->szGUID, sizeof place.path->szGUID, pszGUID))
    return false;
  // Whatever the scan would meet first.
  for (const std::string& file : place.missingFilesBefore)
    if (m_env.PathExists(file.c_str())) return false;
  // Held lists are searched on every lookup, so each identity is first
  // compared by its leading bytes as one word: the text's first eight, or
  // all of it and its end when shorter.
  unsigned char headBytes[8] = {};
  unsigned char maskBytes[8] = {};
  const size_t headLength = std::min<size_t>(8, std::strlen(pszGUID) + 1);
  std::memcpy(headBytes, pszGUID, headLength);
  std::memset(maskBytes, 0xFF, headLength);
  uint64_t head;
  uint64_t mask;
  std::memcpy(&head, headBytes, 8);
  std::memcpy(&mask, maskBytes, 8);
  auto holds = [&](const _PATH_INFO_ARRAY_* l, int32_t upTo) {
    if (l->ppPathInfos == nullptr) return false;
    const int32_t n = std::min(upTo, l->nNumOfPathInfos);
    for (int32_t i = 0; i < n; ++i) {
      const _PATH_INFO_* p = l->ppPathInfos[i];
      if (p == nullptr) continue;
      uint64_t word;
      std::memcpy(&word, p->szGUID, 8);
      if (((word ^ head) & mask) == 0 && FieldEquals(p->szGUID, sizeof p->szGUID, pszGUID))
        return true;
    }
    return false;
  };
  // Held lists lie apart in memory: the next lists' header and pointer
  // array are asked for while this one is searched.
  const std::vector<const _PATH_INFO_ARRAY_*>& heldBefore = place.heldBefore;
  for (size_t j = 0; j < heldBefore.size(); ++j) {
    if (j + 2 < heldBefore.size()) __builtin_prefetch(heldBefore[j + 2]);
    if (j + 1 < heldBefore.size()) __builtin_prefetch(heldBefore[j + 1]->ppPathInfos);
    if (holds(heldBefore[j], heldBefore[j]->nNumOfPathInfos)) return false;
  }
  if (place.ownListHeld && holds(list, place.index)) return false;
  return true;
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
  if (m_pLastHit != nullptr && m_nLastHitGeneration == m_nGeneration &&
      std::strncmp(m_szLastHitGUID, pszGUID, sizeof m_szLastHitGUID) == 0 &&
      std::strcmp(m_strLastPlacesFolder.c_str(), pszDataBaseFolder) == 0 &&
      PlaceHolds(*m_pLastHit, pszGUID))
    return give(*m_pLastHit);
  m_pLastHit = nullptr;
  // While nothing changed since the last lookup in this folder, the folder
  // is still in memory and loading it would do nothing.
  const bool same = m_pLastPlaces != nullptr && m_nLastPlacesGeneration == m_nGeneration &&
                    m_strLastPlacesFolder == pszDataBaseFolder;
  if (!same) {
    fnLoadDataBase(pszDataBaseFolder);
    m_pLastPlaces = nullptr;
  }
  const std::string& key = KeyOf(pszDataBaseFolder);
  const IdentityPlace* place = nullptr;
  if (same) {
    place = CachedIdentity(*m_pLastPlaces, pszGUID);
  } else {
    auto folder = m_cacheIdentities.find(key);
    if (folder != m_cacheIdentities.end()) place = CachedIdentity(folder->second, pszGUID);
  }
  IdentityPlace fresh;
  if (place == nullptr) {
    if (!ScanIdentity(key, pszGUID, &fresh)) return false;
    IdentityKey id;
    if (MakeIdentityKey(pszGUID, &id)) {
      IdentityPlace& slot = m_cacheIdentities[key][id];
      slot = std::move(fresh);
      place = &slot;
    } else {
      place = &fresh;
    }
  }
  if (!same && m_mapFolders.count(key) != 0) {
    m_pLastPlaces = &m_cacheIdentities[key];
    m_nLastPlacesGeneration = m_nGeneration;
    m_strLastPlacesFolder = pszDataBaseFolder;
  }
  IdentityKey id;
  if (place != &fresh && m_pLastPlaces != nullptr && MakeIdentityKey(pszGUID, &id)) {
    m_pLastHit = place;
    m_nLastHitGeneration = m_nGeneration;
    std::memcpy(m_szLastHitGUID, id.text, sizeof m_szLastHitGUID);
  }
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
  HandOut(list);  // the host may now change the path, and so its list
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
