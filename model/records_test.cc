#include "model/records.h"

#include <gtest/gtest.h>

#include "tests/support/record_bytes.h"

namespace mlvns {
namespace {

using testing_support::Bytes;
using testing_support::NodeBytes;
using testing_support::RawBytes;
using testing_support::StoredPathBytes;
using testing_support::StoredPathFields;

TEST(Records, DefaultsOfAllRecords) {
  EXPECT_EQ(RawBytes(_PATH_NODE_()), NodeBytes(-1, 0).vec());
  _PATH_INFO_ARRAY_* list = NewPathInfoArray();
  EXPECT_EQ(RawBytes(*list), testing_support::ListHeaderBytes(0).vec());
  delete list;
  EXPECT_EQ(RawBytes(_PATH_INFO_FILE_()), StoredPathBytes().vec());

  // The library's own allocation zeroes every other byte, alignment included.
  _PATH_INFO_* p = NewPathInfo();
  ASSERT_NE(p, nullptr);
  Bytes b;
  b.u32(544).zeros(12).zeros(260).zeros(4).u64(0).zeros(39).zeros(71).zeros(2);
  b.u32(0).i32(-1).i32(-1).i32(0).u64(0).u64(0).u32(0).u32(0).u64(0).u32(0);
  b.zeros(24).u32(0).zeros(39).zeros(1).u32(0).f32(0).u32(401).u32(20).u32(0).zeros(4);
  EXPECT_EQ(RawBytes(*p), b.vec());
  delete[] p;
}

// Every stored field set to a value of its own: reading the bytes and
// storing the path again gives the same bytes, so no field is lost or moved.
TEST(Records, StoredFormOfAPathMapsEveryField) {
  StoredPathFields f;
  f.keys[0] = 1, f.keys[1] = 2, f.keys[2] = 3;
  f.file = "C:\\clip.mp4";
  f.fileSize = 0x1122334455667788ull;
  f.guid = "{GUID}";
  f.timeStamp = "20240126.032622.123";
  f.reserved1 = 9, f.in = 10, f.out = 20, f.nodes = 0, f.reservedLow = 7, f.reserved2 = 11;
  f.hasExtraNode = 0, f.reserved3 = 12;
  f.video[0] = 4, f.video[1] = 3, f.video[2] = 2;
  f.frame[0] = 16, f.frame[1] = 9, f.frame[2] = 1;
  f.reserved4 = 13, f.originGuid = "{ORIGIN}", f.reserved5 = 14, f.rotation = 90.0f;
  f.trackType = 403, f.trackParam = 7;
  const std::vector<uint8_t> bytes = StoredPathBytes(f).vec();
  _PATH_INFO_FILE_ stored;
  ASSERT_EQ(bytes.size(), sizeof stored);
  std::memcpy(static_cast<void*>(&stored), bytes.data(), bytes.size());

  _PATH_INFO_ back;
  back.dwReserved6 = 5;  // not stored: kept as it was
  PathInfoFromStored(stored, &back);
  EXPECT_EQ(back.dwSize, 544u);
  EXPECT_EQ(back.pReserved, 7u);
  EXPECT_EQ(back.dwReserved6, 5u);
  EXPECT_EQ(back.pPathNodes, nullptr);
  EXPECT_EQ(back.pExtraNode, nullptr);
  back.pReserved |= 0xAABBCCDD00000000ull;  // only the low half is stored
  _PATH_INFO_FILE_ again;
  PathInfoToStored(back, &again);
  EXPECT_EQ(RawBytes(again), bytes);
}

TEST(Records, StoredFormZeroesPointerSlotsAndAlignment) {
  _PATH_INFO_ p;
  std::memset(static_cast<void*>(&p), 0xAB, sizeof p);  // alignment bytes hold garbage
  p.dwSize = 544;
  _PATH_NODE_ nodes[2];
  p.pPathNodes = nodes;
  p.pExtraNode = nodes;
  _PATH_INFO_FILE_ stored;
  PathInfoToStored(p, &stored);
  std::vector<uint8_t> raw = RawBytes(stored);
  for (size_t off : {276u, 277u, 278u, 279u, 398u, 399u, 507u, 524u, 525u, 526u, 527u}) {
    EXPECT_EQ(raw[off], 0) << off;
  }
  for (size_t off = 416; off < 420; ++off) EXPECT_EQ(raw[off], 0);
  for (size_t off = 432; off < 436; ++off) EXPECT_EQ(raw[off], 0);
  EXPECT_EQ(stored.dwSize, 528u);
}

TEST(Records, SizeGuardedNodeCopy) {
  _PATH_NODE_ src = testing_support::Node(7, 0.25f, 0.5f);
  src.dwReserved[4] = 42;
  _PATH_NODE_ whole;
  CopyNodeGuarded(&whole, &src);
  EXPECT_EQ(RawBytes(whole), RawBytes(src));

  src.dwSize = 40;  // a node of another version contributes only fXPos
  _PATH_NODE_ partial;
  CopyNodeGuarded(&partial, &src);
  _PATH_NODE_ expected;
  expected.fXPos = 0.25f;
  EXPECT_EQ(RawBytes(partial), RawBytes(expected));
}

TEST(Records, SizeGuardedRecordCopy) {
  _PATH_INFO_ src;
  src.dwMatchKey1 = 5;
  src.dwMatchKey2 = 6;
  std::strcpy(src.szGUID, "{SRC}");
  _PATH_NODE_ node;
  src.pPathNodes = &node;
  src.pExtraNode = &node;

  _PATH_INFO_ dst;
  EXPECT_TRUE(CopyPathInfoGuarded(&dst, &src));
  EXPECT_EQ(dst.dwMatchKey2, 6u);
  EXPECT_STREQ(dst.szGUID, "{SRC}");
  EXPECT_EQ(dst.pPathNodes, nullptr);
  EXPECT_EQ(dst.pExtraNode, nullptr);

  _PATH_INFO_ small;
  small.dwSize = 500;  // an older, shorter record takes only the first key
  EXPECT_FALSE(CopyPathInfoGuarded(&small, &src));
  EXPECT_EQ(small.dwMatchKey1, 5u);
  EXPECT_EQ(small.dwMatchKey2, 0u);
  EXPECT_STREQ(small.szGUID, "");
}

}  // namespace
}  // namespace mlvns
