// The processing exports only forward: each one's result reaches the host.
// Null arguments are refused by the functions they forward to.
#include <gtest/gtest.h>

#include "molvaren/molvaren.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::NewPath;
using testing_support::Node;
using testing_support::PathHolder;

TEST(ProcessingExports, ResultsComeBackToTheHost) {
  const MLVR_RECT frame{0, 0, 1920, 1080};
  _PATH_NODE_ n;
  ASSERT_EQ(Mlvr_PathNode_Rect2PathNode(MLVR_RECT{100, 200, 301, 401}, frame, &n), 1);
  MLVR_RECT r{};
  ASSERT_EQ(Mlvr_PathNode_PathNode2Rect(&n, frame, &r), 1);
  EXPECT_EQ(r.left, 99);
  EXPECT_EQ(r.bottom, 401);

  PathHolder straight(NewPath({Node(0, 0.25f, 0.5f), Node(10, 0.5f, 0.5f), Node(20, 0.75f, 0.5f)}));
  ASSERT_EQ(Mlvr_PathInfo_CorrectCtrlPtrBasedOnPathType(straight.get()), 1);
  EXPECT_EQ(straight->pPathNodes[0].fCtrlXPos, 0.375f);
  ASSERT_EQ(Mlvr_LinearRegressionPathInfo(straight.get()), 1);
  EXPECT_EQ(straight->nTotalPathNodeNum, 2);

  PathHolder dst(NewPath({Node(0, 0.1f, 0.5f), Node(9, 0.1f, 0.5f)}));
  PathHolder src(NewPath({Node(5, 0.2f, 0.5f), Node(14, 0.2f, 0.5f)}));
  ASSERT_EQ(Mlvr_PathInfo_ResumFromAnother(dst.get(), src.get()), 1);
  EXPECT_EQ(dst->nPathOutIndex, 14);
  EXPECT_EQ(Mlvr_PathInfo_ResumFromAnother2(0, dst.get(), nullptr), 0);
  EXPECT_EQ(Mlvr_DumpPathInfos(dst.get(), 1, nullptr), 1);
}

}  // namespace
}  // namespace mlvns
