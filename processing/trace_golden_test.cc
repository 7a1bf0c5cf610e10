// Every debug-output text the library writes, pinned in one place: the
// lines are part of what hosts and their logs rely on. Other tests assert
// results, not these lines.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "module/lifecycle.h"
#include "platform/trace.h"
#include "tests/support/test_env.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::CaptureEnv;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::NewPath;
using testing_support::Node;
using testing_support::PathHolder;
using testing_support::TempDir;
using testing_support::WriteFileBytes;
using Lines = std::vector<std::string>;

const char kEven[] = "    dRatioOfDistance: 1.000000, dRatioOfTime: 1.000000, dDiff: 0.000000";
const std::string kKeep = "    ==>     keep nIdx: 1";

// Three nodes at frames 0, 10 and `last`, A and C at (0.25, 0.5) and
// (0.75, 0.5); `edit` changes them before the pass.
Lines Simplified(float bx, float by, int32_t last,
                 const std::function<void(_PATH_NODE_*)>& edit = nullptr) {
  PathHolder p(NewPath({Node(0, 0.25f, 0.5f), Node(10, bx, by), Node(last, 0.75f, 0.5f)}));
  if (edit) edit(p->pPathNodes);
  CaptureEnv sink;
  EXPECT_EQ(Mlvr_LinearRegressionPathInfo(p.get()), 1);
  return sink.Lines();
}

Lines Window(const Lines& after) {
  Lines all = {"sfnLinearRegressionPathInfo", "(0, 1, 2)"};
  all.insert(all.end(), after.begin(), after.end());
  return all;
}

class TraceGolden : public ::testing::Test {
 protected:
  void SetUp() override { SetTraceEnabled(true); }
  void TearDown() override { SetTraceEnabled(false); }
};

TEST_F(TraceGolden, Simplification) {
  auto bezier = [](int i, float cx, float cy) {
    return [=](_PATH_NODE_* n) { n[i].nPathType = 1, n[i].fCtrlXPos = cx, n[i].fCtrlYPos = cy; };
  };
  const struct { Lines got, want; } cases[] = {
      {Simplified(0.5f, 0.5f, 20),
       Window({kEven, "    dPt2Ln: 0.000000", "    ==> drop nIdx: 1", "\r\n"})},
      {Simplified(0.5f, 0.52f, 20), Window({kEven, "    dPt2Ln: 0.020000"})},
      {Simplified(0.5f, 0.5f, 30),
       Window({"    dRatioOfDistance: 1.000000, dRatioOfTime: 2.000000, dDiff: 1.000000",
               kKeep + " because timing is not stable, dDiff > 0.06", "\r\n"})},
      {Simplified(0.25f, 0.5f, 20),
       Window({kKeep + " because timing is not stable, two frame stay at the same position",
               "\r\n"})},
      {Simplified(0.9f, 0.5f, 20),
       Window({kKeep + ", (x0,y0) is not between (x1,y1) and (x2,y2)", "\r\n"})},
      {Simplified(0.5f, 0.5f, 20, [](_PATH_NODE_* n) { n[2].fHeight = 0.2f; }),
       Window({kKeep + ", object width/height is different", "\r\n"})},
      {Simplified(0.5f, 0.5f, 20, [](_PATH_NODE_* n) { n[1].nPathType = 2; }),
       Window({kKeep + ", node 1 or 2 is not linear", "\r\n"})},
      {Simplified(0.5f, 0.5f, 20, bezier(0, 0.5f, 0.5f)),
       Window({kKeep + ", bezier, 1 to 2 ctrl x is not at center", "\r\n"})},
      {Simplified(0.5f, 0.5f, 20, bezier(0, 0.375f, 0.9f)),
       Window({kKeep + ", bezier, 1 to 2 ctrl y is not at center", "\r\n"})},
      {Simplified(0.5f, 0.5f, 20, bezier(1, 0.5f, 0.5f)),
       Window({kKeep + ", bezier, 2 to 3 ctrl x is not at center", "\r\n"})},
      {Simplified(0.5f, 0.5f, 20, bezier(1, 0.625f, 0.9f)),
       Window({kKeep + ", bezier, 2 to 3 ctrl y is not at center", "\r\n"})},
  };
  int row = 0;
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << "row " << row++;
}

// The dump lists no nodes for a count without its array, nor for a
// negative one, and nothing for a null block.
TEST_F(TraceGolden, ResumeDumpAndAppend) {
  std::vector<_PATH_NODE_> ten;
  for (int32_t f = 0; f < 10; ++f) ten.push_back(Node(f, 0.1f, 0.1f));
  _PATH_NODE_ nodes[2] = {Node(4, 0.25f, 0.5f, 0.125f, 0.0625f), Node(5, 0.1f, 0.2f, 0.3f, 0.4f)};
  nodes[0].fConfidence = 0.875f, nodes[1].dwSize = 48;
  _PATH_INFO_ block[4];
  block[0].nPathInIndex = 4, block[0].nPathOutIndex = 5, block[0].nTotalPathNodeNum = 2;
  block[0].pPathNodes = nodes, block[2].nTotalPathNodeNum = 5, block[3].nTotalPathNodeNum = -4;
  const std::string unnumbered = "nPathInIndex: -1, nPathOutIndex: -1, nTotalPathNodeNum: ";

  // These lines are written whatever the trace switch says.
  for (bool traced : {true, false}) {
    SetTraceEnabled(traced);
    PathHolder dst(NewPath(ten)), src(NewPath({Node(5, 0.2f, 0.2f), Node(7, 0.3f, 0.3f)}));
    CaptureEnv sink;
    ASSERT_EQ(Mlvr_PathInfo_ResumFromAnother2(0, dst.get(), src.get()), 1);
    EXPECT_EQ(sink.Lines(), (Lines{"========== resume [0:10] ==========\n", "[0:5] -> [5:5]\n",
                                   "[1:7] -> [6:6]\n"}));
    sink.Clear();
    EXPECT_EQ(Mlvr_DumpPathInfos(nullptr, 3, "c"), 0);
    ASSERT_EQ(Mlvr_DumpPathInfos(block, 4, "x"), 1);
    ASSERT_EQ(Mlvr_DumpPathInfos(block, 0, nullptr), 1);
    EXPECT_EQ(sink.Lines(), (Lines{
        "==== Begin dump path info ==== [x]", "==> Header size: 8", "==> nTotalPathInfoNum: 4",
        "    0000 (path info nIdx), nPathInIndex: 4, nPathOutIndex: 5, nTotalPathNodeNum: 2, "
        "node size: 544",
        "        0000 (node nIdx), nFrameIndex: 4, fConfidence: 0.875000, fXPos: 0.250000, "
        "fYPos: 0.500000, fWidth: 0.125000, fHeight: 0.062500, node size: 60, dwSize: 60",
        "        0001 (node nIdx), nFrameIndex: 5, fConfidence: 0.000000, fXPos: 0.100000, "
        "fYPos: 0.200000, fWidth: 0.300000, fHeight: 0.400000, node size: 60, dwSize: 48",
        "    0001 (path info nIdx), " + unnumbered + "0, node size: 544",
        "    0002 (path info nIdx), " + unnumbered + "5, node size: 544",
        "    0003 (path info nIdx), " + unnumbered + "-4, node size: 544",
        "==> nSizeOfpPathInfo: 2304", "==== End dump path info ====",
        "==== Begin dump path info ==== [No comment]", "==> Header size: 8",
        "==> nTotalPathInfoNum: 0", "==> nSizeOfpPathInfo: 8", "==== End dump path info ===="}));
    sink.Clear();
    EXPECT_EQ(Mlvr_PathInfo_PathNodeAppend(nullptr, nullptr, 1, 0), 0);
    EXPECT_EQ(sink.Lines(), (Lines{"pPathInfo == NULL\n", "pNodes == NULL\n"}));
  }
}

// The database's lines, through the exports as a host calls them, only
// while the switch is on.
TEST_F(TraceGolden, Database) {
  TempDir dir;
  ASSERT_EQ(ModuleLoad(), 1);
  const std::string db = dir.path(), missing = dir.File("missing.mp4");
  const std::string clip = dir.File("clip.mp4"), other = dir.File("other.mp4");
  WriteFileBytes(clip, std::vector<uint8_t>(11, 'v'));
  WriteFileBytes(other, std::vector<uint8_t>(5, 'v'));
  auto path = [](const char* guid, int32_t aspect) {
    _PATH_INFO_* p = NewPath({Node(0, 0.5f, 0.5f)});
    std::strcpy(p->szGUID, guid), p->nFrameAspect = aspect;
    p->nFrameWidth = p->nFrameHeight = 1000, p->qwAssociateFileSize = 11;
    return p;
  };
  ListHolder a(NewList({path("{W}", 0), path("{F}", 1), path("{C}", 2)}));
  ListHolder b(NewList({path("{B}", 0)}));
  _PATH_NODE_ n;
  auto node = [&](const char* guid, MLVR_SIZE target) {
    return Mlvr_DataBase_GetPathNodeByGUID(db.c_str(), guid, 0, target, 0.0f, &n, nullptr, 0);
  };
  auto relink = [&](const std::string& from, const std::string& to) {
    return Mlvr_DataBase_RelinkAssociateFile(db.c_str(), from.c_str(), to.c_str());
  };
  auto update = [&](const char* file, const ListHolder& list) {
    return Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(db.c_str(), file, list.get());
  };
  const struct { std::function<int32_t()> call; int32_t result; Lines lines; } cases[] = {
      {[&] { return update("/v/a.mp4", a); }, 1,
       {"fnUpdateInfoArray " + db + " /v/a.mp4", "  nNumOfPathInfos: 3"}},
      {[&] { return node("{W}", {1920, 1080}); }, 1, {"fnGetPathNodeByGUID", "  16:9"}},
      {[&] { return node("{F}", {640, 480}); }, 1, {"fnGetPathNodeByGUID", "  4:3"}},
      {[&] { return node("{C}", {500, 500}); }, 1, {"fnGetPathNodeByGUID", "  1:1"}},
      {[&] { return node("{W}", {640, 480}); }, 1,
       {"fnGetPathNodeByGUID", "  sfnPathInfo_ConvertPathNodeInfo"}},
      {[&] { return relink("/v/a.mp4", missing); }, 0,
       {"fnRelinkAssociateFile org:/v/a.mp4 new:" + missing, "  error 1. " + missing + " not exist"}},
      {[&] { return relink(clip, clip); }, 0,
       {"fnRelinkAssociateFile org:" + clip + " new:" + clip, "  error 5. same file"}},
      {[&] { return relink("/v/none.mp4", clip); }, 0,
       {"fnRelinkAssociateFile org:/v/none.mp4 new:" + clip, "  error 3. no path infos"}},
      {[&] { return relink("/v/a.mp4", other); }, 0,
       {"fnRelinkAssociateFile org:/v/a.mp4 new:" + other,
        "  pdsPathInfoArray_Src->nNumOfPathInfos: 3", "  error 4. file size is not the same 5 11"}},
      {[&] { return relink("/v/a.mp4", clip); }, 1,
       {"fnRelinkAssociateFile org:/v/a.mp4 new:" + clip,
        "  pdsPathInfoArray_Src->nNumOfPathInfos: 3", "  no pdsPathInfoArray_Target",
        "fnUpdateInfoArray " + db + " " + clip, "  nNumOfPathInfos: 3"}},
      {[&] { return update("/v/b.mp4", b); }, 1,
       {"fnUpdateInfoArray " + db + " /v/b.mp4", "  nNumOfPathInfos: 1"}},
      {[&] { return relink("/v/b.mp4", clip); }, 1,
       {"fnRelinkAssociateFile org:/v/b.mp4 new:" + clip,
        "  pdsPathInfoArray_Src->nNumOfPathInfos: 1",
        "  has pdsPathInfoArray_Target, size: 3 (before)",
        "  has pdsPathInfoArray_Target, size: 4 (after)"}},
  };
  int row = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(row++);
    CaptureEnv sink;
    EXPECT_EQ(c.call(), c.result);
    EXPECT_EQ(sink.Lines(), c.lines);
  }
  // With the switch off the traced lines are gone and nothing else changes.
  SetTraceEnabled(false);
  EXPECT_TRUE(Simplified(0.5f, 0.5f, 20).empty() && Simplified(0.5f, 0.5f, 30).empty());
  CaptureEnv sink;
  EXPECT_EQ(update("/v/a.mp4", a) + relink("/v/a.mp4", missing), 1);
  EXPECT_TRUE(sink.Lines().empty());
  ModuleUnload();
}

}  // namespace
}  // namespace mlvns
