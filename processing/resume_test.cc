#include "processing/resume.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::NewPath;
using testing_support::Node;
using testing_support::PathHolder;
using testing_support::RawBytes;
using testing_support::Snapshot;
using Ints = std::vector<int32_t>;
using Floats = std::vector<float>;

constexpr char kOldStamp[] = "19990101.000000.000";

// Nodes for frames first..last, tagged through fConfidence so that the
// origin of every node can be told after a splice.
std::vector<_PATH_NODE_> Frames(int32_t first, int32_t last, float tag) {
  std::vector<_PATH_NODE_> v;
  for (int32_t f = first; f <= last; ++f) {
    v.push_back(Node(f, 0.01f * static_cast<float>(f), 0.5f));
    v.back().fConfidence = tag;
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

template <class Field>
auto Each(const _PATH_INFO_* p, Field field) {
  std::vector<decltype(field(p->pPathNodes[0]))> out;
  for (int32_t i = 0; i < p->nTotalPathNodeNum; ++i) out.push_back(field(p->pPathNodes[i]));
  return out;
}
Ints FrameList(const _PATH_INFO_* p) {
  return Each(p, [](const _PATH_NODE_& n) { return n.nFrameIndex; });
}
Floats Tags(const _PATH_INFO_* p) {
  return Each(p, [](const _PATH_NODE_& n) { return n.fConfidence; });
}

// The destination's nodes before the source's first frame, then the source;
// a source from the destination's start on replaces it, keys and kind
// included, and is no change of the stamp.
TEST(ResumeSplice, KeepsTheNodesBeforeTheSourceThenTakesIt) {
  std::vector<_PATH_NODE_> sparse = Frames(0, 9, 1.0f);
  sparse.erase(sparse.begin() + 1);
  sparse.push_back(sparse[1]);  // 0, 2, 3, ..., 9, 2: counting stops at frame 4
  const struct {
    std::vector<_PATH_NODE_> dst, src;
    uint32_t srcKey;
    Ints frames;
    Floats tags;
  } cases[] = {
      {Frames(0, 9, 1), Frames(5, 14, 2), 7, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14},
       {1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}},
      {Frames(0, 3, 1), Frames(20, 21, 2), 7, {0, 1, 2, 3, 20, 21}, {1, 1, 1, 1, 2, 2}},
      {sparse, Frames(4, 4, 2), 7, {0, 2, 3, 4}, {1, 1, 1, 2}},
      {Frames(3, 9, 1), Frames(0, 4, 2), 2, {0, 1, 2, 3, 4}, {2, 2, 2, 2, 2}},
      {Frames(0, 9, 1), Frames(0, 4, 2), 2, {0, 1, 2, 3, 4}, {2, 2, 2, 2, 2}},
  };
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(row++);
    PathHolder dst(Path(c.dst, "{DST}")), src(Path(c.src, "{SRC}", c.srcKey));
    const bool later = c.srcKey == 7;
    dst->bHasExtraNode = 1;
    dst->pExtraNode = new _PATH_NODE_[1];
    dst->pExtraNode->fXPos = 0.75f;
    src->nFrameAspect = 2;
    const auto srcBefore = Snapshot(src.get());
    ASSERT_EQ(PathInfo_ResumFromAnother(dst.get(), src.get()), 1);
    EXPECT_EQ(FrameList(dst.get()), c.frames);
    EXPECT_EQ(Tags(dst.get()), c.tags);
    EXPECT_EQ(RawBytes(dst->pPathNodes[c.frames.size() - c.src.size()]), RawBytes(src->pPathNodes[0]));
    EXPECT_EQ(dst->nPathInIndex, c.frames.front());
    EXPECT_EQ(dst->nPathOutIndex, c.frames.back());
    EXPECT_STREQ(dst->szGUID, "{DST}");
    EXPECT_EQ(std::strcmp(dst->szTimeStamp, kOldStamp) != 0, later);
    EXPECT_EQ(dst->dwMatchKey1, c.srcKey);
    EXPECT_EQ(dst->nFrameAspect, later ? 0 : 2);
    EXPECT_TRUE(!later || dst->pExtraNode->fXPos == 0.75f);
    EXPECT_EQ(Snapshot(src.get()), srcBefore);
  }
  // Source nodes go through the size-guarded copy; the out frame is the
  // source's last node as given.
  PathHolder dst(Path(Frames(0, 3, 1.0f), "{DST}")), src(Path(Frames(2, 3, 2.0f), "{SRC}"));
  src->pPathNodes[1].dwSize = 40;
  ASSERT_EQ(PathInfo_ResumFromAnother(dst.get(), src.get()), 1);
  EXPECT_EQ(FrameList(dst.get()), (Ints{0, 1, 2, -1}));
  EXPECT_EQ(std::tuple(dst->pPathNodes[3].dwSize, dst->pPathNodes[3].fXPos),
            std::tuple(60u, src->pPathNodes[1].fXPos));
  EXPECT_EQ(dst->nPathOutIndex, 3);
}

// Refusals (0) and no-ops (1) of both operations leave the destination as
// it was, time stamp included.
TEST(Resume, RefusalsAndNoOpsChangeNothing) {
  PathHolder dst(Path(Frames(0, 9, 1.0f), "{DST}")), empty(Path({}, "{E}"));
  PathHolder src(Path(Frames(5, 7, 2.0f), "{SRC}")), key1(Path(Frames(5, 7, 2.0f), "{SRC}", 1));
  PathHolder key2(Path(Frames(5, 7, 2.0f), "{SRC}")), key3(Path(Frames(5, 7, 2.0f), "{SRC}"));
  key2->dwMatchKey2 = key3->dwMatchKey3 = 1;
  _PATH_INFO_ broken;  // a count without an array
  broken.nTotalPathNodeNum = 4;
  _PATH_INFO_* d = dst.get();
  const struct {
    _PATH_INFO_* dst;
    const _PATH_INFO_* src;
    int32_t splice, run0;
  } cases[] = {
      {nullptr, src.get(), 0, 0}, {d, nullptr, 0, 0},      {d, key1.get(), 0, 0},
      {d, key2.get(), 0, 0},      {d, key3.get(), 0, 0},   {d, empty.get(), 0, 1},
      {d, d, 1, 1},               {d, &broken, 0, 0},      {empty.get(), src.get(), 0, 0},
      {&broken, src.get(), 0, 0},
  };
  const auto before = Snapshot(d);
  const auto emptyBefore = Snapshot(empty.get());
  int row = 0;
  for (const auto& c : cases) {
    EXPECT_EQ(PathInfo_ResumFromAnother(c.dst, c.src), c.splice) << row;
    EXPECT_EQ(PathInfo_ResumFromAnother2(0, c.dst, c.src), c.run0) << row++;
  }
  // Runs outside the destination's runs.
  for (int32_t run : {-1, 1, INT32_MAX}) {
    EXPECT_EQ(PathInfo_ResumFromAnother2(run, d, src.get()), 0) << run;
  }
  EXPECT_EQ(Snapshot(d), before);
  EXPECT_EQ(Snapshot(empty.get()), emptyBefore);

  // Four runs: of 2 slots in ten nodes, run 4 is none; of 0 slots in three.
  PathHolder small(Path(Frames(0, 2, 1.0f), "{SMALL}"));
  for (auto [path, run] : {std::pair(d, 4), std::pair(small.get(), 0)}) {
    path->nTrackType = 403;
    const auto was = Snapshot(path);
    EXPECT_EQ(PathInfo_ResumFromAnother2(run, path, src.get()), 0);
    EXPECT_EQ(Snapshot(path), was);
  }
}

// Run 0 of a ten-node destination of frames `first`.. (tag 1): the source
// overwrites the slots from its frame on.
TEST(ResumeRun, OverwritesTheMatchingSlots) {
  const struct {
    int32_t first;
    std::vector<_PATH_NODE_> src;
    Ints frames;
    Floats tags;
  } cases[] = {
      {0, Frames(5, 7, 2.0f), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 1, 1, 1, 1, 2, 2, 2, 1, 1}},
      // A missing frame 6: the next source node fills its slot too.
      {0, {Frames(5, 5, 2.0f)[0], Frames(7, 7, 3.0f)[0]},
       {0, 1, 2, 3, 4, 5, 7, 7, 8, 9}, {1, 1, 1, 1, 1, 2, 3, 3, 1, 1}},
      // A source node behind the slot is skipped and the slot waits.
      {0, {Frames(5, 5, 2.0f)[0], Frames(5, 5, 3.0f)[0], Frames(6, 6, 4.0f)[0]},
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 1, 1, 1, 1, 2, 4, 1, 1, 1}},
      // A source that begins before the run: only the time stamp changes.
      {5, Frames(3, 6, 2.0f), {5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, Floats(10, 1)},
      // Frames 5..16 do not fit in ten slots: every node goes.
      {5, Frames(12, 16, 2.0f), {}, {}},
  };
  for (const auto& c : cases) {
    PathHolder dst(Path(Frames(c.first, c.first + 9, 1.0f), "{DST}"));
    PathHolder src(Path(c.src, "{SRC}"));
    ASSERT_EQ(PathInfo_ResumFromAnother2(0, dst.get(), src.get()), 1);
    EXPECT_EQ(FrameList(dst.get()), c.frames);
    EXPECT_EQ(Tags(dst.get()), c.tags);
    EXPECT_STRNE(dst->szTimeStamp, kOldStamp);
    EXPECT_EQ(dst->nPathInIndex, c.first);
    EXPECT_EQ(dst->nPathOutIndex, c.first + 9);
    EXPECT_EQ(dst->pPathNodes == nullptr, c.frames.empty());
  }
}

TEST(ResumeRun, FourRunsChangeOnlyTheChosenRun) {
  std::vector<_PATH_NODE_> nodes;
  for (int run = 0; run < 4; ++run) {
    auto r = Frames(0, 9, 1.0f);
    nodes.insert(nodes.end(), r.begin(), r.end());
  }
  nodes.push_back(Frames(10, 10, 1.0f)[0]);  // 41 nodes still make runs of 10
  PathHolder dst(Path(nodes, "{DST}"));
  dst->nTrackType = 403;
  // Frame 3, then frame 9 fills every slot up to the end of the run.
  PathHolder src(Path({Frames(3, 3, 2.0f)[0], Frames(9, 9, 4.0f)[0]}, "{SRC}"));
  ASSERT_EQ(PathInfo_ResumFromAnother2(2, dst.get(), src.get()), 1);
  PathHolder tail(Path(Frames(8, 9, 3.0f), "{SRC}"));
  ASSERT_EQ(PathInfo_ResumFromAnother2(3, dst.get(), tail.get()), 1);
  ASSERT_EQ(dst->nTotalPathNodeNum, 41);
  for (int i = 0; i < 41; ++i) {
    const float want = i == 23 ? 2.0f : i >= 24 && i < 30 ? 4.0f : i >= 38 && i < 40 ? 3.0f : 1.0f;
    EXPECT_EQ(dst->pPathNodes[i].fConfidence, want) << i;
  }
  EXPECT_EQ(dst->pPathNodes[24].nFrameIndex, 9);
}

}  // namespace
}  // namespace mlvns
