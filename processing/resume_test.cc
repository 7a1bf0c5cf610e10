#include "processing/resume.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/trace.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::CaptureSink;
using testing_support::NewPath;
using testing_support::Node;
using testing_support::PathHolder;
using testing_support::RawBytes;
using testing_support::Snapshot;
using ::testing::ElementsAre;

constexpr char kOldStamp[] = "19990101.000000.000";

// Nodes for frames first..last, tagged through fConfidence so that the
// origin of every node can be told after a splice.
std::vector<_PATH_NODE_> Frames(int32_t first, int32_t last, float tag) {
  std::vector<_PATH_NODE_> v;
  for (int32_t f = first; f <= last; ++f) {
    _PATH_NODE_ n = Node(f, 0.01f * static_cast<float>(f), 0.5f);
    n.fConfidence = tag;
    n.dwReserved[0] = static_cast<uint32_t>(f) + 1000;
    v.push_back(n);
  }
  return v;
}

_PATH_INFO_* Path(const std::vector<_PATH_NODE_>& nodes, const char* guid, uint32_t key = 7) {
  _PATH_INFO_* p = NewPath(nodes);
  std::strcpy(p->szGUID, guid);
  std::strcpy(p->szTimeStamp, kOldStamp);
  p->dwMatchKey1 = key;
  p->dwMatchKey2 = 8;
  p->dwMatchKey3 = 9;
  return p;
}

std::vector<int32_t> FrameList(const _PATH_INFO_* p) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < p->nTotalPathNodeNum; ++i) out.push_back(p->pPathNodes[i].nFrameIndex);
  return out;
}

std::vector<float> Tags(const _PATH_INFO_* p) {
  std::vector<float> out;
  for (int32_t i = 0; i < p->nTotalPathNodeNum; ++i) out.push_back(p->pPathNodes[i].fConfidence);
  return out;
}

bool StampRenewed(const _PATH_INFO_* p) {
  return std::strcmp(p->szTimeStamp, kOldStamp) != 0 && std::strlen(p->szTimeStamp) == 19;
}

TEST(ResumeSplice, LaterSourceReplacesTheTail) {
  CaptureSink sink;
  PathHolder dst(Path(Frames(0, 9, 1.0f), "{DST}"));
  dst->nFrameAspect = 1;
  dst->bHasExtraNode = 1;
  dst->pExtraNode = new _PATH_NODE_[1];
  dst->pExtraNode->fXPos = 0.75f;
  PathHolder src(Path(Frames(5, 14, 2.0f), "{SRC}"));
  src->nFrameAspect = 2;
  src->pPathNodes[0].fWidth = 0.33f;
  const auto srcBefore = Snapshot(src.get());

  ASSERT_EQ(PathInfo_ResumFromAnother(dst.get(), src.get()), 1);
  ASSERT_EQ(dst->nTotalPathNodeNum, 15);
  for (int32_t i = 0; i < 15; ++i) {
    EXPECT_EQ(dst->pPathNodes[i].nFrameIndex, i);
    EXPECT_EQ(dst->pPathNodes[i].fConfidence, i < 5 ? 1.0f : 2.0f) << i;
  }
  EXPECT_EQ(RawBytes(dst->pPathNodes[5]), RawBytes(src->pPathNodes[0]));
  EXPECT_EQ(dst->nPathInIndex, 0);
  EXPECT_EQ(dst->nPathOutIndex, 14);
  EXPECT_STREQ(dst->szGUID, "{DST}");
  EXPECT_TRUE(StampRenewed(dst.get()));
  // Everything else is the destination's own.
  EXPECT_EQ(dst->nFrameAspect, 1);
  ASSERT_NE(dst->pExtraNode, nullptr);
  EXPECT_EQ(dst->pExtraNode->fXPos, 0.75f);
  EXPECT_EQ(Snapshot(src.get()), srcBefore);
  EXPECT_TRUE(sink.Lines().empty());
}

TEST(ResumeSplice, GapsAndUnevenFrames) {
  // A destination that ends before the source keeps all of its nodes.
  PathHolder dst(Path(Frames(0, 9, 1.0f), "{DST}"));
  PathHolder src(Path(Frames(20, 24, 2.0f), "{SRC}"));
  ASSERT_EQ(PathInfo_ResumFromAnother(dst.get(), src.get()), 1);
  EXPECT_THAT(FrameList(dst.get()),
              ElementsAre(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 20, 21, 22, 23, 24));
  EXPECT_EQ(dst->nPathOutIndex, 24);

  // Destination frames from the source's first on go, even where the source
  // has no node for them; counting stops at the first such node.
  std::vector<_PATH_NODE_> sparse = Frames(0, 9, 1.0f);
  sparse.erase(sparse.begin() + 1);  // 0, 2, 3, ..., 9
  sparse.push_back(Frames(3, 3, 1.0f)[0]);  // a late frame 3 after frame 9
  PathHolder d2(Path(sparse, "{DST}"));
  PathHolder s2(Path(Frames(4, 4, 2.0f), "{SRC}"));
  ASSERT_EQ(PathInfo_ResumFromAnother(d2.get(), s2.get()), 1);
  EXPECT_THAT(FrameList(d2.get()), ElementsAre(0, 2, 3, 4));
  EXPECT_EQ(d2->nPathInIndex, 0);
  EXPECT_EQ(d2->nPathOutIndex, 4);

  // Source nodes go through the size-guarded copy.
  PathHolder d3(Path(Frames(0, 3, 1.0f), "{DST}"));
  PathHolder s3(Path(Frames(2, 3, 2.0f), "{SRC}"));
  s3->pPathNodes[1].dwSize = 40;
  ASSERT_EQ(PathInfo_ResumFromAnother(d3.get(), s3.get()), 1);
  ASSERT_EQ(d3->nTotalPathNodeNum, 4);
  EXPECT_EQ(d3->pPathNodes[3].dwSize, 60u);
  EXPECT_EQ(d3->pPathNodes[3].nFrameIndex, -1);
  EXPECT_EQ(d3->pPathNodes[3].fXPos, s3->pPathNodes[1].fXPos);
  EXPECT_EQ(d3->pPathNodes[3].fConfidence, 0.0f);
  // The out frame is the source's last node as given.
  EXPECT_EQ(d3->nPathOutIndex, 3);
}

TEST(ResumeSplice, EarlierSourceBecomesTheDestination) {
  for (int32_t firstDst : {3, 0}) {  // earlier, and equal first frames
    PathHolder dst(Path(Frames(firstDst, 9, 1.0f), "{DST}", 1));
    PathHolder src(Path(Frames(0, 4, 2.0f), "{SRC}", 2));  // keys differ: not compared
    src->nFrameAspect = 2;
    std::strcpy(src->szTimeStamp, "20240126.032622.123");
    ASSERT_EQ(PathInfo_ResumFromAnother(dst.get(), src.get()), 1) << firstDst;
    EXPECT_THAT(FrameList(dst.get()), ElementsAre(0, 1, 2, 3, 4));
    EXPECT_THAT(Tags(dst.get()), ElementsAre(2, 2, 2, 2, 2));
    EXPECT_STREQ(dst->szGUID, "{DST}");
    EXPECT_STREQ(dst->szTimeStamp, kOldStamp);  // not renewed
    EXPECT_EQ(dst->dwMatchKey1, 2u);
    EXPECT_EQ(dst->nFrameAspect, 2);
    EXPECT_EQ(dst->nPathInIndex, 0);
    EXPECT_EQ(dst->nPathOutIndex, 4);
  }
}

TEST(ResumeSplice, RefusalsChangeNothing) {
  PathHolder dst(Path(Frames(0, 9, 1.0f), "{DST}", 1));
  PathHolder src(Path(Frames(5, 14, 2.0f), "{SRC}", 1));
  const auto before = Snapshot(dst.get());
  for (int key = 1; key <= 3; ++key) {  // any one key differing refuses
    PathHolder other(Path(Frames(5, 14, 2.0f), "{SRC}", 1));
    (key == 1 ? other->dwMatchKey1 : key == 2 ? other->dwMatchKey2 : other->dwMatchKey3) += 1;
    EXPECT_EQ(PathInfo_ResumFromAnother(dst.get(), other.get()), 0) << key;
    EXPECT_EQ(Snapshot(dst.get()), before);
  }
  EXPECT_EQ(PathInfo_ResumFromAnother(nullptr, src.get()), 0);
  EXPECT_EQ(PathInfo_ResumFromAnother(dst.get(), nullptr), 0);
  EXPECT_EQ(PathInfo_ResumFromAnother(dst.get(), dst.get()), 1);
  EXPECT_EQ(Snapshot(dst.get()), before);

  PathHolder empty(Path({}, "{E}", 1));
  EXPECT_EQ(PathInfo_ResumFromAnother(dst.get(), empty.get()), 0);
  EXPECT_EQ(Snapshot(dst.get()), before);
  const auto emptyBefore = Snapshot(empty.get());
  EXPECT_EQ(PathInfo_ResumFromAnother(empty.get(), src.get()), 0);
  EXPECT_EQ(Snapshot(empty.get()), emptyBefore);
  _PATH_INFO_ broken;  // a count without an array
  broken.nTotalPathNodeNum = 4;
  EXPECT_EQ(PathInfo_ResumFromAnother(&broken, src.get()), 0);
  EXPECT_EQ(PathInfo_ResumFromAnother(dst.get(), &broken), 0);
  EXPECT_EQ(Snapshot(dst.get()), before);
}

class ResumeRun : public ::testing::Test {
 protected:
  void SetUp() override { SetTraceEnabled(false); }  // resume lines ignore the switch
  CaptureSink sink;
};

TEST_F(ResumeRun, OverwritesTheMatchingSlots) {
  PathHolder dst(Path(Frames(0, 9, 1.0f), "{DST}"));
  PathHolder src(Path(Frames(5, 7, 2.0f), "{SRC}"));
  ASSERT_EQ(PathInfo_ResumFromAnother2(0, dst.get(), src.get()), 1);
  EXPECT_THAT(FrameList(dst.get()), ElementsAre(0, 1, 2, 3, 4, 5, 6, 7, 8, 9));
  EXPECT_THAT(Tags(dst.get()), ElementsAre(1, 1, 1, 1, 1, 2, 2, 2, 1, 1));
  for (int i = 5; i <= 7; ++i) EXPECT_EQ(RawBytes(dst->pPathNodes[i]), RawBytes(src->pPathNodes[i - 5]));
  EXPECT_TRUE(StampRenewed(dst.get()));
  EXPECT_EQ(dst->nPathInIndex, 0);
  EXPECT_EQ(dst->nPathOutIndex, 9);
  EXPECT_THAT(sink.Lines(), ElementsAre("========== resume [0:10] ==========\n", "[0:5] -> [5:5]\n",
                                        "[1:6] -> [6:6]\n", "[2:7] -> [7:7]\n"));
}

TEST_F(ResumeRun, MissingFramesRepeatTheSourceNodeAndEarlierOnesAreSkipped) {
  PathHolder dst(Path(Frames(0, 9, 1.0f), "{DST}"));
  std::vector<_PATH_NODE_> nodes = Frames(5, 7, 2.0f);
  nodes.erase(nodes.begin() + 1);  // frames 5 and 7
  PathHolder src(Path(nodes, "{SRC}"));
  ASSERT_EQ(PathInfo_ResumFromAnother2(0, dst.get(), src.get()), 1);
  EXPECT_THAT(FrameList(dst.get()), ElementsAre(0, 1, 2, 3, 4, 5, 7, 7, 8, 9));
  EXPECT_THAT(Tags(dst.get()), ElementsAre(1, 1, 1, 1, 1, 2, 2, 2, 1, 1));
  EXPECT_THAT(sink.Lines(), ElementsAre("========== resume [0:10] ==========\n", "[0:5] -> [5:5]\n",
                                        "[1:7] -> [6:6]\n"));

  // A source node behind the slot is skipped and the slot waits.
  sink.Clear();
  PathHolder d2(Path(Frames(0, 9, 1.0f), "{DST}"));
  std::vector<_PATH_NODE_> back = Frames(5, 6, 2.0f);
  back.insert(back.begin() + 1, back[0]);  // frames 5, 5, 6
  back[1].fConfidence = 3.0f;
  PathHolder s2(Path(back, "{SRC}"));
  ASSERT_EQ(PathInfo_ResumFromAnother2(0, d2.get(), s2.get()), 1);
  EXPECT_THAT(Tags(d2.get()), ElementsAre(1, 1, 1, 1, 1, 2, 2, 1, 1, 1));
  EXPECT_THAT(sink.Lines(), ElementsAre("========== resume [0:10] ==========\n", "[0:5] -> [5:5]\n",
                                        "[1:5] -> [6:6]\n", "[2:6] -> [6:6]\n"));
}

TEST_F(ResumeRun, FourRunsChangeOnlyTheChosenRun) {
  std::vector<_PATH_NODE_> nodes;
  for (int run = 0; run < 4; ++run) {
    auto r = Frames(0, 9, 1.0f);
    nodes.insert(nodes.end(), r.begin(), r.end());
  }
  PathHolder dst(Path(nodes, "{DST}"));
  dst->nTrackType = 403;
  // Frame 3, then frame 9 fills every slot up to the end of the run.
  std::vector<_PATH_NODE_> srcNodes = Frames(3, 3, 2.0f);
  srcNodes.push_back(Frames(9, 9, 4.0f)[0]);
  PathHolder src(Path(srcNodes, "{SRC}"));
  ASSERT_EQ(PathInfo_ResumFromAnother2(2, dst.get(), src.get()), 1);
  ASSERT_EQ(dst->nTotalPathNodeNum, 40);
  for (int i = 0; i < 40; ++i) {
    float want = 1.0f;
    if (i == 23) want = 2.0f;
    if (i >= 24 && i < 30) want = 4.0f;
    EXPECT_EQ(dst->pPathNodes[i].fConfidence, want) << i;
  }
  EXPECT_EQ(dst->pPathNodes[24].nFrameIndex, 9);
  EXPECT_THAT(sink.Lines(), ElementsAre("========== resume [20:30] ==========\n",
                                        "[0:3] -> [23:3]\n", "[1:9] -> [24:4]\n"));

  // 41 nodes still make runs of 10; the spare slot is never a run's.
  nodes.push_back(Frames(10, 10, 1.0f)[0]);
  PathHolder odd(Path(nodes, "{ODD}"));
  odd->nTrackType = 403;
  PathHolder tail(Path(Frames(8, 9, 2.0f), "{SRC}"));
  sink.Clear();
  ASSERT_EQ(PathInfo_ResumFromAnother2(3, odd.get(), tail.get()), 1);
  EXPECT_EQ(sink.Lines().front(), "========== resume [30:40] ==========\n");
  EXPECT_EQ(odd->pPathNodes[39].fConfidence, 2.0f);
  EXPECT_EQ(odd->pPathNodes[40].fConfidence, 1.0f);
}

TEST_F(ResumeRun, StartsBeforeTheRunOrOverflowsIt) {
  // A source that begins before the run: only the time stamp changes.
  PathHolder dst(Path(Frames(5, 14, 1.0f), "{DST}"));
  PathHolder early(Path(Frames(3, 6, 2.0f), "{SRC}"));
  auto nodesBefore = Snapshot(dst.get());
  ASSERT_EQ(PathInfo_ResumFromAnother2(0, dst.get(), early.get()), 1);
  EXPECT_TRUE(StampRenewed(dst.get()));
  std::strcpy(dst->szTimeStamp, kOldStamp);
  EXPECT_EQ(Snapshot(dst.get()), nodesBefore);
  EXPECT_TRUE(sink.Lines().empty());

  // Frames 5..16 do not fit in ten slots: every run goes, new time stamp.
  PathHolder late(Path(Frames(12, 16, 2.0f), "{SRC}"));
  ASSERT_EQ(PathInfo_ResumFromAnother2(0, dst.get(), late.get()), 1);
  EXPECT_EQ(dst->nTotalPathNodeNum, 0);
  EXPECT_EQ(dst->pPathNodes, nullptr);
  EXPECT_TRUE(StampRenewed(dst.get()));
  EXPECT_TRUE(sink.Lines().empty());
}

TEST_F(ResumeRun, RefusalsAndNoOps) {
  PathHolder dst(Path(Frames(0, 9, 1.0f), "{DST}"));
  PathHolder src(Path(Frames(5, 7, 2.0f), "{SRC}"));
  const auto before = Snapshot(dst.get());

  // The same record, or an empty source: 1, not even the time stamp moves.
  EXPECT_EQ(PathInfo_ResumFromAnother2(0, dst.get(), dst.get()), 1);
  PathHolder empty(Path({}, "{E}"));
  EXPECT_EQ(PathInfo_ResumFromAnother2(0, dst.get(), empty.get()), 1);
  EXPECT_EQ(Snapshot(dst.get()), before);

  EXPECT_EQ(PathInfo_ResumFromAnother2(0, nullptr, src.get()), 0);
  EXPECT_EQ(PathInfo_ResumFromAnother2(0, dst.get(), nullptr), 0);
  PathHolder other(Path(Frames(5, 7, 2.0f), "{SRC}"));
  other->dwMatchKey3 = 1;
  EXPECT_EQ(PathInfo_ResumFromAnother2(0, dst.get(), other.get()), 0);
  // Runs outside the destination's runs.
  for (int32_t run : {-1, 1, INT32_MAX}) {
    EXPECT_EQ(PathInfo_ResumFromAnother2(run, dst.get(), src.get()), 0) << run;
  }
  EXPECT_EQ(Snapshot(dst.get()), before);

  dst->nTrackType = 403;  // ten nodes: runs of 2
  const auto four = Snapshot(dst.get());
  EXPECT_EQ(PathInfo_ResumFromAnother2(4, dst.get(), src.get()), 0);
  EXPECT_EQ(Snapshot(dst.get()), four);
  PathHolder small(Path(Frames(0, 2, 1.0f), "{SMALL}"));
  small->nTrackType = 403;  // three nodes: runs of 0 slots
  const auto smallBefore = Snapshot(small.get());
  EXPECT_EQ(PathInfo_ResumFromAnother2(0, small.get(), src.get()), 0);
  EXPECT_EQ(Snapshot(small.get()), smallBefore);

  // A destination without nodes, or a source count without its array.
  PathHolder none(Path({}, "{N}"));
  EXPECT_EQ(PathInfo_ResumFromAnother2(0, none.get(), src.get()), 0);
  _PATH_INFO_ broken;
  broken.nTotalPathNodeNum = 2;
  EXPECT_EQ(PathInfo_ResumFromAnother2(0, dst.get(), &broken), 0);
  EXPECT_EQ(Snapshot(dst.get()), four);
  EXPECT_TRUE(sink.Lines().empty());
}

}  // namespace
}  // namespace mlvns
