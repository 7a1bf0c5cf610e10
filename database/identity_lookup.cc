// Finding a path by its identity in a folder, and its box at a frame in the
// caller's frame shape and turn.
#include <cstring>

#include "database/database.h"
#include "database/database_keys.h"
#include "module/trace.h"
#include "platform/platform.h"
#include "processing/node_conversion.h"

namespace mlvns {
namespace {

// The node for frame f: the first or last node outside the path's range, an
// exact match, or the box between the nodes before and after.
void SelectNode(const _PATH_INFO_& path, int32_t f, _PATH_NODE_* out) {
  const int32_t n = path.nTotalPathNodeNum;
  const _PATH_NODE_* nodes = path.pPathNodes;
  if (f <= nodes[0].nFrameIndex) {
    *out = nodes[0];
    return;
  }
  if (f >= nodes[n - 1].nFrameIndex) {
    *out = nodes[n - 1];
    return;
  }
  const _PATH_NODE_* before = nullptr;
  const _PATH_NODE_* after = nullptr;
  for (int32_t i = 0; i < n; ++i) {
    if (nodes[i].nFrameIndex == f) {
      *out = nodes[i];
      return;
    }
    if (nodes[i].nFrameIndex < f) {
      before = &nodes[i];
    } else {
      after = &nodes[i];
    }
    if (before != nullptr && after != nullptr) break;
  }
  if (before == nullptr || after == nullptr) return;
  // Widened so that frames far apart cannot overflow.
  const int64_t d = int64_t{after->nFrameIndex} - before->nFrameIndex;
  if (d <= 0) return;
  const float t = static_cast<float>(int64_t{f} - before->nFrameIndex) / static_cast<float>(d);
  out->fXPos = (after->fXPos - before->fXPos) * t + before->fXPos;
  out->fYPos = (after->fYPos - before->fYPos) * t + before->fYPos;
  out->fWidth = (after->fWidth - before->fWidth) * t + before->fWidth;
  out->fHeight = (after->fHeight - before->fHeight) * t + before->fHeight;
}

// True when the target frame is the path's own: same turn and same shape.
bool IsOwnFrame(const _PATH_INFO_& path, MLVR_SIZE target, float fTargetRotation) {
  if (!(fTargetRotation == path.fRotation)) return false;
  switch (path.nFrameAspect) {
    case 0:
      if (static_cast<double>(target.cx) / static_cast<double>(target.cy) != 16.0 / 9.0)
        return false;
      Trace("  16:9");
      return true;
    case 1:
      if (static_cast<double>(target.cx) / static_cast<double>(target.cy) != 4.0 / 3.0)
        return false;
      Trace("  4:3");
      return true;
    case 2:
      if (static_cast<float>(target.cx) / static_cast<float>(target.cy) !=
          static_cast<float>(path.nFrameWidth) / static_cast<float>(path.nFrameHeight))
        return false;
      Trace("  1:1");
      return true;
    default:
      return false;
  }
}

}  // namespace

int32_t CMlvrDataBase::fnGetPathInfoByGUID(const char* pszDataBaseFolder, const char* pszGUID,
                                           _PATH_INFO_** ppPathInfo, char* pszAssociateFile) {
  if (pszDataBaseFolder == nullptr || pszGUID == nullptr) return 0;
  const std::string key = FolderKey(pszDataBaseFolder);
  fnLoadDataBase(pszDataBaseFolder);
  auto folder = m_mapFolders.find(key);
  if (folder == m_mapFolders.end()) return 0;
  for (auto& slot : folder->second) {
    _DATABASE_FILE_INFO_& entry = *slot.second;
    if (entry.pdsPathInfoArray == nullptr &&
        platform::PathExists(PathFileOf(key, entry).c_str()))
      LoadList(key, &entry);
    const _PATH_INFO_ARRAY_* list = entry.pdsPathInfoArray;
    if (list == nullptr || list->ppPathInfos == nullptr) continue;
    for (int32_t i = 0; i < list->nNumOfPathInfos; ++i) {
      _PATH_INFO_* path = list->ppPathInfos[i];
      if (path == nullptr || std::strcmp(path->szGUID, pszGUID) != 0) continue;
      if (ppPathInfo != nullptr) *ppPathInfo = path;
      // The caller's buffer holds 260 bytes at least; a longer key is cut.
      CopyCut(slot.first, pszAssociateFile, kAssociateKeyRoom);
      return 1;
    }
  }
  return 0;
}

int32_t CMlvrDataBase::fnGetPathNodeByGUID(const char* pszDataBaseFolder, const char* pszGUID,
                                           int32_t nFrameIndex, MLVR_SIZE szTarget,
                                           float fTargetRotation, _PATH_NODE_* pNode,
                                           char* pszAssociateFile, int32_t nMode) {
  Trace("fnGetPathNodeByGUID");
  _PATH_INFO_* path = nullptr;
  if (fnGetPathInfoByGUID(pszDataBaseFolder, pszGUID, &path, pszAssociateFile) == 0) return 0;
  if (path->nTotalPathNodeNum < 1 || path->pPathNodes == nullptr || pNode == nullptr) return 0;
  SelectNode(*path, nFrameIndex, pNode);
  if (IsOwnFrame(*path, szTarget, fTargetRotation)) return 1;
  Trace("  sfnPathInfo_ConvertPathNodeInfo");
  ConvertPathNodeInfo(pNode, path, szTarget, fTargetRotation, 0, nMode);
  return 1;
}

}  // namespace mlvns
