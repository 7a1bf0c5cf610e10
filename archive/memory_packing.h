// Packing a path list into a caller's byte buffer and unpacking it: the bare
// stream, nothing before or after it.
#ifndef MOLVAREN_ARCHIVE_MEMORY_PACKING_H_
#define MOLVAREN_ARCHIVE_MEMORY_PACKING_H_

#include <cstdint>

#include "molvaren/molvaren.h"

namespace mlvns {

int32_t PathInfoArray_Pack(_PATH_INFO_ARRAY_** ppArray, uint8_t* pBuffer, uint32_t* pnBytes);
int32_t PathInfoArray_Unpack(const uint8_t* pBuffer, uint32_t nBytes,
                             _PATH_INFO_ARRAY_** ppArray);

}  // namespace mlvns

#endif  // MOLVAREN_ARCHIVE_MEMORY_PACKING_H_
