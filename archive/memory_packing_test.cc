#include "archive/memory_packing.h"

#include <gtest/gtest.h>

#include "tests/support/record_bytes.h"

namespace mlvns {
namespace {

using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::NewPath;
using testing_support::Node;

std::vector<uint8_t> Pack(_PATH_INFO_ARRAY_** list) {
  uint32_t n = 0;
  EXPECT_EQ(PathInfoArray_Pack(list, nullptr, &n), 1);
  std::vector<uint8_t> out(n, 0xEE);
  uint32_t again = 0;
  EXPECT_EQ(PathInfoArray_Pack(list, out.data(), &again), 1);
  EXPECT_EQ(again, n);
  return out;
}

TEST(MemoryPacking, EmptyListPacksTo88BytesAndBadArgumentsFail) {
  ListHolder list(new _PATH_INFO_ARRAY_());
  std::vector<uint8_t> bytes = Pack(list.ref());
  EXPECT_EQ(bytes, testing_support::ListHeaderBytes(0).vec());

  uint32_t n = 7;
  EXPECT_EQ(PathInfoArray_Pack(list.ref(), nullptr, nullptr), 1);
  EXPECT_EQ(PathInfoArray_Pack(nullptr, nullptr, &n), 0);
  _PATH_INFO_ARRAY_* none = nullptr;
  EXPECT_EQ(PathInfoArray_Pack(&none, nullptr, &n), 0);
  EXPECT_EQ(n, 7u);
  // A list that would not read back is refused by the size query too.
  ListHolder holey(NewList({NewPath({})}));
  holey->ppPathInfos[0]->bHasExtraNode = 1;  // the flag without its node
  EXPECT_EQ(PathInfoArray_Pack(holey.ref(), nullptr, &n), 0);
  EXPECT_EQ(n, 7u);
  // Unpacking nothing, or into nowhere.
  ListHolder none2;
  uint8_t byte = 0;
  EXPECT_EQ(PathInfoArray_Unpack(nullptr, 0, nullptr), 0);
  EXPECT_EQ(PathInfoArray_Unpack(&byte, 0, none2.ref()), 0);
  EXPECT_EQ(PathInfoArray_Unpack(nullptr, 10, none2.ref()), 0);
}

TEST(MemoryPacking, EveryTruncationGivesTheResultItsCutPointDictates) {
  _PATH_INFO_* p = NewPath({Node(0, 0, 0), Node(1, 0, 0)});
  p->bHasExtraNode = 1;
  p->pExtraNode = new _PATH_NODE_[1];
  ListHolder list(NewList({p, NewPath({Node(5, 0, 0)})}));
  std::vector<uint8_t> bytes = Pack(list.ref());
  // Header [0,88), first path [88,616) with nodes and extra node to 796,
  // second path [796,1324), its node [1324,1384). A cut fails exactly when a
  // size field that the bytes before it call for is incomplete; the low
  // bytes of the counts (header at 56, second path at 1208) make them
  // non-zero as soon as they are in.
  ASSERT_EQ(bytes.size(), 1384u);
  auto expected = [](uint32_t n) {
    if (n < 4) return 0;
    if (n <= 56) return 1;    // count of paths not yet in: an empty list
    if (n < 800) return 0;    // the second path's size field is missing
    if (n <= 1208) return 1;  // its node count not yet in
    if (n < 1328) return 0;   // its node's size field is missing
    return 1;
  };
  for (uint32_t n = 0; n <= bytes.size(); ++n) {
    ListHolder out;
    EXPECT_EQ(PathInfoArray_Unpack(bytes.data(), n, out.ref()), expected(n)) << n;
  }
}

}  // namespace
}  // namespace mlvns
