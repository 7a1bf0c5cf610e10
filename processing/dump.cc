#include "processing/dump.h"

#include "model/records.h"
#include "platform/trace.h"

namespace mlvns {
namespace {
constexpr int32_t kHeaderSize = 8;
}  // namespace

int32_t DumpPathInfos(platform::Env& env, const _PATH_INFO_* pPathInfos, int32_t nCount,
                      const char* pszComment) {
  if (pPathInfos == nullptr) return 0;
  DebugPrint(env, "==== Begin dump path info ==== [%s]",
             pszComment != nullptr ? pszComment : "No comment");
  DebugPrint(env, "==> Header size: %d", kHeaderSize);
  DebugPrint(env, "==> nTotalPathInfoNum: %d", nCount);
  // The size figure is a 32-bit sum; it wraps rather than overflowing.
  uint32_t size = kHeaderSize;
  for (int32_t i = 0; i < nCount; ++i) {
    const _PATH_INFO_& info = pPathInfos[i];
    DebugPrint(
        env,
        "    %04d (path info nIdx), nPathInIndex: %d, nPathOutIndex: %d, nTotalPathNodeNum: %d, "
        "node size: %d",
        i, info.nPathInIndex, info.nPathOutIndex, info.nTotalPathNodeNum,
        static_cast<int>(kPathInfoSize));
    size += kPathInfoSize;
    // A positive count without an array lists no nodes.
    const int32_t nodes = info.pPathNodes != nullptr ? info.nTotalPathNodeNum : 0;
    for (int32_t j = 0; j < nodes; ++j) {
      const _PATH_NODE_& node = info.pPathNodes[j];
      DebugPrint(
          env,
          "        %04d (node nIdx), nFrameIndex: %d, fConfidence: %f, fXPos: %f, fYPos: %f, "
          "fWidth: %f, fHeight: %f, node size: %d, dwSize: %d",
          j, node.nFrameIndex, static_cast<double>(node.fConfidence),
          static_cast<double>(node.fXPos), static_cast<double>(node.fYPos),
          static_cast<double>(node.fWidth), static_cast<double>(node.fHeight),
          static_cast<int>(kNodeSize), static_cast<int>(node.dwSize));
      size += kNodeSize;
    }
  }
  DebugPrint(env, "==> nSizeOfpPathInfo: %d", static_cast<int32_t>(size));
  DebugPrint(env, "==== End dump path info ====");
  return 1;
}

}  // namespace mlvns
