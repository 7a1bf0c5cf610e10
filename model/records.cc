#include "model/records.h"

#include <cstring>
#include <new>

namespace mlvns {
namespace {
constexpr size_t kSharedPrefix = offsetof(_PATH_INFO_, pPathNodes);  // 416
constexpr size_t kBlockStart = offsetof(_PATH_INFO_, dwReserved3);   // 448
constexpr size_t kBlockEnd = offsetof(_PATH_INFO_, nTrackType);      // 528
constexpr size_t kStoredBlockStart = offsetof(_PATH_INFO_FILE_, dwReserved3);  // 436
}  // namespace

void PathInfoToStored(const _PATH_INFO_& info, _PATH_INFO_FILE_* stored) {
  *stored = _PATH_INFO_FILE_();
  std::memcpy(static_cast<void*>(stored), &info, kSharedPrefix);
  std::memset(stored->abAlign1, 0, sizeof stored->abAlign1);
  std::memset(stored->abAlign2, 0, sizeof stored->abAlign2);
  stored->dwSize = kPathInfoFileSize;
  stored->dwReservedLow = static_cast<uint32_t>(info.pReserved);
  stored->dwReserved2 = info.dwReserved2;
  stored->bHasExtraNode = info.bHasExtraNode;
  std::memcpy(reinterpret_cast<char*>(static_cast<void*>(stored)) + kStoredBlockStart,
              reinterpret_cast<const char*>(&info) + kBlockStart, kBlockEnd - kBlockStart);
  stored->abAlign3[0] = 0;
  stored->nTrackType = info.nTrackType;
  stored->nTrackParam = info.nTrackParam;
}

void PathInfoFromStored(const _PATH_INFO_FILE_& stored, _PATH_INFO_* info) {
  std::memcpy(static_cast<void*>(info), &stored, kSharedPrefix);
  info->pPathNodes = nullptr;
  info->pReserved = stored.dwReservedLow;
  info->dwReserved2 = stored.dwReserved2;
  info->bHasExtraNode = stored.bHasExtraNode;
  info->pExtraNode = nullptr;
  std::memcpy(reinterpret_cast<char*>(info) + kBlockStart,
              reinterpret_cast<const char*>(&stored) + kStoredBlockStart, kBlockEnd - kBlockStart);
  info->nTrackType = stored.nTrackType;
  info->nTrackParam = stored.nTrackParam;
  info->dwSize = kPathInfoSize;
}

void CopyNodeGuarded(_PATH_NODE_* dst, const _PATH_NODE_* src) {
  if (dst->dwSize == src->dwSize) {
    size_t n = src->dwSize < sizeof(_PATH_NODE_) ? src->dwSize : sizeof(_PATH_NODE_);
    std::memcpy(dst, src, n);
  } else {
    dst->fXPos = src->fXPos;
  }
}

bool CopyPathInfoGuarded(_PATH_INFO_* dst, const _PATH_INFO_* src) {
  if (dst->dwSize >= src->dwSize) {
    size_t n = src->dwSize < sizeof(_PATH_INFO_) ? src->dwSize : sizeof(_PATH_INFO_);
    std::memcpy(static_cast<void*>(dst), src, n);
    dst->pPathNodes = nullptr;
    dst->pExtraNode = nullptr;
    return true;
  }
  dst->dwMatchKey1 = src->dwMatchKey1;
  return false;
}

// Value-initialised so that the alignment bytes are zero too.
_PATH_INFO_* NewPathInfo() { return new (std::nothrow) _PATH_INFO_[1](); }

_PATH_NODE_* NewNodes(size_t count) { return new (std::nothrow) _PATH_NODE_[count]; }

_PATH_INFO_ARRAY_* NewPathInfoArray() { return new (std::nothrow) _PATH_INFO_ARRAY_(); }

void DeleteNodes(_PATH_NODE_* nodes) { delete[] nodes; }

}  // namespace mlvns
