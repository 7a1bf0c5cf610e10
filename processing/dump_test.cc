#include "processing/dump.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/trace.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::CaptureSink;
using testing_support::Node;
using ::testing::ElementsAre;

class Dump : public ::testing::Test {
 protected:
  void SetUp() override { SetTraceEnabled(false); }  // the dump ignores the switch
  void TearDown() override { SetTraceEnabled(false); }
  CaptureSink sink;
};

TEST_F(Dump, EmptyBlockListsHeaderAndSizeOnly) {
  _PATH_INFO_ p;
  ASSERT_EQ(DumpPathInfos(&p, 0, "before"), 1);
  EXPECT_THAT(sink.Lines(),
              ElementsAre("==== Begin dump path info ==== [before]", "==> Header size: 8",
                          "==> nTotalPathInfoNum: 0", "==> nSizeOfpPathInfo: 8",
                          "==== End dump path info ===="));
  sink.Clear();
  ASSERT_EQ(DumpPathInfos(&p, -3, nullptr), 1);
  EXPECT_THAT(sink.Lines(),
              ElementsAre("==== Begin dump path info ==== [No comment]", "==> Header size: 8",
                          "==> nTotalPathInfoNum: -3", "==> nSizeOfpPathInfo: 8",
                          "==== End dump path info ===="));
}

TEST_F(Dump, RecordsAndNodesInTheirFormats) {
  _PATH_NODE_ nodes[3] = {Node(4, 0.25f, 0.5f, 0.125f, 0.0625f), Node(5, 0.1f, 0.2f, 0.3f, 0.4f),
                          Node(-1, 0, 0, 0, 0)};
  nodes[0].fConfidence = 0.875f;
  nodes[1].dwSize = 48;  // a node's own size is shown beside the fixed one
  _PATH_INFO_ block[2];
  block[0].nPathInIndex = 4;
  block[0].nPathOutIndex = 5;
  block[0].nTotalPathNodeNum = 2;
  block[0].pPathNodes = nodes;
  block[0].dwSize = 1000;  // the record size shown stays 544
  block[1].nTotalPathNodeNum = 0;

  ASSERT_EQ(DumpPathInfos(block, 2, "x"), 1);
  EXPECT_THAT(
      sink.Lines(),
      ElementsAre(
          "==== Begin dump path info ==== [x]", "==> Header size: 8", "==> nTotalPathInfoNum: 2",
          "    0000 (path info nIdx), nPathInIndex: 4, nPathOutIndex: 5, nTotalPathNodeNum: 2, "
          "node size: 544",
          "        0000 (node nIdx), nFrameIndex: 4, fConfidence: 0.875000, fXPos: 0.250000, "
          "fYPos: 0.500000, fWidth: 0.125000, fHeight: 0.062500, node size: 60, dwSize: 60",
          "        0001 (node nIdx), nFrameIndex: 5, fConfidence: 0.000000, fXPos: 0.100000, "
          "fYPos: 0.200000, fWidth: 0.300000, fHeight: 0.400000, node size: 60, dwSize: 48",
          "    0001 (path info nIdx), nPathInIndex: -1, nPathOutIndex: -1, nTotalPathNodeNum: 0, "
          "node size: 544",
          "==> nSizeOfpPathInfo: 1216", "==== End dump path info ===="));

  // Three nodes and none: 8 + 2 x 544 + 3 x 60.
  block[0].nTotalPathNodeNum = 3;
  sink.Clear();
  ASSERT_EQ(DumpPathInfos(block, 2, "x"), 1);
  EXPECT_EQ(sink.Lines().size(), 10u);
  EXPECT_EQ(sink.Lines()[8], "==> nSizeOfpPathInfo: 1276");

  // One record with two nodes: the record line and its two node lines
  // between the three header lines and the size line.
  block[0].nTotalPathNodeNum = 2;
  sink.Clear();
  ASSERT_EQ(DumpPathInfos(block, 1, "one"), 1);
  ASSERT_EQ(sink.Lines().size(), 8u);
  EXPECT_EQ(sink.Lines()[3].substr(0, 30), "    0000 (path info nIdx), nPa");
  EXPECT_EQ(sink.Lines()[5].substr(0, 24), "        0001 (node nIdx)");
  EXPECT_EQ(sink.Lines()[6], "==> nSizeOfpPathInfo: 672");
}

TEST_F(Dump, NumberingIsPaddedAndRestartsPerRecord) {
  _PATH_NODE_ nodes[2] = {Node(0, 0, 0), Node(1, 0, 0)};
  _PATH_INFO_ block[8];
  for (auto& p : block) {
    p.nTotalPathNodeNum = 2;
    p.pPathNodes = nodes;
  }
  block[6].nTotalPathNodeNum = -4;  // a negative count lists nothing
  SetTraceEnabled(true);
  ASSERT_EQ(DumpPathInfos(block, 8, "n"), 1);
  const auto lines = sink.Lines();
  ASSERT_EQ(lines.size(), 3u + 8u + 7u * 2u + 2u);
  EXPECT_EQ(lines[lines.size() - 6].substr(0, 32), "    0006 (path info nIdx), nPath");
  EXPECT_EQ(lines[lines.size() - 5].substr(0, 16), "    0007 (path i");
  EXPECT_EQ(lines[lines.size() - 4].substr(0, 24), "        0000 (node nIdx)");
  EXPECT_EQ(lines[lines.size() - 3].substr(0, 24), "        0001 (node nIdx)");
  EXPECT_EQ(lines[4].substr(0, 24), "        0000 (node nIdx)");
  EXPECT_EQ(lines[lines.size() - 2], "==> nSizeOfpPathInfo: " + std::to_string(8 + 8 * 544 + 14 * 60));
}

TEST_F(Dump, NullBlockWritesNothing) {
  EXPECT_EQ(DumpPathInfos(nullptr, 3, "c"), 0);
  EXPECT_EQ(DumpPathInfos(nullptr, 0, nullptr), 0);
  EXPECT_TRUE(sink.Lines().empty());
  // A count without an array lists the record but no nodes.
  _PATH_INFO_ p;
  p.nTotalPathNodeNum = 5;
  ASSERT_EQ(DumpPathInfos(&p, 1, "c"), 1);
  EXPECT_EQ(sink.Lines().size(), 6u);
  EXPECT_EQ(sink.Lines()[4], "==> nSizeOfpPathInfo: 552");
}

}  // namespace
}  // namespace mlvns
