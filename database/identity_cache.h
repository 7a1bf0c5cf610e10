// Where an identity was last found in a folder, so that a lookup repeated
// every frame need not scan every path. A place is trusted only while
// nothing it depends on can have changed: the database's generation (bumped
// by every load, update, delete, write-back and hand-out) is the same, and
// the parts the host may have edited since are checked again on every use.
#ifndef MOLVAREN_DATABASE_IDENTITY_CACHE_H_
#define MOLVAREN_DATABASE_IDENTITY_CACHE_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "molvaren/molvaren.h"

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

// False for a text too long to be held; such identities are not cached.
inline bool MakeIdentityKey(const char* text, IdentityKey* key) {
  size_t n = strnlen(text, sizeof key->text);
  if (n >= sizeof key->text) return false;
  std::memset(key->text, 0, sizeof key->text);
  std::memcpy(key->text, text, n);
  return true;
}

struct IdentityPlace {
  uint64_t generation = 0;
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
  // not hold: nothing else can change its nodes without a new generation.
  bool nodesAscending = false;
};

// Identity -> place, for one folder.
using IdentityPlaces = std::unordered_map<IdentityKey, IdentityPlace, IdentityKeyHash>;
// Folder key -> its places.
using IdentityCache = std::unordered_map<std::string, IdentityPlaces>;

}  // namespace mlvns

#endif  // MOLVAREN_DATABASE_IDENTITY_CACHE_H_
