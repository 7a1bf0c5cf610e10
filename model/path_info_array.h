// Lists of paths: appending and release.
#ifndef MOLVAREN_MODEL_PATH_INFO_ARRAY_H_
#define MOLVAREN_MODEL_PATH_INFO_ARRAY_H_

#include <cstdint>

#include "molvaren/molvaren.h"

namespace mlvns {

int32_t PathInfoArray_Add(_PATH_INFO_ARRAY_** ppArray, _PATH_INFO_* pPathInfo);
int32_t PathInfoArray_Free(_PATH_INFO_ARRAY_** ppArray);

// Releases every path of a list, leaving null entries; the pointer array
// and the header stay.
void PathInfoArray_FreePaths(_PATH_INFO_ARRAY_* pArray);

// Releases every path of a list, its pointer array and the header.
void PathInfoArray_Release(_PATH_INFO_ARRAY_* pArray);

}  // namespace mlvns

#endif  // MOLVAREN_MODEL_PATH_INFO_ARRAY_H_
