// The one byte stream of a path list: the 88-byte header record, then each
// path as its 528-byte stored record, its nodes and its extra node, every
// record led by its own size.
#ifndef MOLVAREN_ARCHIVE_PATH_STREAM_H_
#define MOLVAREN_ARCHIVE_PATH_STREAM_H_

#include <cstdint>

#include "archive/archive.h"
#include "molvaren/molvaren.h"

namespace mlvns {

// Bytes that encoding the list takes, or 0 when it is refused: a null list,
// an empty entry, a path with a negative node count, a count without its
// node array, or an extra-node flag without its node. Such lists would give
// a stream that does not read back, so nothing of them is ever written.
uint64_t PathInfoArray_EncodedSize(const _PATH_INFO_ARRAY_* pArray);

// Bytes that one path takes, or 0 when it is refused (as above).
uint64_t PathInfo_EncodedSize(const _PATH_INFO_* pPathInfo);

// Encoding. The list stays as it was; a refused list writes nothing.
int32_t PathInfoArray_Serialize(ArchiveWriter& ar, _PATH_INFO_ARRAY_** ppArray);
int32_t PathInfo_Serialize(ArchiveWriter& ar, const _PATH_INFO_* pPathInfo);

// Decoding into the list that *ppArray refers to (a new one when it holds
// null, otherwise emptied and refilled). 0 when the stream is malformed or
// ends before a size field; what was decoded so far stays in the list.
int32_t PathInfoArray_Serialize(ArchiveReader& ar, _PATH_INFO_ARRAY_** ppArray);
// The header record alone. Decoding empties the list first (a new one when
// *ppArray is null) and leaves it without a pointer array whatever count
// the header gives; PathInfoArray_AllocateSlots then makes one of null
// entries (0, count 0, when memory runs out), to be filled path by path.
int32_t PathInfoArray_SerializeHeader(ArchiveWriter& ar, const _PATH_INFO_ARRAY_* pArray);
int32_t PathInfoArray_SerializeHeader(ArchiveReader& ar, _PATH_INFO_ARRAY_** ppArray);
int32_t PathInfoArray_AllocateSlots(_PATH_INFO_ARRAY_* pArray);

// Decoding into a freshly default-constructed record.
int32_t PathInfo_Serialize(ArchiveReader& ar, _PATH_INFO_* pPathInfo);

}  // namespace mlvns

#endif  // MOLVAREN_ARCHIVE_PATH_STREAM_H_
