// The exports of box geometry, simplification, resuming and the dump, called
// as the host calls them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/trace.h"
#include "molvaren/molvaren.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::CaptureSink;
using testing_support::NewPath;
using testing_support::Node;
using testing_support::PathHolder;
using ::testing::ElementsAre;

std::vector<_PATH_NODE_> Frames(int32_t first, int32_t last, float tag) {
  std::vector<_PATH_NODE_> v;
  for (int32_t f = first; f <= last; ++f) {
    _PATH_NODE_ n = Node(f, 0.05f * static_cast<float>(f), 0.5f);
    n.fConfidence = tag;
    v.push_back(n);
  }
  return v;
}

TEST(ProcessingExports, BoxGeometry) {
  const MLVR_RECT frame{0, 0, 1920, 1080};
  _PATH_NODE_ n;
  ASSERT_EQ(Mlvr_PathNode_Rect2PathNode(MLVR_RECT{100, 200, 301, 401}, frame, &n), 1);
  MLVR_RECT r{};
  ASSERT_EQ(Mlvr_PathNode_PathNode2Rect(&n, frame, &r), 1);
  EXPECT_EQ(r.left, 99);
  EXPECT_EQ(r.top, 199);
  EXPECT_EQ(r.right, 301);
  EXPECT_EQ(r.bottom, 401);
  EXPECT_EQ(Mlvr_PathNode_Rect2PathNode(frame, frame, nullptr), 0);
  EXPECT_EQ(Mlvr_PathNode_PathNode2Rect(&n, frame, nullptr), 0);

  PathHolder p(NewPath({Node(0, 0.25f, 0.25f), Node(1, 0.75f, 0.5f)}));
  ASSERT_EQ(Mlvr_PathInfo_CorrectCtrlPtrBasedOnPathType(p.get()), 1);
  EXPECT_EQ(p->pPathNodes[0].fCtrlXPos, 0.5f);
  EXPECT_EQ(p->pPathNodes[0].fCtrlYPos, 0.375f);
  EXPECT_EQ(Mlvr_PathInfo_CorrectCtrlPtrBasedOnPathType(nullptr), 0);
}

TEST(ProcessingExports, SimplificationTracesOnlyWhileTheSwitchIsOn) {
  CaptureSink sink;
  EXPECT_EQ(Mlvr_LinearRegressionPathInfo(nullptr), 0);
  for (bool on : {false, true}) {
    SetTraceEnabled(on);
    sink.Clear();
    PathHolder p(NewPath({Node(0, 0.25f, 0.5f), Node(10, 0.5f, 0.5f), Node(20, 0.75f, 0.5f)}));
    ASSERT_EQ(Mlvr_LinearRegressionPathInfo(p.get()), 1);
    EXPECT_EQ(p->nTotalPathNodeNum, 2);
    EXPECT_EQ(sink.Lines().size(), on ? 6u : 0u);
  }
  SetTraceEnabled(false);
}

TEST(ProcessingExports, ResumingBothWays) {
  CaptureSink sink;
  PathHolder dst(NewPath(Frames(0, 9, 1.0f)));
  PathHolder src(NewPath(Frames(5, 14, 2.0f)));
  ASSERT_EQ(Mlvr_PathInfo_ResumFromAnother(dst.get(), src.get()), 1);
  EXPECT_EQ(dst->nTotalPathNodeNum, 15);
  EXPECT_EQ(dst->nPathOutIndex, 14);
  EXPECT_EQ(Mlvr_PathInfo_ResumFromAnother(nullptr, src.get()), 0);
  src->dwMatchKey2 = 1;
  EXPECT_EQ(Mlvr_PathInfo_ResumFromAnother(dst.get(), src.get()), 0);

  PathHolder runs(NewPath(Frames(0, 9, 1.0f)));
  PathHolder part(NewPath(Frames(5, 7, 2.0f)));
  ASSERT_EQ(Mlvr_PathInfo_ResumFromAnother2(0, runs.get(), part.get()), 1);
  EXPECT_EQ(runs->pPathNodes[6].fConfidence, 2.0f);
  EXPECT_EQ(runs->pPathNodes[8].fConfidence, 1.0f);
  EXPECT_EQ(sink.Lines().size(), 4u);  // written with the switch off
  EXPECT_EQ(Mlvr_PathInfo_ResumFromAnother2(1, runs.get(), part.get()), 0);
  EXPECT_EQ(Mlvr_PathInfo_ResumFromAnother2(0, runs.get(), nullptr), 0);
}

TEST(ProcessingExports, DumpIsWrittenWhateverTheSwitch) {
  CaptureSink sink;
  SetTraceEnabled(false);
  EXPECT_EQ(Mlvr_DumpPathInfos(nullptr, 1, "x"), 0);
  EXPECT_TRUE(sink.Lines().empty());
  _PATH_INFO_ none;
  ASSERT_EQ(Mlvr_DumpPathInfos(&none, 0, nullptr), 1);
  EXPECT_THAT(sink.Lines(),
              ElementsAre("==== Begin dump path info ==== [No comment]", "==> Header size: 8",
                          "==> nTotalPathInfoNum: 0", "==> nSizeOfpPathInfo: 8",
                          "==== End dump path info ===="));
}

}  // namespace
}  // namespace mlvns
