#include "model/path_info_ops.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/records.h"
#include "platform/env.h"

namespace mlvns {
namespace {

void ReleaseExtraNode(_PATH_INFO_* p) {
  if (p->bHasExtraNode != 0 && p->pExtraNode != nullptr) DeleteNodes(p->pExtraNode);
  p->pExtraNode = nullptr;
}

void ReleaseNodeArray(_PATH_INFO_* p) {
  p->nTotalPathNodeNum = 0;
  DeleteNodes(p->pPathNodes);
  p->pPathNodes = nullptr;
}

// Copies a NUL-terminated text of at most `limit` characters.
std::string BoundedText(const char* field, size_t limit) {
  size_t n = 0;
  while (n < limit && field[n] != '\0') ++n;
  return std::string(field, n);
}

void WriteText(char* field, const std::string& text) {
  std::memcpy(field, text.c_str(), text.size() + 1);
}

// Number of nodes the source really offers: none when its array is missing.
int32_t SourceNodeCount(const _PATH_INFO_* p) {
  return (p->pPathNodes != nullptr && p->nTotalPathNodeNum > 0) ? p->nTotalPathNodeNum : 0;
}

}  // namespace

int32_t PathInfo_AssignGUID(_PATH_INFO_* pPathInfo) {
  if (pPathInfo == nullptr) return 0;
  std::string text = ModuleEnv().NewGuidText();
  if (text.size() >= sizeof pPathInfo->szGUID) text.clear();
  WriteText(pPathInfo->szGUID, text);
  return 1;
}

int32_t PathInfo_AssignTimeStamp(_PATH_INFO_* pPathInfo) {
  if (pPathInfo == nullptr) return 0;
  platform::LocalTime t = ModuleEnv().CurrentLocalTime();
  char text[260] = {};
  std::snprintf(text, sizeof text, "%04d%02d%02d.%02d%02d%02d.%03d", t.year, t.month, t.day,
                t.hour, t.minute, t.second, t.millisecond);
  size_t n = std::strlen(text);
  if (n >= sizeof pPathInfo->szTimeStamp) n = sizeof pPathInfo->szTimeStamp - 1;
  std::memcpy(pPathInfo->szTimeStamp, text, n);
  pPathInfo->szTimeStamp[n] = '\0';
  return 1;
}

int32_t PathInfo_FreeInfos(_PATH_INFO_** ppInfos, int32_t nCount) {
  if (ppInfos == nullptr || *ppInfos == nullptr) return 0;
  _PATH_INFO_* block = *ppInfos;
  for (int32_t i = 0; i < nCount; ++i) {
    _PATH_INFO_* p = &block[i];
    if (p->nTotalPathNodeNum != 0) DeleteNodes(p->pPathNodes);
    p->pPathNodes = nullptr;
    if (p->bHasExtraNode != 0 && p->pExtraNode != nullptr) {
      DeleteNodes(p->pExtraNode);
      p->pExtraNode = nullptr;
    }
  }
  delete[] block;
  *ppInfos = nullptr;
  return 1;
}

int32_t PathInfo_FreeNodes(_PATH_INFO_* pPathInfo) {
  if (pPathInfo == nullptr) return 0;
  ReleaseNodeArray(pPathInfo);
  return 1;
}

void PathInfo_Release(_PATH_INFO_* pPathInfo) {
  if (pPathInfo != nullptr) PathInfo_FreeInfos(&pPathInfo, 1);
}

int32_t PathInfo_Clone(_PATH_INFO_* pDst, const _PATH_INFO_* pSrc, int32_t bCopyIdentity,
                       const CUIntArray* pExcludeNodes) {
  if (pDst == nullptr || pSrc == nullptr) return 1;

  // A record cloned onto itself goes through a temporary under a fresh
  // identity, so that the source survives emptying the destination.
  _PATH_INFO_* temp = nullptr;
  if (pDst == pSrc) {
    temp = NewPathInfo();
    if (temp == nullptr) return 1;
    PathInfo_AssignGUID(temp);
    PathInfo_AssignTimeStamp(temp);
    PathInfo_Clone(temp, pSrc, 0, nullptr);
    pSrc = temp;
  }

  ReleaseNodeArray(pDst);

  const bool wholeCopy = pDst->dwSize >= pSrc->dwSize;
  std::string ownGuid, ownStamp;
  if (wholeCopy) {
    // The copy drops the pointer to the old extra node; release it first.
    ReleaseExtraNode(pDst);
    if (bCopyIdentity == 0) {
      ownGuid = BoundedText(pDst->szGUID, 38);
      ownStamp = BoundedText(pDst->szTimeStamp, 19);
    }
  }
  CopyPathInfoGuarded(pDst, pSrc);
  if (wholeCopy && bCopyIdentity == 0) {
    WriteText(pDst->szGUID, ownGuid);
    WriteText(pDst->szTimeStamp, ownStamp);
  }

  // Excluded source indices, as a mark per node; entries that name no node
  // mark nothing.
  const int32_t srcCount = SourceNodeCount(pSrc);
  std::vector<bool> excluded;
  int64_t count = srcCount;
  if (pExcludeNodes != nullptr) {
    intptr_t listed = pExcludeNodes->m_pData != nullptr && pExcludeNodes->m_nSize > 0
                          ? pExcludeNodes->m_nSize
                          : 0;
    count -= listed;
    excluded.assign(static_cast<size_t>(srcCount), false);
    for (intptr_t i = 0; i < listed; ++i) {
      uint32_t idx = pExcludeNodes->m_pData[i];
      if (idx < static_cast<uint32_t>(srcCount)) excluded[idx] = true;
    }
  }
  if (count < 0) count = 0;

  pDst->nTotalPathNodeNum = 0;
  if (count >= 1) {
    _PATH_NODE_* nodes = NewNodes(static_cast<size_t>(count));
    if (nodes != nullptr) {
      int64_t out = 0;
      for (int32_t i = 0; i < srcCount && out < count; ++i) {
        if (!excluded.empty() && excluded[static_cast<size_t>(i)]) continue;
        CopyNodeGuarded(&nodes[out++], &pSrc->pPathNodes[i]);
      }
      pDst->pPathNodes = nodes;
      pDst->nTotalPathNodeNum = static_cast<int32_t>(count);
    }
  }

  if (pSrc->bHasExtraNode != 0 && pSrc->pExtraNode != nullptr) {
    ReleaseExtraNode(pDst);
    _PATH_NODE_* extra = NewNodes(1);
    if (extra != nullptr) {
      CopyNodeGuarded(extra, pSrc->pExtraNode);
      pDst->pExtraNode = extra;
      // After a partial record copy the flag is still the destination's own;
      // the record now holds a node, so say so (and free it later).
      if (pDst->bHasExtraNode == 0) pDst->bHasExtraNode = 1;
    }
  }

  if (pExcludeNodes != nullptr) PathInfo_AssignTimeStamp(pDst);

  if (temp != nullptr) PathInfo_Release(temp);
  return 1;
}

int32_t PathInfo_PathNodeAppend(_PATH_INFO_* pPathInfo, const _PATH_NODE_* pNodes,
                                int32_t nNumNodes, int32_t bKeepFrameIndex) {
  if (pPathInfo == nullptr) ModuleEnv().DebugLine("pPathInfo == NULL\n");
  if (pNodes == nullptr) ModuleEnv().DebugLine("pNodes == NULL\n");
  if (pPathInfo == nullptr || pNodes == nullptr) return 0;
  if (nNumNodes < 0) return 0;

  const int32_t oldCount = SourceNodeCount(pPathInfo);
  // A path without nodes numbers appended nodes from 0.
  const uint32_t start =
      oldCount > 0 ? static_cast<uint32_t>(pPathInfo->pPathNodes[oldCount - 1].nFrameIndex) + 1u
                   : 0u;
  const int64_t newCount = static_cast<int64_t>(oldCount) + nNumNodes;
  if (newCount > INT32_MAX) return 0;

  // Nodes taken from the path's own array must outlive its release below.
  std::vector<_PATH_NODE_> ownNodes;
  if (oldCount > 0) {
    auto first = reinterpret_cast<uintptr_t>(pPathInfo->pPathNodes);
    auto last = first + static_cast<uintptr_t>(oldCount) * sizeof(_PATH_NODE_);
    auto given = reinterpret_cast<uintptr_t>(pNodes);
    auto givenEnd = given + static_cast<uintptr_t>(nNumNodes) * sizeof(_PATH_NODE_);
    if (given < last && givenEnd > first) {
      ownNodes.assign(pNodes, pNodes + nNumNodes);
      pNodes = ownNodes.data();
    }
  }

  _PATH_INFO_* temp = NewPathInfo();
  if (temp == nullptr) return 0;
  PathInfo_Clone(temp, pPathInfo, 1, nullptr);
  ReleaseNodeArray(pPathInfo);

  if (newCount >= 1) {
    _PATH_NODE_* nodes = NewNodes(static_cast<size_t>(newCount));
    if (nodes != nullptr) {
      const int32_t kept = SourceNodeCount(temp);
      for (int32_t i = 0; i < kept; ++i) CopyNodeGuarded(&nodes[i], &temp->pPathNodes[i]);
      for (int32_t i = 0; i < nNumNodes; ++i) {
        _PATH_NODE_* out = &nodes[kept + i];
        const _PATH_NODE_& in = pNodes[i];
        size_t n = in.dwSize < sizeof(_PATH_NODE_) ? in.dwSize : sizeof(_PATH_NODE_);
        std::memcpy(out, &in, n);
        if (bKeepFrameIndex == 0) {
          out->nFrameIndex = static_cast<int32_t>(start + static_cast<uint32_t>(i));
        }
      }
      pPathInfo->pPathNodes = nodes;
      pPathInfo->nTotalPathNodeNum = static_cast<int32_t>(newCount);
      pPathInfo->nPathInIndex = nodes[0].nFrameIndex;
      pPathInfo->nPathOutIndex = nodes[newCount - 1].nFrameIndex;
    }
  }

  PathInfo_AssignTimeStamp(pPathInfo);
  PathInfo_Release(temp);
  return 1;
}

}  // namespace mlvns
