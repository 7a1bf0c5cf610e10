#include "archive/path_stream.h"

#include <cstring>
#include <new>

#include "model/path_info_array.h"
#include "model/path_info_ops.h"
#include "model/records.h"

namespace mlvns {
namespace {

// The smallest a record can be in the stream is its size field.
constexpr uint64_t kMinRecordBytes = 4;

// Reads one record led by its size into `record` (of `known` bytes, holding
// its defaults): short ones keep defaults for the rest, longer ones have
// their surplus skipped. The size field is left as read.
bool ReadSizedRecord(ArchiveReader& ar, void* record, uint32_t known) {
  uint32_t size;
  if (!ar.ReadU32(&size)) return false;
  std::memcpy(record, &size, 4);
  if (size < 4) return false;
  auto* bytes = static_cast<uint8_t*>(record);
  if (size <= known) {
    ar.Read(bytes + 4, size - 4);
  } else {
    ar.Read(bytes + 4, known - 4);
    ar.Skip(size - known);
  }
  return true;
}

bool ReadNode(ArchiveReader& ar, _PATH_NODE_* node) {
  // The common case, a full node, moves as one block.
  if (ar.Remaining() >= kNodeSize) {
    uint32_t size;
    std::memcpy(&size, ar.Current(), 4);
    if (size == kNodeSize) {
      ar.Read(node, kNodeSize);
      return true;
    }
  }
  if (!ReadSizedRecord(ar, node, kNodeSize)) return false;
  node->dwSize = kNodeSize;
  return true;
}

void WriteNode(uint8_t* out, const _PATH_NODE_& node) {
  std::memcpy(out, &node, kNodeSize);
  std::memcpy(out, &kNodeSize, 4);
}

}  // namespace

uint64_t PathInfo_EncodedSize(const _PATH_INFO_* p) {
  if (p == nullptr || p->nTotalPathNodeNum < 0) return 0;
  if (p->nTotalPathNodeNum > 0 && p->pPathNodes == nullptr) return 0;
  if (p->bHasExtraNode != 0 && p->pExtraNode == nullptr) return 0;
  uint64_t size = kPathInfoFileSize + uint64_t{kNodeSize} * static_cast<uint64_t>(p->nTotalPathNodeNum);
  if (p->bHasExtraNode != 0) size += kNodeSize;
  return size;
}

uint64_t PathInfoArray_EncodedSize(const _PATH_INFO_ARRAY_* a) {
  if (a == nullptr) return 0;
  uint64_t size = kArraySize;
  const int32_t n = a->nNumOfPathInfos;
  if (n > 0 && a->ppPathInfos == nullptr) return 0;
  for (int32_t i = 0; i < n; ++i) {
    uint64_t one = PathInfo_EncodedSize(a->ppPathInfos[i]);
    if (one == 0) return 0;
    size += one;
  }
  return size;
}

int32_t PathInfo_Serialize(ArchiveWriter& ar, const _PATH_INFO_* p) {
  uint64_t size = PathInfo_EncodedSize(p);
  if (size == 0 || size > ar.Remaining()) return 0;
  uint8_t* out = ar.Reserve(static_cast<size_t>(size));
  _PATH_INFO_FILE_ stored;
  PathInfoToStored(*p, &stored);
  std::memcpy(out, &stored, kPathInfoFileSize);
  out += kPathInfoFileSize;
  for (int32_t i = 0; i < p->nTotalPathNodeNum; ++i, out += kNodeSize) {
    WriteNode(out, p->pPathNodes[i]);
  }
  if (p->bHasExtraNode != 0) WriteNode(out, *p->pExtraNode);
  return 1;
}

int32_t PathInfoArray_SerializeHeader(ArchiveWriter& ar, const _PATH_INFO_ARRAY_* a) {
  if (a == nullptr || ar.Remaining() < kArraySize) return 0;
  // The header's own bytes, its size field as written by this library, the
  // pointer and the alignment byte zero.
  _PATH_INFO_ARRAY_ header;
  std::memcpy(static_cast<void*>(&header), a, kArraySize);
  header.dwSize = kArraySize;
  header.ppPathInfos = nullptr;
  reinterpret_cast<uint8_t*>(&header)[55] = 0;
  ar.Write(&header, kArraySize);
  return 1;
}

int32_t PathInfoArray_Serialize(ArchiveWriter& ar, _PATH_INFO_ARRAY_** ppArray) {
  if (ppArray == nullptr || *ppArray == nullptr) return 0;
  const _PATH_INFO_ARRAY_* a = *ppArray;
  uint64_t size = PathInfoArray_EncodedSize(a);
  if (size == 0 || size > ar.Remaining()) return 0;
  PathInfoArray_SerializeHeader(ar, a);
  for (int32_t i = 0; i < a->nNumOfPathInfos; ++i) {
    if (PathInfo_Serialize(ar, a->ppPathInfos[i]) == 0) return 0;
  }
  return 1;
}

int32_t PathInfo_Serialize(ArchiveReader& ar, _PATH_INFO_* p) {
  if (p == nullptr) return 0;
  _PATH_INFO_FILE_ stored;
  if (!ReadSizedRecord(ar, &stored, kPathInfoFileSize)) return 0;
  PathInfoFromStored(stored, p);

  const int32_t m = p->nTotalPathNodeNum;
  if (m < 0) return 0;
  if (m > 0) {
    // Every node needs at least its size field: a count the rest of the
    // stream cannot hold fails before anything is allocated.
    if (static_cast<uint64_t>(m) * kMinRecordBytes > ar.Remaining()) {
      p->nTotalPathNodeNum = 0;
      return 0;
    }
    p->pPathNodes = NewNodes(static_cast<size_t>(m));
    if (p->pPathNodes == nullptr) {
      p->nTotalPathNodeNum = 0;
      return 0;
    }
    for (int32_t i = 0; i < m; ++i) {
      if (!ReadNode(ar, &p->pPathNodes[i])) return 0;
    }
  }
  if (p->bHasExtraNode != 0) {
    if (ar.Remaining() < kMinRecordBytes) return 0;
    p->pExtraNode = NewNodes(1);
    if (p->pExtraNode == nullptr) return 0;
    if (!ReadNode(ar, p->pExtraNode)) return 0;
  }
  return 1;
}

int32_t PathInfoArray_SerializeHeader(ArchiveReader& ar, _PATH_INFO_ARRAY_** ppArray) {
  if (ppArray == nullptr) return 0;
  if (*ppArray == nullptr) {
    *ppArray = NewPathInfoArray();
    if (*ppArray == nullptr) return 0;
  } else {
    _PATH_INFO_ARRAY_* a = *ppArray;
    PathInfoArray_FreePaths(a);
    delete[] a->ppPathInfos;
    a->ppPathInfos = nullptr;
    a->nNumOfPathInfos = 0;
  }
  _PATH_INFO_ARRAY_* a = *ppArray;

  // Read over a copy so that the pointer the bytes carry never lands in the
  // list, then keep the header's own fields.
  _PATH_INFO_ARRAY_ header;
  std::memcpy(static_cast<void*>(&header), a, kArraySize);
  bool ok = ReadSizedRecord(ar, &header, kArraySize);
  header.ppPathInfos = nullptr;
  std::memcpy(static_cast<void*>(a), &header, kArraySize);
  if (!ok) return 0;
  a->dwSize = kArraySize;
  return 1;
}

int32_t PathInfoArray_AllocateSlots(_PATH_INFO_ARRAY_* a) {
  a->ppPathInfos = new (std::nothrow) _PATH_INFO_*[static_cast<size_t>(a->nNumOfPathInfos)]();
  if (a->ppPathInfos != nullptr) return 1;
  a->nNumOfPathInfos = 0;
  return 0;
}

int32_t PathInfoArray_Serialize(ArchiveReader& ar, _PATH_INFO_ARRAY_** ppArray) {
  if (PathInfoArray_SerializeHeader(ar, ppArray) == 0) return 0;
  _PATH_INFO_ARRAY_* a = *ppArray;
  const int32_t n = a->nNumOfPathInfos;
  if (n < 1) return 1;
  if (static_cast<uint64_t>(n) * kMinRecordBytes > ar.Remaining()) {
    a->nNumOfPathInfos = 0;
    return 0;
  }
  if (PathInfoArray_AllocateSlots(a) == 0) return 0;
  for (int32_t i = 0; i < a->nNumOfPathInfos; ++i) {
    a->ppPathInfos[i] = NewPathInfo();
    if (a->ppPathInfos[i] == nullptr) return 0;
    if (PathInfo_Serialize(ar, a->ppPathInfos[i]) == 0) return 0;
  }
  return 1;
}

}  // namespace mlvns
