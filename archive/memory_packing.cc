#include "archive/memory_packing.h"

#include "archive/archive.h"
#include "archive/path_stream.h"

namespace mlvns {

// The size follows from the counts, so the stream is written straight into
// the caller's buffer; the bytes are those of encoding into memory and
// copying them out.
int32_t PathInfoArray_Pack(_PATH_INFO_ARRAY_** ppArray, uint8_t* pBuffer, uint32_t* pnBytes) {
  if (ppArray == nullptr || *ppArray == nullptr) return 0;
  const uint64_t size = PathInfoArray_EncodedSize(*ppArray);
  if (size == 0 || size > UINT32_MAX) return 0;
  if (pBuffer != nullptr) {
    ArchiveWriter ar(pBuffer, static_cast<size_t>(size));
    if (PathInfoArray_Serialize(ar, ppArray) == 0) return 0;
  }
  if (pnBytes != nullptr) *pnBytes = static_cast<uint32_t>(size);
  return 1;
}

int32_t PathInfoArray_Unpack(const uint8_t* pBuffer, uint32_t nBytes,
                             _PATH_INFO_ARRAY_** ppArray) {
  if (ppArray == nullptr) return 0;
  if (pBuffer == nullptr && nBytes != 0) return 0;
  ArchiveReader ar(pBuffer, pBuffer != nullptr ? nBytes : 0);
  return PathInfoArray_Serialize(ar, ppArray);
}

}  // namespace mlvns
