#include "archive/list_copy.h"

#include <vector>

#include "archive/archive.h"
#include "archive/path_stream.h"
#include "model/path_info_ops.h"

namespace mlvns {

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

}  // namespace mlvns
