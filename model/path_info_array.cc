#include "model/path_info_array.h"

#include <new>

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

void PathInfoArray_FreePaths(_PATH_INFO_ARRAY_* a) {
  if (a == nullptr || a->ppPathInfos == nullptr) return;
  for (int32_t i = 0; i < a->nNumOfPathInfos; ++i) {
    if (a->ppPathInfos[i] != nullptr) PathInfo_FreeInfos(&a->ppPathInfos[i], 1);
  }
}

void PathInfoArray_Release(_PATH_INFO_ARRAY_* a) {
  if (a == nullptr) return;
  PathInfoArray_FreePaths(a);
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
