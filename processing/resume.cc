#include "processing/resume.h"

#include <algorithm>
#include <cstring>

#include "model/path_info_ops.h"
#include "model/records.h"
#include "platform/trace.h"

namespace mlvns {
namespace {

constexpr uint32_t kFourRunTrack = 403;

bool HasNodes(const _PATH_INFO_* p) {
  return p->nTotalPathNodeNum > 0 && p->pPathNodes != nullptr;
}

bool KeysMatch(const _PATH_INFO_* a, const _PATH_INFO_* b) {
  return a->dwMatchKey1 == b->dwMatchKey1 && a->dwMatchKey2 == b->dwMatchKey2 &&
         a->dwMatchKey3 == b->dwMatchKey3;
}

int32_t FirstFrame(const _PATH_INFO_* p) { return p->pPathNodes[0].nFrameIndex; }
int32_t LastFrame(const _PATH_INFO_* p) {
  return p->pPathNodes[p->nTotalPathNodeNum - 1].nFrameIndex;
}

}  // namespace

int32_t PathInfo_ResumFromAnother(_PATH_INFO_* pDst, const _PATH_INFO_* pSrc) {
  if (pDst == nullptr || pSrc == nullptr) return 0;
  if (pDst == pSrc) return 1;
  if (!HasNodes(pDst) || !HasNodes(pSrc)) return 0;

  const int32_t firstDst = FirstFrame(pDst);
  const int32_t firstSrc = FirstFrame(pSrc);
  if (firstSrc <= firstDst) {
    PathInfo_Clone(pDst, pSrc, 0, nullptr);
    return 1;
  }
  if (!KeysMatch(pDst, pSrc)) return 0;

  // firstSrc > firstDst, so firstSrc - 1 cannot overflow.
  const int32_t lastKept = firstSrc - 1;
  const int32_t dstCount = pDst->nTotalPathNodeNum;
  int32_t k = 0;
  while (k < dstCount && pDst->pPathNodes[k].nFrameIndex <= lastKept) ++k;
  const int32_t srcCount = pSrc->nTotalPathNodeNum;
  const int64_t total = static_cast<int64_t>(k) + srcCount;
  if (total > INT32_MAX) return 0;
  _PATH_NODE_* nodes = NewNodes(static_cast<size_t>(total));
  if (nodes == nullptr) return 0;

  _PATH_INFO_* temp = NewPathInfo();
  if (temp == nullptr) {
    DeleteNodes(nodes);
    return 0;
  }
  PathInfo_Clone(temp, pDst, 1, nullptr);
  PathInfo_FreeNodes(pDst);

  int32_t out = 0;
  for (int32_t i = 0; i < temp->nTotalPathNodeNum && temp->pPathNodes != nullptr; ++i) {
    if (temp->pPathNodes[i].nFrameIndex > lastKept || out == k) break;
    CopyNodeGuarded(&nodes[out++], &temp->pPathNodes[i]);
  }
  for (int32_t i = 0; i < srcCount; ++i) CopyNodeGuarded(&nodes[out++], &pSrc->pPathNodes[i]);

  pDst->pPathNodes = nodes;
  pDst->nTotalPathNodeNum = out;
  pDst->nPathInIndex = nodes[0].nFrameIndex;
  pDst->nPathOutIndex = LastFrame(pSrc);
  PathInfo_AssignTimeStamp(pDst);
  PathInfo_Release(temp);
  return 1;
}

int32_t PathInfo_ResumFromAnother2(int32_t nRun, _PATH_INFO_* pDst, const _PATH_INFO_* pSrc) {
  if (pDst == nullptr || pSrc == nullptr) return 0;
  if (pDst == pSrc || pSrc->nTotalPathNodeNum <= 0) return 1;
  if (!HasNodes(pDst) || pSrc->pPathNodes == nullptr) return 0;

  const int32_t count = pDst->nTotalPathNodeNum;
  const bool fourRuns = pDst->nTrackType == kFourRunTrack;
  const int32_t L = fourRuns ? count >> 2 : count;
  const int32_t runs = fourRuns ? 4 : 1;
  if (nRun < 0 || nRun >= runs || L < 1) return 0;
  const int32_t start = L * nRun;
  const int32_t end = start + L;

  _PATH_NODE_* slots = pDst->pPathNodes;
  const int32_t firstRun = slots[start].nFrameIndex;
  const int32_t lastRun = slots[end - 1].nFrameIndex;
  const int32_t firstSrc = FirstFrame(pSrc);
  const int32_t lastSrc = LastFrame(pSrc);

  if (!KeysMatch(pDst, pSrc)) return 0;
  if (firstRun > firstSrc) {
    PathInfo_AssignTimeStamp(pDst);
    return 1;
  }
  const int64_t span = static_cast<int64_t>(std::max(lastRun, lastSrc)) -
                       std::min(firstRun, firstSrc) + 1;
  if (span > L) {
    // The run cannot hold both frame ranges: every run goes.
    PathInfo_FreeNodes(pDst);
    PathInfo_AssignTimeStamp(pDst);
    return 1;
  }

  DebugPrint("========== resume [%d:%d] ==========\n", start, end);
  int32_t pos = start;
  while (pos < end && slots[pos].nFrameIndex < firstSrc) ++pos;
  for (int32_t i = 0; i < pSrc->nTotalPathNodeNum && pos < end; ++i) {
    const _PATH_NODE_& node = pSrc->pPathNodes[i];
    DebugPrint("[%d:%d] -> [%d:%d]\n", i, node.nFrameIndex, pos, slots[pos].nFrameIndex);
    if (node.nFrameIndex == slots[pos].nFrameIndex) {
      std::memcpy(&slots[pos++], &node, sizeof node);
    } else if (node.nFrameIndex > slots[pos].nFrameIndex) {
      std::memcpy(&slots[pos++], &node, sizeof node);
      while (pos < end && node.nFrameIndex >= slots[pos].nFrameIndex) {
        std::memcpy(&slots[pos++], &node, sizeof node);
      }
    }
  }
  PathInfo_AssignTimeStamp(pDst);
  return 1;
}

}  // namespace mlvns
