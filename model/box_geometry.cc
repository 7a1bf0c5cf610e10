#include "model/box_geometry.h"

#include <cmath>

namespace mlvns {
namespace {

// 32-bit integer arithmetic that wraps like the machine's instead of
// overflowing.
int32_t Sub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
int32_t Add(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Float to int32 toward zero. Values with no int32 (NaN, infinities, out of
// range) give INT32_MIN, the processor's "integer indefinite".
int32_t Truncate(float v) {
  if (!(v >= -2147483648.0f && v < 2147483648.0f)) return INT32_MIN;
  return static_cast<int32_t>(v);
}

float Middle(float from, float to) {
  const double f = from;
  return static_cast<float>(f + (static_cast<double>(to) - f) * 0.5);
}

}  // namespace

int32_t PathNode_Rect2PathNode(MLVR_RECT rcObject, MLVR_RECT rcFrame, _PATH_NODE_* pNode) {
  if (pNode == nullptr) return 0;
  const float W = static_cast<float>(Sub(rcFrame.right, rcFrame.left));
  const float H = static_cast<float>(Sub(rcFrame.bottom, rcFrame.top));
  const int32_t cx = Add(rcObject.left, rcObject.right) / 2;
  const int32_t cy = Add(rcObject.top, rcObject.bottom) / 2;
  // A zero-size frame stores the infinities or NaNs that float division
  // gives; nothing traps.
  pNode->fXPos = static_cast<float>(cx) / W;
  pNode->fYPos = 1.0f - static_cast<float>(cy) / H;
  pNode->fWidth = static_cast<float>(Sub(rcObject.right, rcObject.left)) / W;
  pNode->fHeight = static_cast<float>(Sub(rcObject.bottom, rcObject.top)) / H;
  return 1;
}

int32_t PathNode_PathNode2Rect(const _PATH_NODE_* pNode, MLVR_RECT rcFrame, MLVR_RECT* prcObject) {
  if (prcObject == nullptr || pNode == nullptr) return 0;
  const float W = static_cast<float>(Sub(rcFrame.right, rcFrame.left));
  const float H = static_cast<float>(Sub(rcFrame.bottom, rcFrame.top));
  // Each step in float, left to right.
  float t = W * pNode->fXPos;
  const int32_t cx = Truncate(t + 0.5f);
  t = W * pNode->fWidth;
  t = t * 0.5f;
  const int32_t hw = Truncate(t + 0.5f);
  t = 1.0f - pNode->fYPos;
  t = t * H;
  const int32_t cy = Truncate(t + 0.5f);
  t = H * pNode->fHeight;
  t = t * 0.5f;
  const int32_t hh = Truncate(t + 0.5f);
  prcObject->left = Sub(cx, hw);
  prcObject->right = Add(cx, hw);
  prcObject->top = Sub(cy, hh);
  prcObject->bottom = Add(cy, hh);
  return 1;
}

int32_t PathInfo_CorrectCtrlPtrBasedOnPathType(_PATH_INFO_* pPathInfo) {
  if (pPathInfo == nullptr) return 0;
  const int32_t n = pPathInfo->nTotalPathNodeNum;
  if (n < 1) return 1;
  _PATH_NODE_* nodes = pPathInfo->pPathNodes;
  if (nodes == nullptr) return 0;
  for (int32_t i = 0; i + 1 < n; ++i) {
    _PATH_NODE_& node = nodes[i];
    if (node.nPathType != 0) continue;
    node.fCtrlXPos = Middle(node.fXPos, nodes[i + 1].fXPos);
    node.fCtrlYPos = Middle(node.fYPos, nodes[i + 1].fYPos);
  }
  return 1;
}

}  // namespace mlvns
