#include "archive/list_copy.h"

#include <vector>

#include "archive/archive.h"
#include "archive/path_stream.h"
#include "model/path_info_array.h"
#include "model/records.h"

namespace mlvns {

int32_t PathInfoArray_Clone(_PATH_INFO_ARRAY_** ppDst, const _PATH_INFO_ARRAY_* pSrc,
                            uint32_t* pnBytes) {
  // The destination's paths go first, before anything of the source is read.
  if (ppDst != nullptr) PathInfoArray_FreePaths(*ppDst);

  const uint64_t size = PathInfoArray_EncodedSize(pSrc);
  const bool encodable = size != 0 && size <= UINT32_MAX;
  if (pnBytes != nullptr) *pnBytes = encodable ? static_cast<uint32_t>(size) : 0;
  if (ppDst == nullptr) return 1;
  if (!encodable) {
    // Nothing is encoded; decoding the empty stream leaves an empty list.
    ArchiveReader empty(nullptr, 0);
    return PathInfoArray_Serialize(empty, ppDst);
  }

  // Path by path through one block that is reused, so that no temporary of
  // the whole list is ever made; the bytes decoded are those of the list's
  // stream all the same.
  std::vector<uint8_t> block(kArraySize);
  ArchiveWriter headerOut(block.data(), block.size());
  PathInfoArray_SerializeHeader(headerOut, pSrc);
  ArchiveReader headerIn(block.data(), block.size());
  if (PathInfoArray_SerializeHeader(headerIn, ppDst) == 0) return 0;
  _PATH_INFO_ARRAY_* d = *ppDst;
  if (d->nNumOfPathInfos < 1) return 1;
  if (PathInfoArray_AllocateSlots(d) == 0) return 0;
  for (int32_t i = 0; i < d->nNumOfPathInfos; ++i) {
    const _PATH_INFO_* path = pSrc->ppPathInfos[i];
    const size_t bytes = static_cast<size_t>(PathInfo_EncodedSize(path));
    if (block.size() < bytes) block.resize(bytes);
    ArchiveWriter out(block.data(), bytes);
    PathInfo_Serialize(out, path);
    d->ppPathInfos[i] = NewPathInfo();
    if (d->ppPathInfos[i] == nullptr) return 0;
    ArchiveReader in(block.data(), bytes);
    if (PathInfo_Serialize(in, d->ppPathInfos[i]) == 0) return 0;
  }
  return 1;
}

}  // namespace mlvns
