// The records and what works on them: their stored form, paths, lists and
// the box geometry of a node.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <regex>
#include <thread>

#include "archive/list_copy.h"
#include "model/box_geometry.h"
#include "model/path_info_array.h"
#include "model/path_info_ops.h"
#include "model/records.h"
#include "tests/support/record_bytes.h"

namespace mlvns {
namespace {

using testing_support::Frames;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::NewPath;
using testing_support::Node;
using testing_support::NodeBytes;
using testing_support::PathHolder;
using testing_support::RawBytes;
using testing_support::StoredPathBytes;
using ::testing::ElementsAre;

constexpr char kOld[] = "20000101.000000.000";

_PATH_NODE_* AddExtraNode(_PATH_INFO_* p) {
  return p->bHasExtraNode = 1, p->pExtraNode = new _PATH_NODE_[1];
}

CUIntArray* Drops(CUIntArray* list, std::initializer_list<uint32_t> nodes) {
  for (uint32_t i : nodes) list->Add(i);
  return list;
}

// The GUID text itself is the platform's (see platform_test); here: a new
// one each call, and time stamps that are fixed-width and order in time.
TEST(PathIdentity, NewGuidsAndTimeStamps) {
  _PATH_INFO_ a, b;
  std::memset(a.szTimeStamp, 'x', sizeof a.szTimeStamp);
  ASSERT_EQ(PathInfo_AssignGUID(&a) + PathInfo_AssignGUID(&b), 2);
  EXPECT_EQ(std::strlen(a.szGUID), 38u);
  EXPECT_STRNE(a.szGUID, b.szGUID);
  ASSERT_EQ(PathInfo_AssignTimeStamp(&a), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_EQ(PathInfo_AssignTimeStamp(&b), 1);
  EXPECT_TRUE(std::regex_match(a.szTimeStamp, std::regex(R"(\d{8}\.\d{6}\.\d{3})")));
  EXPECT_LT(std::strcmp(a.szTimeStamp, b.szTimeStamp), 0);
  EXPECT_EQ(PathInfo_AssignGUID(nullptr) + PathInfo_AssignTimeStamp(nullptr), 0);
}

TEST(PathRelease, FreeInfosAndFreeNodes) {
  _PATH_INFO_* none = nullptr;
  EXPECT_EQ(PathInfo_FreeInfos(nullptr, 1) + PathInfo_FreeInfos(&none, 1), 0);
  _PATH_INFO_* block = new _PATH_INFO_[3]();
  block[1].pPathNodes = new _PATH_NODE_[4], block[1].nTotalPathNodeNum = 4;
  AddExtraNode(&block[2]);
  EXPECT_EQ(PathInfo_FreeInfos(&block, 3), 1);
  EXPECT_EQ(block, nullptr);
  // With a count of 0 only the block goes; its records are not looked at.
  _PATH_INFO_* one = new _PATH_INFO_[1]();
  EXPECT_EQ(PathInfo_FreeInfos(&one, 0), 1);
  EXPECT_EQ(one, nullptr);

  PathHolder p(NewPath({Node(1, 0, 0), Node(2, 0, 0)}));
  EXPECT_EQ(PathInfo_FreeNodes(p.get()), 1);
  EXPECT_EQ(std::tuple(p->nTotalPathNodeNum, p->pPathNodes, p->nPathInIndex),
            std::tuple(0, nullptr, 1));  // frame range untouched
  EXPECT_EQ(PathInfo_FreeNodes(nullptr), 0);
}

TEST(PathClone, IdentityOnlyWhenAskedAndDeepCopies) {
  PathHolder src(NewPath({Node(3, 0.1f, 0.2f), Node(4, 0.3f, 0.4f)}));
  std::strcpy(src->szGUID, "{SOURCE-GUID}"), std::strcpy(src->szTimeStamp, "20200101.000000.000");
  src->dwMatchKey1 = 1, src->dwMatchKey3 = 77;
  AddExtraNode(src.get())->fConfidence = 0.5f;
  PathHolder dst(NewPath({Node(9, 0, 0)}));
  std::strcpy(dst->szGUID, "{DEST-GUID}"), std::strcpy(dst->szTimeStamp, kOld);
  AddExtraNode(dst.get());  // released by the copy, not leaked

  EXPECT_EQ(PathInfo_Clone(dst.get(), src.get(), 0, nullptr), 1);
  EXPECT_EQ(std::tuple(std::string(dst->szGUID), std::string(dst->szTimeStamp), dst->dwMatchKey3,
                       dst->nPathOutIndex), std::tuple("{DEST-GUID}", kOld, 77u, 4));
  EXPECT_THAT(Frames(dst.get()), ElementsAre(3, 4));
  EXPECT_NE(dst->pPathNodes, src->pPathNodes);
  ASSERT_NE(dst->pExtraNode, src->pExtraNode);
  EXPECT_EQ(dst->pExtraNode->fConfidence, 0.5f);
  EXPECT_EQ(PathInfo_Clone(dst.get(), src.get(), 1, nullptr), 1);
  EXPECT_STREQ(dst->szGUID, "{SOURCE-GUID}");
  EXPECT_STREQ(dst->szTimeStamp, "20200101.000000.000");

  // A smaller destination takes only the first key, but all nodes, and an
  // extra node it will release.
  PathHolder small(NewPath({}));
  small->dwSize = 300;
  EXPECT_EQ(PathInfo_Clone(small.get(), src.get(), 1, nullptr), 1);
  EXPECT_EQ(std::tuple(small->dwMatchKey1, small->dwMatchKey3), std::tuple(1u, 0u));
  EXPECT_THAT(Frames(small.get()), ElementsAre(3, 4));
  EXPECT_TRUE(small->pExtraNode != nullptr && small->bHasExtraNode != 0);

  // Onto itself: asking for the identity gives a new one; leaving nodes out
  // keeps it but is a change.
  std::strcpy(dst->szTimeStamp, kOld);
  EXPECT_EQ(PathInfo_Clone(dst.get(), dst.get(), 1, nullptr), 1);
  EXPECT_STRNE(dst->szGUID, "{SOURCE-GUID}");
  EXPECT_STRNE(dst->szTimeStamp, kOld);
  EXPECT_THAT(Frames(dst.get()), ElementsAre(3, 4));
  std::strcpy(dst->szGUID, "{OLD}"), std::strcpy(dst->szTimeStamp, kOld);
  CUIntArray drop;
  EXPECT_EQ(PathInfo_Clone(dst.get(), dst.get(), 0, Drops(&drop, {1})), 1);
  EXPECT_THAT(Frames(dst.get()), ElementsAre(3));
  EXPECT_STREQ(dst->szGUID, "{OLD}");
  EXPECT_STRNE(dst->szTimeStamp, kOld);
}

TEST(PathClone, BadArgumentsAreSafe) {
  PathHolder src(NewPath({Node(0, 0, 0), Node(1, 0, 0), Node(2, 0, 0)}));
  EXPECT_EQ(PathInfo_Clone(src.get(), nullptr, 1, nullptr), 1);
  EXPECT_EQ(PathInfo_Clone(nullptr, src.get(), 1, nullptr), 1);
  EXPECT_EQ(src->nTotalPathNodeNum, 3);
  PathHolder dst(NewPath({}));
  CUIntArray bad, many, negative, noData;  // no node 7: the count still falls by one
  EXPECT_EQ(PathInfo_Clone(dst.get(), src.get(), 0, Drops(&bad, {7})), 1);
  EXPECT_THAT(Frames(dst.get()), ElementsAre(0, 1));
  EXPECT_EQ(PathInfo_Clone(dst.get(), src.get(), 0, Drops(&many, {0, 0, 0, 0, 0})), 1);
  EXPECT_EQ(std::tuple(dst->nTotalPathNodeNum, dst->pPathNodes), std::tuple(0, nullptr));
  // Lists whose size and data disagree exclude nothing.
  Drops(&negative, {0})->m_nSize = -3;
  noData.m_nSize = 2;
  for (CUIntArray* list : {&negative, &noData}) {
    EXPECT_EQ(PathInfo_Clone(dst.get(), src.get(), 0, list), 1);
    EXPECT_THAT(Frames(dst.get()), ElementsAre(0, 1, 2));
  }
}

// New nodes are numbered after the last unless kept; a path's own nodes
// and nodes of another size append too; bad arguments change nothing.
TEST(PathAppend, NumbersNodesReadsOwnAndShortNodes) {
  PathHolder p(NewPath({Node(40, 0, 0), Node(41, 0, 0)}));
  std::strcpy(p->szTimeStamp, kOld);
  _PATH_NODE_ more[2] = {Node(0, 0.5f, 0.5f), Node(0, 0.6f, 0.6f)};
  EXPECT_EQ(PathInfo_PathNodeAppend(p.get(), more, 2, 0), 1);
  EXPECT_THAT(Frames(p.get()), ElementsAre(40, 41, 42, 43));
  EXPECT_EQ(std::tuple(p->nPathOutIndex, p->pPathNodes[3].fXPos), std::tuple(43, 0.6f));
  EXPECT_STRNE(p->szTimeStamp, kOld);
  _PATH_NODE_ kept = Node(100, 0, 0);
  EXPECT_EQ(PathInfo_PathNodeAppend(p.get(), &kept, 1, 1), 1);
  EXPECT_THAT(Frames(p.get()), ElementsAre(40, 41, 42, 43, 100));

  PathHolder empty(NewPath({}));  // a path without nodes counts from 0
  EXPECT_EQ(PathInfo_PathNodeAppend(empty.get(), more, 2, 0), 1);
  EXPECT_THAT(Frames(empty.get()), ElementsAre(0, 1));
  std::strcpy(empty->szTimeStamp, kOld);
  EXPECT_EQ(PathInfo_PathNodeAppend(empty.get(), more, 0, 0), 1);  // still a change
  EXPECT_STRNE(empty->szTimeStamp, kOld);

  // The path's own nodes are read before the array is replaced.
  EXPECT_EQ(PathInfo_PathNodeAppend(empty.get(), empty->pPathNodes, 2, 1), 1);
  EXPECT_THAT(Frames(empty.get()), ElementsAre(0, 1, 0, 1));
  // A given node's own size says how much of it is taken.
  _PATH_NODE_ shortNode = Node(0, 0.9f, 0.9f);
  shortNode.dwSize = 16;  // dwSize, frame, confidence, fXPos
  EXPECT_EQ(PathInfo_PathNodeAppend(empty.get(), &shortNode, 1, 1), 1);
  const _PATH_NODE_& n = empty->pPathNodes[4];
  EXPECT_EQ(std::tuple(n.fXPos, n.fYPos, n.dwSize), std::tuple(0.9f, 0.0f, 16u));

  EXPECT_EQ(PathInfo_PathNodeAppend(empty.get(), &shortNode, -1, 0), 0);
  EXPECT_EQ(PathInfo_PathNodeAppend(nullptr, &shortNode, 1, 0), 0);
  EXPECT_EQ(PathInfo_PathNodeAppend(empty.get(), nullptr, 1, 0), 0);
  EXPECT_EQ(empty->nTotalPathNodeNum, 5);
}

TEST(PathList, AddKeepsOrderAndFreeReleasesAll) {
  _PATH_INFO_ARRAY_* list = nullptr;
  EXPECT_EQ(PathInfoArray_Add(nullptr, nullptr) + PathInfoArray_Add(&list, nullptr), 0);
  list = new _PATH_INFO_ARRAY_();
  _PATH_INFO_* paths[3] = {NewPath({Node(1, 0, 0), Node(2, 0, 0)}), NewPath({}), NewPath({})};
  AddExtraNode(paths[0]);
  for (_PATH_INFO_* p : paths) ASSERT_EQ(PathInfoArray_Add(&list, p), 1);
  ASSERT_EQ(list->nNumOfPathInfos, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list->ppPathInfos[i], paths[i]);
  EXPECT_EQ(PathInfoArray_Free(&list), 1);  // LeakSanitizer checks the rest
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(std::tuple(PathInfoArray_Free(&list), PathInfoArray_Free(nullptr)), std::tuple(1, 0));
}

TEST(PathList, CloneMeasuresAndCopiesThroughTheStream) {
  _PATH_INFO_* p = NewPath({Node(1, 0.1f, 0.2f), Node(2, 0.3f, 0.4f), Node(3, 0.5f, 0.6f)});
  std::strcpy(p->szGUID, "{KEEP-ME}");
  p->pReserved = static_cast<uintptr_t>(0x100000005ull), p->dwReserved6 = 9;
  AddExtraNode(p)->dwSize = 40;  // comes back at the current size
  ListHolder src(NewList({p}));
  src->abReserved1[0] = 0x5A;

  uint32_t bytes = 0;
  _PATH_INFO_ARRAY_** noDst = nullptr;
  EXPECT_EQ(PathInfoArray_Clone(noDst, src.get(), &bytes), 1);
  EXPECT_EQ(bytes, 88u + 528u + 3u * 60u + 60u);

  ListHolder dst;
  ASSERT_EQ(PathInfoArray_Clone(dst.ref(), src.get(), nullptr), 1);
  ASSERT_EQ(dst->nNumOfPathInfos, 1);
  EXPECT_EQ(dst->abReserved1[0], 0x5A);
  const _PATH_INFO_* c = dst->ppPathInfos[0];
  ASSERT_TRUE(c != p && c->pExtraNode != nullptr);
  EXPECT_STREQ(c->szGUID, "{KEEP-ME}");  // identity kept, stored fields only
  EXPECT_EQ(std::tuple(c->pReserved, c->dwReserved6, c->pPathNodes[2].fYPos, c->pExtraNode->dwSize),
            std::tuple(5u, 0u, 0.6f, 60u));
}

TEST(PathList, CloneOfNothingOrOfABrokenListFails) {
  uint32_t bytes = 123;
  ListHolder dst(NewList({NewPath({})}));
  // A list with an empty entry is never encoded.
  ListHolder broken(NewList({NewPath({}), NewPath({})}));
  PathInfo_FreeInfos(&broken->ppPathInfos[1], 1);
  for (const _PATH_INFO_ARRAY_* src : {static_cast<_PATH_INFO_ARRAY_*>(nullptr), broken.get()}) {
    EXPECT_EQ(PathInfoArray_Clone(dst.ref(), src, &bytes), 0);
    ASSERT_NE(dst.get(), nullptr);
    EXPECT_EQ(std::tuple(bytes, dst->nNumOfPathInfos), std::tuple(0u, 0));
    bytes = 123;
  }
}

TEST(Records, DefaultsOfAllRecords) {
  EXPECT_EQ(RawBytes(_PATH_NODE_()), NodeBytes(-1, 0).vec());
  _PATH_INFO_ARRAY_* list = NewPathInfoArray();
  EXPECT_EQ(RawBytes(*list), testing_support::ListHeaderBytes(0).vec());
  delete list;
  EXPECT_EQ(RawBytes(_PATH_INFO_FILE_()), StoredPathBytes().vec());

  // The library's own allocation zeroes every other byte, alignment included.
  _PATH_INFO_* p = NewPathInfo();
  ASSERT_NE(p, nullptr);
  testing_support::Bytes b;
  b.u32(544).zeros(12).zeros(260).zeros(4).u64(0).zeros(39).zeros(71).zeros(2);
  b.u32(0).i32(-1).i32(-1).i32(0).u64(0).u64(0).u32(0).u32(0).u64(0).u32(0);
  b.zeros(24).u32(0).zeros(39).zeros(1).u32(0).f32(0).u32(401).u32(20).u32(0).zeros(4);
  EXPECT_EQ(RawBytes(*p), b.vec());
  delete[] p;
}

// Every stored field set to a value of its own: reading the bytes and
// storing the path again gives the same bytes, so no field is lost or moved,
// and neither pointers nor alignment garbage reach the stored form.
TEST(Records, StoredFormOfAPathMapsEveryField) {
  testing_support::StoredPathFields f;
  f.keys[0] = 1, f.keys[1] = 2, f.keys[2] = 3;
  f.file = "C:\\clip.mp4", f.fileSize = 0x1122334455667788ull;
  f.guid = "{GUID}", f.timeStamp = "20240126.032622.123";
  f.reserved1 = 9, f.in = 10, f.out = 20, f.nodes = 0, f.reservedLow = 7, f.reserved2 = 11;
  f.hasExtraNode = 0, f.reserved3 = 12;
  f.video[0] = 4, f.video[1] = 3, f.video[2] = 2, f.frame[0] = 16, f.frame[1] = 9, f.frame[2] = 1;
  f.reserved4 = 13, f.originGuid = "{ORIGIN}", f.reserved5 = 14, f.rotation = 90.0f;
  f.trackType = 403, f.trackParam = 7;
  const std::vector<uint8_t> bytes = StoredPathBytes(f).vec();
  _PATH_INFO_FILE_ stored;
  ASSERT_EQ(bytes.size(), sizeof stored);
  std::memcpy(static_cast<void*>(&stored), bytes.data(), bytes.size());

  _PATH_INFO_ back;
  std::memset(static_cast<void*>(&back), 0xAB, sizeof back);  // alignment bytes hold garbage
  back.dwSize = 544;
  back.dwReserved6 = 5;  // not stored: kept as it was
  PathInfoFromStored(stored, &back);
  EXPECT_EQ(std::tuple(back.pReserved, back.dwReserved6, back.pPathNodes, back.pExtraNode),
            std::tuple(7u, 5u, nullptr, nullptr));
  back.pReserved |= 0xAABBCCDD00000000ull;  // only the low half is stored
  _PATH_NODE_ node;
  back.pPathNodes = back.pExtraNode = &node;  // nor the pointers
  _PATH_INFO_FILE_ again;
  PathInfoToStored(back, &again);
  EXPECT_EQ(RawBytes(again), bytes);
}

// A node or record of another size contributes only what it covers: 40
// bytes of a node end at fXPos, 500 of a record at the first key.
TEST(Records, SizeGuardedCopies) {
  _PATH_NODE_ src = testing_support::Node(7, 0.25f, 0.5f), whole, partial, expected;
  src.dwReserved[4] = 42;
  CopyNodeGuarded(&whole, &src);
  EXPECT_EQ(RawBytes(whole), RawBytes(src));
  src.dwSize = 40;
  CopyNodeGuarded(&partial, &src);
  expected.fXPos = 0.25f;
  EXPECT_EQ(RawBytes(partial), RawBytes(expected));

  _PATH_INFO_ from, to, small;
  from.dwMatchKey1 = 5, from.dwMatchKey2 = 6;
  std::strcpy(from.szGUID, "{SRC}"), from.pPathNodes = from.pExtraNode = &src;
  EXPECT_TRUE(CopyPathInfoGuarded(&to, &from));
  EXPECT_EQ(std::tuple(to.dwMatchKey2, std::string(to.szGUID), to.pPathNodes, to.pExtraNode),
            std::tuple(6u, std::string("{SRC}"), nullptr, nullptr));
  small.dwSize = 500;
  EXPECT_FALSE(CopyPathInfoGuarded(&small, &from));
  EXPECT_EQ(std::tuple(small.dwMatchKey1, small.dwMatchKey2, small.szGUID[0]),
            std::tuple(5u, 0u, '\0'));
}

MLVR_RECT Rect(int32_t l, int32_t t, int32_t r, int32_t b) { return MLVR_RECT{l, t, r, b}; }
auto Tie(const MLVR_RECT& r) { return std::make_tuple(r.left, r.top, r.right, r.bottom); }

TEST(BoxGeometry, RectToNodeAndBack) {
  const MLVR_RECT hd = Rect(0, 0, 1920, 1080);
  const struct {
    MLVR_RECT rect, frame; float box[4]; MLVR_RECT back;  // box: x, y, w, h as quotients, y upward
  } cases[] = {
      {Rect(100, 200, 300, 400), hd, {200.0f / 1920, 1.0f - 300.0f / 1080, 200.0f / 1920,
                                      200.0f / 1080}, Rect(100, 200, 300, 400)},
      // Only the frame's size counts, not its corner.
      {Rect(100, 200, 300, 400), Rect(500, 500, 2420, 1580),
       {200.0f / 1920, 1.0f - 300.0f / 1080, 200.0f / 1920, 200.0f / 1080}, Rect(100, 200, 300, 400)},
      // Odd sizes come back one pixel larger, grown to the left and the top.
      {Rect(100, 200, 301, 401), hd, {200.0f / 1920, 1.0f - 300.0f / 1080, 201.0f / 1920,
                                      201.0f / 1080}, Rect(99, 199, 301, 401)},
      {hd, hd, {0.5f, 0.5f, 1.0f, 1.0f}, hd},
      {Rect(-50, -50, 50, 50), hd, {0.0f, 1.0f, 100.0f / 1920, 100.0f / 1080}, Rect(-50, -50, 50, 50)},
  };
  for (const auto& c : cases) {
    _PATH_NODE_ n = Node(12, 0, 0);
    n.nPathType = 1, n.fConfidence = 0.75f, n.fCtrlXPos = 0.4f, n.dwReserved[3] = 99;
    _PATH_NODE_ other = n;
    ASSERT_EQ(PathNode_Rect2PathNode(c.rect, c.frame, &n), 1);
    EXPECT_EQ(std::tuple(n.fXPos, n.fYPos, n.fWidth, n.fHeight),
              std::tuple(c.box[0], c.box[1], c.box[2], c.box[3]));
    other.fXPos = n.fXPos, other.fYPos = n.fYPos, other.fWidth = n.fWidth, other.fHeight = n.fHeight;
    EXPECT_EQ(RawBytes(n), RawBytes(other));  // nothing but the box changes
    MLVR_RECT r{};
    ASSERT_EQ(PathNode_PathNode2Rect(&n, hd, &r), 1);
    EXPECT_EQ(Tie(r), Tie(c.back));
  }
}

TEST(BoxGeometry, NodeToRectRoundsEachFloatStep) {
  _PATH_NODE_ n;
  n.fXPos = 0.2505f;   // 250.5 + 0.5 truncates to 251; in double it would be 250
  n.fWidth = 0.101f;   // 101 * 0.5 + 0.5 = 51
  n.fYPos = 0.75f;     // (1 - 0.75) * 500 + 0.5 = 125.5 -> 125
  n.fHeight = 0.1f;    // 50 * 0.5 + 0.5 = 25.5 -> 25
  MLVR_RECT r{};
  ASSERT_EQ(PathNode_PathNode2Rect(&n, Rect(0, 0, 1000, 500), &r), 1);
  EXPECT_EQ(Tie(r), Tie(Rect(200, 100, 302, 150)));
  // The other way the centre's halves truncate toward zero: (-3 + 0) / 2 is -1.
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(-3, -3, 0, 0), Rect(0, 0, 1920, 1080), &n), 1);
  EXPECT_EQ(n.fXPos, -1.0f / 1920.0f);
}

TEST(BoxGeometry, BadInputAndDegenerateValuesStayDefined) {
  _PATH_NODE_ n;
  MLVR_RECT r{};
  EXPECT_EQ(PathNode_PathNode2Rect(&n, Rect(0, 0, 10, 10), nullptr), 0);
  EXPECT_EQ(PathNode_PathNode2Rect(nullptr, Rect(0, 0, 10, 10), &r), 0);
  EXPECT_EQ(PathNode_Rect2PathNode(Rect(0, 0, 10, 10), Rect(0, 0, 10, 10), nullptr), 0);
  // A zero-size frame stores what float division gives, and still succeeds.
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(10, 10, 30, 20), Rect(0, 0, 0, 0), &n), 1);
  EXPECT_TRUE(std::isinf(n.fXPos) && std::isinf(n.fWidth) && std::isinf(n.fYPos));
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(0, 0, 0, 0), Rect(0, 0, 0, 0), &n), 1);
  EXPECT_TRUE(std::isnan(n.fXPos) && std::isnan(n.fHeight));
  // Extreme integers wrap instead of overflowing.
  ASSERT_EQ(PathNode_Rect2PathNode(Rect(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX),
                                   Rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), &n),
            1);
  // Boxes with no pixel value give the indefinite integer for centre and
  // half size, whose sums wrap to 0.
  n = Node(0, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 1e30f,
           -1e30f);
  ASSERT_EQ(PathNode_PathNode2Rect(&n, Rect(0, 0, 1920, 1080), &r), 1);
  EXPECT_EQ(Tie(r), Tie(Rect(0, 0, 0, 0)));
}

TEST(BoxGeometry, ControlPointsOfLinearSegmentsGoToTheMiddle) {
  std::vector<_PATH_NODE_> nodes = {Node(0, 0.1f, 0.2f), Node(1, 0.3f, 0.7f), Node(2, 0.9f, 0.1f),
                                    Node(3, 0.5f, 0.5f), Node(4, 0.7f, 0.3f)};
  nodes[1].nPathType = 1, nodes[1].fCtrlXPos = 0.77f;  // bezier and unknown kinds keep their point
  nodes[3].nPathType = 7, nodes[3].fCtrlXPos = 0.33f;
  nodes[4].fCtrlXPos = 0.123f;  // the last node has no segment
  PathHolder p(NewPath(nodes));
  ASSERT_EQ(PathInfo_CorrectCtrlPtrBasedOnPathType(p.get()), 1);
  const float want[][2] = {{0.2f, 0.45f}, {0.77f, 0}, {0.7f, 0.3f}, {0.33f, 0}, {0.123f, 0}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_FLOAT_EQ(p->pPathNodes[i].fCtrlXPos, want[i][0]) << i;
    EXPECT_FLOAT_EQ(p->pPathNodes[i].fCtrlYPos, want[i][1]) << i;
  }
  PathHolder none(NewPath({}));
  EXPECT_EQ(PathInfo_CorrectCtrlPtrBasedOnPathType(none.get()), 1);
  EXPECT_EQ(PathInfo_CorrectCtrlPtrBasedOnPathType(nullptr), 0);
  _PATH_INFO_ broken;
  broken.nTotalPathNodeNum = 3;  // count without an array
  EXPECT_EQ(PathInfo_CorrectCtrlPtrBasedOnPathType(&broken), 0);
}

}  // namespace
}  // namespace mlvns
