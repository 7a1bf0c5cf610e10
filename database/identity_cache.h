// Where an identity was last found in a folder, so that a lookup repeated
// every frame need not scan every path, and which lists the host holds. A
// place is trusted only while nothing it depends on can have changed: the
// database calls Invalidate wherever what a lookup finds can change (a load,
// update, delete, write-back or hand-out), and the parts the host may have
// edited since are checked again on every use.
#ifndef MOLVAREN_DATABASE_IDENTITY_CACHE_H_
#define MOLVAREN_DATABASE_IDENTITY_CACHE_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "molvaren/molvaren.h"
#include "platform/env.h"

namespace mlvns {

struct _DATABASE_FILE_INFO_;

// An identity text of up to 39 bytes, held without allocating.
struct IdentityKey {
  char text[40];
  bool operator==(const IdentityKey& o) const { return std::memcmp(text, o.text, sizeof text) == 0; }
};

struct IdentityKeyHash {
  // Five words of the zero-padded text, mixed by multiplication: a few
  // cycles instead of one step per character.
  size_t operator()(const IdentityKey& k) const {
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (size_t i = 0; i < sizeof k.text; i += 8) {
      uint64_t w;
      std::memcpy(&w, k.text + i, 8);
      h = (h ^ w) * 0xFF51AFD7ED558CCDull;
      h ^= h >> 32;
    }
    return static_cast<size_t>(h);
  }
};

struct IdentityPlace {
  const std::string* associateKey = nullptr;
  _DATABASE_FILE_INFO_* entry = nullptr;
  int32_t index = 0;
  const _PATH_INFO_* path = nullptr;
  // Entries before the place that had no list: the scan would load one
  // whose file has appeared since.
  std::vector<std::string> missingFilesBefore;
  // Lists before the place (and its own) that the host holds and so may
  // have changed without the database knowing.
  std::vector<const _PATH_INFO_ARRAY_*> heldBefore;
  bool ownListHeld = false;
  // The path's frames do not decrease. Known only for a list the host does
  // not hold: nothing else can change its nodes without an invalidation.
  bool nodesAscending = false;
};

class IdentityCache {
 public:
  // `env` tells whether a path file has appeared since a place was found.
  explicit IdentityCache(platform::Env& env) : m_env(env) {}

  // Forgets every place found so far. The one way places go stale.
  void Invalidate();

  // Lists handed to the host, which may change them behind the database's
  // back. A list newly held changes what a lookup must check.
  void Hold(const _PATH_INFO_ARRAY_* list) {
    if (list != nullptr && m_setHeld.insert(list).second) Invalidate();
  }
  // Before the list is freed or leaves the database.
  void Release(const _PATH_INFO_ARRAY_* list) {
    if (m_setHeld.erase(list) != 0) Invalidate();
  }
  bool IsHeld(const _PATH_INFO_ARRAY_* list) const { return m_setHeld.count(list) != 0; }

  // The place found last for the same folder text and identity, when it
  // still answers: a host asks for the same path every frame.
  const IdentityPlace* LastHit(const char* folderText, const char* guid) const;
  // Whether the last lookup named this folder text and nothing changed
  // since: the folder is still in memory and loading it would do nothing.
  bool SameFolder(const char* folderText) const {
    return m_pLastPlaces != nullptr && m_strLastFolder == folderText;
  }
  // A place found earlier in the folder `key` that still answers.
  const IdentityPlace* Find(const std::string& key, const char* guid, bool sameFolder) const;
  // Keeps a place a scan found and returns where it is kept: `fresh` itself
  // for an identity too long to be cached.
  const IdentityPlace* Keep(const std::string& key, const char* guid, IdentityPlace* fresh);
  // Remembers the lookup just answered by `place` for the next one.
  void Answered(const char* folderText, const std::string& key, const IdentityPlace* place,
                const char* guid, bool folderInMemory);

 private:
  platform::Env& m_env;
  using Places = std::unordered_map<IdentityKey, IdentityPlace, IdentityKeyHash>;

  // False for a text too long to be held; such identities are not cached.
  static bool MakeKey(const char* text, IdentityKey* key);
  // Whether a place found earlier still answers for the identity, given
  // what the host may have changed in the lists it holds.
  bool Holds(const IdentityPlace& place, const char* guid) const;
  const IdentityPlace* FindIn(const Places& places, const char* guid) const;

  std::unordered_set<const _PATH_INFO_ARRAY_*> m_setHeld;
  // Folder key -> identity -> place.
  std::unordered_map<std::string, Places> m_mapPlaces;
  // The places of the folder last looked in, and the folder text named.
  const Places* m_pLastPlaces = nullptr;
  std::string m_strLastFolder;
  // The place found last in that folder, and its identity.
  const IdentityPlace* m_pLastHit = nullptr;
  IdentityKey m_lastHitGuid = {};
};

}  // namespace mlvns

#endif  // MOLVAREN_DATABASE_IDENTITY_CACHE_H_
