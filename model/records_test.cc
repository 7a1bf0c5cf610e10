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
  EXPECT_EQ(std::tuple(back.dwSize, back.pReserved, back.dwReserved6, back.pPathNodes, back.pExtraNode),
            std::tuple(544u, 7u, 5u, nullptr, nullptr));
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
  p.pPathNodes = p.pExtraNode = nodes;
  _PATH_INFO_FILE_ stored;
  PathInfoToStored(p, &stored);
  const std::vector<uint8_t> raw = RawBytes(stored);
  for (size_t off : {276, 277, 278, 279, 398, 399, 416, 417, 418, 419, 432, 433, 434, 435, 507, 524,
                     525, 526, 527}) {
    EXPECT_EQ(raw[off], 0) << off;
  }
  EXPECT_EQ(stored.dwSize, 528u);
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
  from.dwMatchKey1 = 5;
  from.dwMatchKey2 = 6;
  std::strcpy(from.szGUID, "{SRC}");
  from.pPathNodes = from.pExtraNode = &src;
  EXPECT_TRUE(CopyPathInfoGuarded(&to, &from));
  EXPECT_EQ(std::tuple(to.dwMatchKey2, std::string(to.szGUID), to.pPathNodes, to.pExtraNode),
            std::tuple(6u, std::string("{SRC}"), nullptr, nullptr));
  small.dwSize = 500;
  EXPECT_FALSE(CopyPathInfoGuarded(&small, &from));
  EXPECT_EQ(std::tuple(small.dwMatchKey1, small.dwMatchKey2, small.szGUID[0]),
            std::tuple(5u, 0u, '\0'));
}

}  // namespace
}  // namespace mlvns
