// Finding a path by its identity in a folder, and its box at a frame in the
// caller's frame shape and turn.
#include <algorithm>
#include <cstring>

#include "database/database.h"
#include "database/database_keys.h"
#include "module/trace.h"
#include "platform/platform.h"
#include "processing/node_conversion.h"

namespace mlvns {
namespace {

// Equal when the field's text, up to its size, is exactly `text`.
bool FieldEquals(const char* field, size_t size, const char* text) {
  size_t n = strnlen(field, size);
  return std::strncmp(field, text, n) == 0 && text[n] == '\0';
}

// The node for frame f: the first or last node outside the path's range, an
// exact match, or the box between the nodes before and after. `ascending`
// says the frames are known not to decrease, so that a binary search finds
// the node the scan would.
void SelectNode(const _PATH_INFO_& path, int32_t f, bool ascending, _PATH_NODE_* out) {
  const int32_t n = path.nTotalPathNodeNum;
  const _PATH_NODE_* nodes = path.pPathNodes;
  if (f <= nodes[0].nFrameIndex) {
    *out = nodes[0];
    return;
  }
  if (f >= nodes[n - 1].nFrameIndex) {
    *out = nodes[n - 1];
    return;
  }
  // Here N[0] lies before f and N[n-1] after it. Scanning on, every node
  // before the first one at or after f is a node before f, so that first
  // one decides: an exact match, or the node after with its predecessor as
  // the node before.
  int32_t i = 1;
  if (ascending) {
    // Tracked frames are mostly evenly spaced, so the node where f falls
    // by proportion is usually the one; checking it costs two loads.
    const int64_t span = int64_t{nodes[n - 1].nFrameIndex} - nodes[0].nFrameIndex;
    const int64_t into = int64_t{f} - nodes[0].nFrameIndex;
    const int32_t guess =
        std::min<int32_t>(n - 1, std::max<int32_t>(1, static_cast<int32_t>(
                                                           (into * (n - 1) + span - 1) / span)));
    // Uneven spacing mostly puts it one node off.
    const int32_t up = std::min(guess + 1, n - 1);
    const int32_t down = std::max(guess - 1, 1);
    if (nodes[guess].nFrameIndex >= f && nodes[guess - 1].nFrameIndex < f) {
      i = guess;
    } else if (nodes[guess].nFrameIndex < f && nodes[up].nFrameIndex >= f) {
      i = up;
    } else if (nodes[down].nFrameIndex >= f && nodes[down - 1].nFrameIndex < f) {
      i = down;
    } else {
      // The answer lies in [1, n-1] as N[n-1] is after f. Halving without
      // a branch to mispredict.
      const _PATH_NODE_* base = nodes + 1;
      int32_t len = n - 1;
      while (len > 1) {
        const int32_t half = len / 2;
        base += static_cast<int32_t>(base[half - 1].nFrameIndex < f) * half;
        len -= half;
      }
      i = static_cast<int32_t>(base - nodes);
    }
  } else {
    // Unrolled, as a host asks for every frame.
    for (; i + 8 <= n; i += 8) {
      const int32_t a = std::max(std::max(nodes[i].nFrameIndex, nodes[i + 1].nFrameIndex),
                                 std::max(nodes[i + 2].nFrameIndex, nodes[i + 3].nFrameIndex));
      const int32_t b = std::max(std::max(nodes[i + 4].nFrameIndex, nodes[i + 5].nFrameIndex),
                                 std::max(nodes[i + 6].nFrameIndex, nodes[i + 7].nFrameIndex));
      if (std::max(a, b) >= f) break;
    }
    while (nodes[i].nFrameIndex < f) ++i;
  }
  if (nodes[i].nFrameIndex == f) {
    *out = nodes[i];
    return;
  }
  const _PATH_NODE_* before = &nodes[i - 1];
  const _PATH_NODE_* after = &nodes[i];
  // Widened so that frames far apart cannot overflow.
  const int64_t d = int64_t{after->nFrameIndex} - before->nFrameIndex;
  if (d <= 0) return;
  const float t = static_cast<float>(int64_t{f} - before->nFrameIndex) / static_cast<float>(d);
  out->fXPos = (after->fXPos - before->fXPos) * t + before->fXPos;
  out->fYPos = (after->fYPos - before->fYPos) * t + before->fYPos;
  out->fWidth = (after->fWidth - before->fWidth) * t + before->fWidth;
  out->fHeight = (after->fHeight - before->fHeight) * t + before->fHeight;
}

bool FramesAscending(const _PATH_INFO_& path) {
  if (path.pPathNodes == nullptr) return false;
  for (int32_t i = 1; i < path.nTotalPathNodeNum; ++i)
    if (path.pPathNodes[i].nFrameIndex < path.pPathNodes[i - 1].nFrameIndex) return false;
  return true;
}

// True when the target frame is the path's own: same turn and same shape.
bool IsOwnFrame(const _PATH_INFO_& path, MLVR_SIZE target, float fTargetRotation) {
  if (!(fTargetRotation == path.fRotation)) return false;
  switch (path.nFrameAspect) {
    case 0:
      if (static_cast<double>(target.cx) / static_cast<double>(target.cy) != 16.0 / 9.0)
        return false;
      Trace("  16:9");
      return true;
    case 1:
      if (static_cast<double>(target.cx) / static_cast<double>(target.cy) != 4.0 / 3.0)
        return false;
      Trace("  4:3");
      return true;
    case 2:
      if (static_cast<float>(target.cx) / static_cast<float>(target.cy) !=
          static_cast<float>(path.nFrameWidth) / static_cast<float>(path.nFrameHeight))
        return false;
      Trace("  1:1");
      return true;
    default:
      return false;
  }
}

}  // namespace

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
      if (platform::PathExists(file.c_str())) LoadList(key, &entry);
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
    if (platform::PathExists(file.c_str())) return false;
  auto holds = [&](const _PATH_INFO_ARRAY_* l, int32_t upTo) {
    if (l->ppPathInfos == nullptr) return false;
    for (int32_t i = 0; i < upTo && i < l->nNumOfPathInfos; ++i) {
      const _PATH_INFO_* p = l->ppPathInfos[i];
      if (p != nullptr && FieldEquals(p->szGUID, sizeof p->szGUID, pszGUID)) return true;
    }
    return false;
  };
  for (const _PATH_INFO_ARRAY_* held : place.heldBefore)
    if (holds(held, held->nNumOfPathInfos)) return false;
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
  SelectNode(*path, nFrameIndex, ascending, pNode);
  if (IsOwnFrame(*path, szTarget, fTargetRotation)) return 1;
  Trace("  sfnPathInfo_ConvertPathNodeInfo");
  ConvertPathNodeInfo(pNode, path, szTarget, fTargetRotation, 0, nMode);
  return 1;
}

}  // namespace mlvns
