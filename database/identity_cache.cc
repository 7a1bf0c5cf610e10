#include "database/identity_cache.h"

#include <algorithm>

#include "database/database.h"
#include "model/fixed_text.h"

namespace mlvns {

void IdentityCache::Invalidate() {
  // Clearing an empty map still wipes its buckets; spare that on hand-outs.
  if (!m_mapPlaces.empty()) m_mapPlaces.clear();
  m_pLastPlaces = nullptr;
  m_pLastHit = nullptr;
}

bool IdentityCache::MakeKey(const char* text, IdentityKey* key) {
  size_t n = strnlen(text, sizeof key->text);
  if (n >= sizeof key->text) return false;
  std::memset(key->text, 0, sizeof key->text);
  std::memcpy(key->text, text, n);
  return true;
}

const IdentityPlace* IdentityCache::LastHit(const char* folderText, const char* guid) const {
  if (m_pLastHit == nullptr ||
      std::strncmp(m_lastHitGuid.text, guid, sizeof m_lastHitGuid.text) != 0 ||
      std::strcmp(m_strLastFolder.c_str(), folderText) != 0 || !Holds(*m_pLastHit, guid))
    return nullptr;
  return m_pLastHit;
}

const IdentityPlace* IdentityCache::FindIn(const Places& places, const char* guid) const {
  IdentityKey id;
  if (!MakeKey(guid, &id)) return nullptr;
  auto it = places.find(id);
  if (it == places.end()) return nullptr;
  return Holds(it->second, guid) ? &it->second : nullptr;
}

const IdentityPlace* IdentityCache::Find(const std::string& key, const char* guid,
                                         bool sameFolder) const {
  if (sameFolder) return FindIn(*m_pLastPlaces, guid);
  auto folder = m_mapPlaces.find(key);
  return folder == m_mapPlaces.end() ? nullptr : FindIn(folder->second, guid);
}

const IdentityPlace* IdentityCache::Keep(const std::string& key, const char* guid,
                                         IdentityPlace* fresh) {
  IdentityKey id;
  if (!MakeKey(guid, &id)) return fresh;
  IdentityPlace& slot = m_mapPlaces[key][id];
  slot = std::move(*fresh);
  return &slot;
}

void IdentityCache::Answered(const char* folderText, const std::string& key,
                             const IdentityPlace* place, const char* guid, bool folderInMemory) {
  if (!SameFolder(folderText) && folderInMemory) {
    m_pLastPlaces = &m_mapPlaces[key];
    m_strLastFolder = folderText;
  }
  IdentityKey id;
  if (m_pLastPlaces != nullptr && m_strLastFolder == folderText && MakeKey(guid, &id)) {
    m_pLastHit = place;
    m_lastHitGuid = id;
  }
}

bool IdentityCache::Holds(const IdentityPlace& place, const char* guid) const {
  // Lists the host does not hold change only through the database, which
  // invalidates; nothing then can have moved the path.
  if (!place.ownListHeld && place.heldBefore.empty() && place.missingFilesBefore.empty())
    return true;
  // The place itself, which the host may have edited.
  const _PATH_INFO_ARRAY_* list = place.entry->pdsPathInfoArray;
  if (list == nullptr || list->ppPathInfos == nullptr || place.index >= list->nNumOfPathInfos ||
      list->ppPathInfos[place.index] != place.path ||
      !FieldEquals(place.path->szGUID, sizeof place.path->szGUID, guid))
    return false;
  // Whatever the scan would meet first.
  for (const std::string& file : place.missingFilesBefore)
    if (m_env.PathExists(file.c_str())) return false;
  // Held lists are searched on every lookup, so each identity is first
  // compared by its leading bytes as one word: the text's first eight, or
  // all of it and its end when shorter.
  unsigned char headBytes[8] = {};
  unsigned char maskBytes[8] = {};
  const size_t headLength = std::min<size_t>(8, std::strlen(guid) + 1);
  std::memcpy(headBytes, guid, headLength);
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
      if (((word ^ head) & mask) == 0 && FieldEquals(p->szGUID, sizeof p->szGUID, guid))
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

}  // namespace mlvns
