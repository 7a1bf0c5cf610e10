#include "model/path_info_array.h"

#include <new>
#include <vector>

#include "archive/archive.h"
#include "archive/path_stream.h"
#include "model/path_info_ops.h"
#include "model/records.h"

namespace mlvns {

// The pointer array is reallocated at exactly the new count on every append,
// so building a list of n paths by appending costs O(n^2) pointer copies.
int32_t PathInfoArray_Add(_PATH_INFO_ARRAY_** ppArray, _PATH_INFO_* pPathInfo) {
  if (ppArray == nullptr || *ppArray == nullptr) return 0;
  _PATH_INFO_ARRAY_* a = *ppArray;
  const int32_t n = a->nNumOfPathInfos > 0 ? a->nNumOfPathInfos : 0;
  if (n == INT32_MAX) return 0;
  auto** grown = new (std::nothrow) _PATH_INFO_*[static_cast<size_t>(n) + 1]();
  if (grown == nullptr) return 0;
  _PATH_INFO_** old = a->ppPathInfos;
  if (old != nullptr) {
    for (int32_t i = 0; i < n; ++i) grown[i] = old[i];
  }
  grown[n] = pPathInfo;
  delete[] old;
  a->ppPathInfos = grown;
  a->nNumOfPathInfos = n + 1;
  return 1;
}

int32_t PathInfoArray_Clone(_PATH_INFO_ARRAY_** ppDst, const _PATH_INFO_ARRAY_* pSrc,
                            uint32_t* pnBytes) {
  if (ppDst != nullptr && *ppDst != nullptr && (*ppDst)->nNumOfPathInfos >= 1 &&
      (*ppDst)->ppPathInfos != nullptr) {
    _PATH_INFO_ARRAY_* d = *ppDst;
    for (int32_t i = 0; i < d->nNumOfPathInfos; ++i) {
      if (d->ppPathInfos[i] != nullptr) PathInfo_FreeInfos(&d->ppPathInfos[i], 1);
    }
  }

  // Encode into memory (nothing when the source is refused), then decode.
  const uint64_t size = PathInfoArray_EncodedSize(pSrc);
  std::vector<uint8_t> stream;
  if (size != 0 && size <= UINT32_MAX) {
    stream.resize(static_cast<size_t>(size));
    ArchiveWriter writer(stream.data(), stream.size());
    auto* src = const_cast<_PATH_INFO_ARRAY_*>(pSrc);  // encoding leaves it as it was
    if (PathInfoArray_Serialize(writer, &src) == 0) stream.clear();
  }
  if (pnBytes != nullptr) *pnBytes = static_cast<uint32_t>(stream.size());
  if (ppDst == nullptr) return 1;
  ArchiveReader reader(stream.data(), stream.size());
  return PathInfoArray_Serialize(reader, ppDst);
}

void PathInfoArray_Release(_PATH_INFO_ARRAY_* a) {
  if (a == nullptr) return;
  if (a->ppPathInfos != nullptr) {
    for (int32_t i = 0; i < a->nNumOfPathInfos; ++i) {
      if (a->ppPathInfos[i] != nullptr) PathInfo_FreeInfos(&a->ppPathInfos[i], 1);
    }
  }
  delete[] a->ppPathInfos;
  delete a;
}

int32_t PathInfoArray_Free(_PATH_INFO_ARRAY_** ppArray) {
  if (ppArray == nullptr) return 0;
  PathInfoArray_Release(*ppArray);
  *ppArray = nullptr;
  return 1;
}

}  // namespace mlvns
