// Lists and paths for hosts that cannot allocate with the library's
// allocator (C through dlopen, Python through ctypes). Every record is made by
// model/ in the shape the core's Free exports release, and boxes go through
// the core's own box geometry, so no rule is written twice.
#include <cmath>
#include <cstdint>
#include <limits>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "companion/last_error.h"
#include "model/box_geometry.h"
#include "model/path_info_ops.h"
#include "model/records.h"
#include "platform/env.h"
#include "processing/dump.h"
#include "molvaren/molvaren_x.h"

namespace mlvns {
namespace {

[[noreturn]] void Fail(const std::string& sentence) { throw std::runtime_error(sentence); }

void NeedEmptyReference(const void* const* reference, const char* what) {
  if (reference == nullptr) Fail(std::string("the address of the ") + what + " reference is null");
  // Overwriting a live reference would leak what it holds.
  if (*reference != nullptr) Fail(std::string("the ") + what + " reference already holds one");
}

void NeedFrameShape(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) {
    Fail("the frame size must be positive, got " + std::to_string(width) + " x " +
         std::to_string(height));
  }
}

int32_t WholePixel(double value, int32_t i, const char* what) {
  if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<int32_t>::max() / 4) {
    Fail("box " + std::to_string(i) + " has an unusable " + what);
  }
  return static_cast<int32_t>(std::lround(value));
}

// Replaces the node list with copies of `nodes` whose frame indices are kept;
// PathNodeAppend sets the in and out frames and the time stamp.
void ReplaceNodes(_PATH_INFO_* path, const _PATH_NODE_* nodes, int32_t count) {
  PathInfo_FreeNodes(path);
  if (count > 0 && PathInfo_PathNodeAppend(path, nodes, count, 1) != 1) {
    Fail("the nodes could not be stored");
  }
  if (count == 0) {
    path->nPathInIndex = -1;
    path->nPathOutIndex = -1;
    PathInfo_AssignTimeStamp(path);
  }
}

void NeedAscendingFrames(const int32_t* frames, int32_t count) {
  for (int32_t i = 1; i < count; ++i) {
    // The lookup by frame reads nodes in ascending order.
    if (frames[i] <= frames[i - 1]) {
      Fail("frames must increase: entry " + std::to_string(i) + " (frame " +
           std::to_string(frames[i]) + ") follows frame " + std::to_string(frames[i - 1]));
    }
  }
}

// Collects the dump's lines instead of writing them out.
class TextEnv : public platform::EnvWrapper {
 public:
  TextEnv() : EnvWrapper(&ModuleEnv()) {}
  void DebugLine(const char* line) override {
    text_ += line;
    text_ += '\n';
  }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace
}  // namespace mlvns

using mlvns::_PATH_INFO_;
using mlvns::_PATH_INFO_ARRAY_;
using mlvns::_PATH_NODE_;
using mlvns::Fail;

extern "C" {

MLVRX_API int32_t MlvrX_PathInfoArray_New(_PATH_INFO_ARRAY_** ppArray) {
  return mlvns::CompanionCall([&] {
    mlvns::NeedEmptyReference(reinterpret_cast<const void* const*>(ppArray), "list");
    *ppArray = mlvns::NewPathInfoArray();
    if (*ppArray == nullptr) Fail("out of memory for a list");
    return 1;
  });
}

MLVRX_API int32_t MlvrX_PathInfo_New(_PATH_INFO_** ppPathInfo) {
  return mlvns::CompanionCall([&] {
    mlvns::NeedEmptyReference(reinterpret_cast<const void* const*>(ppPathInfo), "path");
    *ppPathInfo = mlvns::NewPathInfo();
    if (*ppPathInfo == nullptr) Fail("out of memory for a path");
    return 1;
  });
}

MLVRX_API int32_t MlvrX_PathNode_Defaults(_PATH_NODE_* pNodes, int32_t nCount) {
  return mlvns::CompanionCall([&] {
    if (nCount < 0) Fail("the node count is negative");
    if (nCount > 0 && pNodes == nullptr) Fail("the nodes are null");
    for (int32_t i = 0; i < nCount; ++i) pNodes[i] = _PATH_NODE_();
    return 1;
  });
}

MLVRX_API int32_t MlvrX_PathInfo_SetNodes(_PATH_INFO_* pPathInfo, const _PATH_NODE_* pNodes,
                                          int32_t nNodes) {
  return mlvns::CompanionCall([&] {
    if (pPathInfo == nullptr) Fail("the path is null");
    if (nNodes < 0) Fail("the node count is negative");
    if (nNodes > 0 && pNodes == nullptr) Fail("the nodes are null");
    for (int32_t i = 0; i < nNodes; ++i) {
      // PathNodeAppend copies as many bytes as a node says it has.
      if (pNodes[i].dwSize != mlvns::kNodeSize) {
        Fail("node " + std::to_string(i) + " has dwSize " + std::to_string(pNodes[i].dwSize) +
             ", not 60");
      }
    }
    mlvns::ReplaceNodes(pPathInfo, pNodes, nNodes);
    return 1;
  });
}

MLVRX_API int32_t MlvrX_PathInfo_SetBoxes(_PATH_INFO_* pPathInfo, const int32_t* pFrames,
                                          const double* pBoxes, const float* pConfidences,
                                          int32_t nBoxes, int32_t nFrameWidth,
                                          int32_t nFrameHeight) {
  return mlvns::CompanionCall([&] {
    if (pPathInfo == nullptr) Fail("the path is null");
    if (nBoxes < 0) Fail("the box count is negative");
    if (nBoxes > 0 && (pFrames == nullptr || pBoxes == nullptr)) Fail("the boxes are null");
    mlvns::NeedFrameShape(nFrameWidth, nFrameHeight);
    mlvns::NeedAscendingFrames(pFrames, nBoxes);
    std::unique_ptr<_PATH_NODE_[]> nodes(new _PATH_NODE_[nBoxes > 0 ? nBoxes : 1]);
    const MLVR_RECT frame = {0, 0, nFrameWidth, nFrameHeight};
    for (int32_t i = 0; i < nBoxes; ++i) {
      const double* box = pBoxes + 4 * static_cast<size_t>(i);
      const int32_t left = mlvns::WholePixel(box[0], i, "left");
      const int32_t top = mlvns::WholePixel(box[1], i, "top");
      const int32_t width = mlvns::WholePixel(box[2], i, "width");
      const int32_t height = mlvns::WholePixel(box[3], i, "height");
      if (width < 0 || height < 0) {
        Fail("box " + std::to_string(i) + " (frame " + std::to_string(pFrames[i]) +
             ") has a negative width or height");
      }
      mlvns::PathNode_Rect2PathNode({left, top, left + width, top + height}, frame, &nodes[i]);
      nodes[i].nFrameIndex = pFrames[i];
      if (pConfidences != nullptr) nodes[i].fConfidence = pConfidences[i];
    }
    // The boxes were measured in the whole picture: frame and video are one
    // shape, so conversion to other frames places the video without bars.
    pPathInfo->nFrameAspect = 2;
    pPathInfo->nFrameWidth = nFrameWidth;
    pPathInfo->nFrameHeight = nFrameHeight;
    pPathInfo->nVideoAspect = 2;
    pPathInfo->nVideoWidth = nFrameWidth;
    pPathInfo->nVideoHeight = nFrameHeight;
    mlvns::ReplaceNodes(pPathInfo, nodes.get(), nBoxes);
    mlvns::PathInfo_CorrectCtrlPtrBasedOnPathType(pPathInfo);
    return 1;
  });
}

MLVRX_API int32_t MlvrX_PathInfo_GetBoxes(const _PATH_INFO_* pPathInfo, int32_t nFrameWidth,
                                          int32_t nFrameHeight, int32_t* pFrames,
                                          int32_t* pBoxes, int32_t nCapacity) {
  return mlvns::CompanionCall([&] {
    if (pPathInfo == nullptr) Fail("the path is null");
    mlvns::NeedFrameShape(nFrameWidth, nFrameHeight);
    const int32_t count = pPathInfo->nTotalPathNodeNum;
    if (count < 0 || (count > 0 && pPathInfo->pPathNodes == nullptr)) {
      Fail("the path's node list is inconsistent");
    }
    if (count > nCapacity) {
      Fail("room for " + std::to_string(nCapacity) + " boxes, the path has " +
           std::to_string(count));
    }
    if (count > 0 && pBoxes == nullptr) Fail("the box buffer is null");
    const MLVR_RECT frame = {0, 0, nFrameWidth, nFrameHeight};
    for (int32_t i = 0; i < count; ++i) {
      MLVR_RECT rc{};
      mlvns::PathNode_PathNode2Rect(&pPathInfo->pPathNodes[i], frame, &rc);
      int32_t* box = pBoxes + 4 * static_cast<size_t>(i);
      box[0] = rc.left;
      box[1] = rc.top;
      box[2] = rc.right - rc.left;
      box[3] = rc.bottom - rc.top;
      if (pFrames != nullptr) pFrames[i] = pPathInfo->pPathNodes[i].nFrameIndex;
    }
    return 1;
  });
}

MLVRX_API int32_t MlvrX_DumpPathInfosText(const _PATH_INFO_* pPathInfos, int32_t nCount,
                                          const char* pszComment, char* pBuffer,
                                          uint32_t nCapacity, uint32_t* pnBytes) {
  return mlvns::CompanionCall([&] {
    if (pPathInfos == nullptr) Fail("the paths are null");
    mlvns::TextEnv sink;
    mlvns::DumpPathInfos(sink, pPathInfos, nCount, pszComment);
    const std::string& text = sink.text();
    const uint32_t needed = static_cast<uint32_t>(text.size() + 1);
    if (pnBytes != nullptr) *pnBytes = needed;
    if (pBuffer != nullptr) {
      if (nCapacity < needed) {
        Fail("the text needs " + std::to_string(needed) + " bytes, the buffer has " +
             std::to_string(nCapacity));
      }
      std::memcpy(pBuffer, text.c_str(), needed);
    }
    return 1;
  });
}

}  // extern "C"
