// The archive: the stream of a list, its packing in memory, the path file
// and the length-prefixed texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "archive/memory_packing.h"
#include "archive/path_file.h"
#include "archive/path_stream.h"
#include "archive/string_length.h"
#include "model/path_info_array.h"
#include "model/path_info_ops.h"
#include "tests/support/record_bytes.h"

namespace mlvns {
namespace {

using testing_support::Bytes;
using testing_support::ListHeaderBytes;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::NewPath;
using testing_support::Node;
using testing_support::NodeBytes;
using testing_support::ReadFileBytes;
using testing_support::StoredPathBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

std::vector<uint8_t> Encode(_PATH_INFO_ARRAY_* list) {
  std::vector<uint8_t> out(PathInfoArray_EncodedSize(list));
  ArchiveWriter ar(out.data(), out.size());
  EXPECT_EQ(PathInfoArray_Serialize(ar, &list), 1);
  EXPECT_EQ(ar.Remaining(), 0u);
  return out;
}

int32_t Decode(const std::vector<uint8_t>& bytes, _PATH_INFO_ARRAY_** list) {
  ArchiveReader ar(bytes.data(), bytes.size());
  return PathInfoArray_Serialize(ar, list);
}

TEST(PathStream, PathsNodesAndExtraNodeInOrder) {
  _PATH_INFO_* p = NewPath({Node(1, 0.25f, 0), Node(2, 0.5f, 0), Node(3, 0.75f, 0)});
  _PATH_INFO_* q = NewPath({Node(9, 1.0f, 0)});
  q->bHasExtraNode = 1, q->pExtraNode = new _PATH_NODE_[1]{Node(-5, 0.125f, 0, 0, 0)};
  q->pExtraNode[0].dwSize = 72;  // written at the size this library knows
  ListHolder list(NewList({p, q}));
  _PATH_INFO_** pointersBefore = list->ppPathInfos;

  Bytes expected = ListHeaderBytes(2);
  const float box = 0.1f;  // Node()'s default width and height
  expected.append(StoredPathBytes(3, 0, 1, 3)).append(NodeBytes(1, 0.25f, 0, box, box));
  expected.append(NodeBytes(2, 0.5f, 0, box, box)).append(NodeBytes(3, 0.75f, 0, box, box));
  expected.append(StoredPathBytes(1, 1, 9, 9)).append(NodeBytes(9, 1.0f, 0, box, box));
  expected.append(NodeBytes(-5, 0.125f));
  std::vector<uint8_t> bytes = Encode(list.get());
  EXPECT_EQ(bytes, expected.vec());
  _PATH_INFO_** pointersAfter = list->ppPathInfos;  // packed member: read it by value
  EXPECT_EQ(pointersAfter, pointersBefore);  // encoding leaves the list alone

  ListHolder back;
  ASSERT_EQ(Decode(bytes, back.ref()), 1);
  ASSERT_EQ(back->nNumOfPathInfos, 2);
  EXPECT_EQ(back->ppPathInfos[0]->pPathNodes[2].fXPos, 0.75f);
  EXPECT_EQ(back->ppPathInfos[1]->pExtraNode->nFrameIndex, -5);
  EXPECT_EQ(Encode(back.get()), bytes);
}

// A hole in the list, an extra-node flag without its node, a negative node
// count: nothing is measured or written.
TEST(PathStream, RefusesListsThatWouldNotReadBack) {
  ListHolder hole(NewList({NewPath({}), NewPath({})})), flag(NewList({NewPath({})}));
  ListHolder negative(NewList({NewPath({})}));
  PathInfo_FreeInfos(&hole->ppPathInfos[0], 1);
  flag->ppPathInfos[0]->bHasExtraNode = 1;
  negative->ppPathInfos[0]->nTotalPathNodeNum = -1;
  uint8_t buffer[2048] = {};
  ArchiveWriter ar(buffer, sizeof buffer);
  for (_PATH_INFO_ARRAY_* list : {hole.get(), flag.get(), negative.get()}) {
    EXPECT_EQ(PathInfoArray_EncodedSize(list), 0u);
    EXPECT_EQ(PathInfoArray_Serialize(ar, &list), 0);
    EXPECT_EQ(ar.Remaining(), sizeof buffer);
  }
  negative->ppPathInfos[0]->nTotalPathNodeNum = 0;
  _PATH_INFO_ARRAY_** nothing = nullptr;
  EXPECT_EQ(PathInfoArray_Serialize(ar, nothing), 0);
}

TEST(PathStream, ShorterAndLongerRecordsDecode) {
  // A path record of 500 bytes (older), then one of 600 (newer) whose 72
  // surplus bytes are skipped; nodes of 40 and 64 bytes; a header of 100.
  testing_support::StoredPathFields older, newer;
  older.size = 500, older.nodes = 2, older.in = 4, older.out = 5, newer.size = 600;
  older.reserved4 = 0xEE;  // in bytes 400..499: they count
  std::vector<uint8_t> o = StoredPathBytes(older).vec(), w = StoredPathBytes(newer).vec();
  o.resize(500), w.resize(600, 0xCC);
  Bytes b = ListHeaderBytes(2, 100).append(o).append(NodeBytes(4, 0.25f, 0, 0, 0, 40));
  b.append(NodeBytes(5, 0.75f, 0, 0, 0, 64)).append(w);
  ListHolder list;
  ASSERT_EQ(Decode(b.vec(), list.ref()), 1);
  ASSERT_EQ(std::tuple(list->dwSize, list->nNumOfPathInfos), std::tuple(88u, 2));
  const _PATH_INFO_* p = list->ppPathInfos[0];
  // Beyond the 500 bytes: defaults (track type and parameter).
  EXPECT_EQ(std::tuple(p->dwSize, p->dwReserved4, p->nTrackType, p->nTrackParam),
            std::tuple(544u, 0xEEu, 401u, 20u));
  ASSERT_EQ(p->nTotalPathNodeNum, 2);
  const _PATH_NODE_ *n = p->pPathNodes, *q = n + 1;  // dwReserved lies past 40 bytes
  EXPECT_EQ(std::tuple(n->dwSize, n->fXPos, n->dwReserved[0], q->dwSize, q->fXPos),
            std::tuple(60u, 0.25f, 0u, 60u, 0.75f));
  p = list->ppPathInfos[1];  // no nodes, no array
  EXPECT_EQ(std::tuple(p->nTrackType, p->nTotalPathNodeNum, p->pPathNodes),
            std::tuple(401u, 0, nullptr));
}

TEST(PathStream, DecodingIntoAnExistingListReplacesItsPaths) {
  std::vector<_PATH_INFO_*> five;
  for (int i = 0; i < 5; ++i) five.push_back(NewPath({Node(i, 0, 0)}));
  ListHolder list(NewList(five));
  list->abReserved2[19] = 9;  // past a short header: the list's own stays
  _PATH_INFO_ARRAY_* header = list.get();
  Bytes b;
  b.u32(60).zeros(52).i32(2).append(StoredPathBytes(0)).append(StoredPathBytes(0));
  ASSERT_EQ(Decode(b.vec(), list.ref()), 1);
  EXPECT_EQ(std::tuple(list.get(), list->nNumOfPathInfos, list->abReserved2[19]),
            std::tuple(header, 2, uint8_t{9}));
}

TEST(PathStream, MalformedStreamsFail) {
  const std::vector<uint8_t> streams[] = {
      // ends inside a node's size field
      ListHeaderBytes(1).append(StoredPathBytes(3)).u8(60).u8(0),
      Bytes().u32(3),                                // size fields below 4
      ListHeaderBytes(1).u32(2),
      ListHeaderBytes(1).append(StoredPathBytes(1)).u32(0),
      ListHeaderBytes(1).append(StoredPathBytes(-1)),  // a negative node count
      {},
  };
  for (const auto& bytes : streams) {
    ListHolder list;
    EXPECT_EQ(Decode(bytes, list.ref()), 0) << bytes.size();
    ASSERT_NE(list.get(), nullptr);  // the new header is the caller's to free
  }
  // A whole stream with nowhere to put the list.
  const std::vector<uint8_t> empty = ListHeaderBytes(0).vec();
  ArchiveReader reader(empty.data(), empty.size());
  _PATH_INFO_ARRAY_** nowhere = nullptr;
  EXPECT_EQ(PathInfoArray_Serialize(reader, nowhere), 0);
}

TEST(PathStream, CountsTheDataCannotHoldFailBeforeAllocating) {
  // 0x7fffffff nodes announced in a 700-byte buffer.
  Bytes b = ListHeaderBytes(1).append(StoredPathBytes(0x7fffffff));
  b.zeros(700 - b.size());
  ListHolder list;
  EXPECT_EQ(Decode(b.vec(), list.ref()), 0);
  ASSERT_EQ(list->nNumOfPathInfos, 1);
  const _PATH_INFO_* p = list->ppPathInfos[0];
  EXPECT_EQ(std::tuple(p->nTotalPathNodeNum, p->pPathNodes), std::tuple(0, nullptr));

  ListHolder paths;
  EXPECT_EQ(Decode(ListHeaderBytes(0x7fffffff).vec(), paths.ref()), 0);
  EXPECT_TRUE(paths->ppPathInfos == nullptr);
}

TEST(PathStream, RecordsCutInsideTheirBodyKeepDefaults) {
  // Cut at 100 bytes: the path's count lies beyond the cut and stays 0.
  Bytes whole = ListHeaderBytes(1).append(StoredPathBytes(3, 0, 7, 9));
  for (int i = 0; i < 3; ++i) whole.append(NodeBytes(i, 0.5f));
  std::vector<uint8_t> at100(whole.vec().begin(), whole.vec().begin() + 100);
  ListHolder a;
  ASSERT_EQ(Decode(at100, a.ref()), 1);
  ASSERT_EQ(a->nNumOfPathInfos, 1);
  EXPECT_EQ(std::tuple(a->ppPathInfos[0]->nTotalPathNodeNum, a->ppPathInfos[0]->nPathInIndex),
            std::tuple(0, -1));

  // Cut inside the last node's body: it keeps defaults for the rest.
  std::vector<uint8_t> inNode(whole.vec().begin(), whole.vec().end() - 40);
  ListHolder c;
  ASSERT_EQ(Decode(inNode, c.ref()), 1);
  const _PATH_NODE_& last = c->ppPathInfos[0]->pPathNodes[2];
  EXPECT_EQ(std::tuple(last.nFrameIndex, last.fXPos), std::tuple(2, 0.5f));
}

std::vector<uint8_t> Pack(_PATH_INFO_ARRAY_** list) {
  uint32_t n = 0, again = 0;
  EXPECT_EQ(PathInfoArray_Pack(list, nullptr, &n), 1);
  std::vector<uint8_t> out(n, 0xEE);
  EXPECT_EQ(PathInfoArray_Pack(list, out.data(), &again), 1);
  EXPECT_EQ(again, n);
  return out;
}

// An empty list is its header alone, reserved bytes included.
TEST(MemoryPacking, EmptyListPacksTo88BytesAndBadArgumentsFail) {
  ListHolder list(new _PATH_INFO_ARRAY_());
  list->abReserved1[3] = 7;
  list->abReserved2[19] = 9;
  EXPECT_EQ(Pack(list.ref()),
            Bytes().u32(88).zeros(3).u8(7).zeros(48).i32(0).zeros(27).u8(9).vec());

  uint32_t n = 7;
  _PATH_INFO_ARRAY_* none = nullptr;
  EXPECT_EQ(PathInfoArray_Pack(list.ref(), nullptr, nullptr), 1);
  EXPECT_EQ(PathInfoArray_Pack(nullptr, nullptr, &n), 0);
  EXPECT_EQ(PathInfoArray_Pack(&none, nullptr, &n), 0);
  EXPECT_EQ(n, 7u);
  // A list that would not read back is refused by the size query too.
  ListHolder holey(NewList({NewPath({})}));
  holey->ppPathInfos[0]->bHasExtraNode = 1;  // the flag without its node
  EXPECT_EQ(PathInfoArray_Pack(holey.ref(), nullptr, &n), 0);
  EXPECT_EQ(n, 7u);
  ListHolder none2;
  uint8_t byte = 0;
  EXPECT_EQ(PathInfoArray_Unpack(nullptr, 0, nullptr), 0);
  EXPECT_EQ(PathInfoArray_Unpack(&byte, 0, none2.ref()), 0);
  EXPECT_EQ(PathInfoArray_Unpack(nullptr, 10, none2.ref()), 0);
}

TEST(MemoryPacking, EveryTruncationGivesTheResultItsCutPointDictates) {
  _PATH_INFO_* p = NewPath({Node(0, 0, 0), Node(1, 0, 0)});
  p->bHasExtraNode = 1, p->pExtraNode = new _PATH_NODE_[1];
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

const char kHead[] = "Brask QN 15 Point Tracking Path File Head";

Bytes FileHead(uint32_t version = 101) { return Bytes().u8(41).raw(kHead).u32(version); }

TEST(PathFile, OnePathOfTwoNodesIs782BytesAndReadsBack) {
  TempDir dir;
  _PATH_INFO_* p = NewPath({Node(3, 0.5f, 0.25f), Node(4, 0.75f, 0.5f)});
  std::strcpy(p->szGUID, "{00000000-0000-0000-0000-000000000001}");
  ListHolder list(NewList({p}));
  const std::string name = dir.File("two.otp");
  ASSERT_EQ(PathInfo_OpenSave(name.c_str(), 1, list.ref()), 1);
  testing_support::StoredPathFields f;
  f.guid = p->szGUID, f.nodes = 2, f.in = 3, f.out = 4;
  Bytes expected = FileHead().append(ListHeaderBytes(1));
  expected.append(StoredPathBytes(f)).append(NodeBytes(3, 0.5f, 0.25f, 0.1f, 0.1f));
  EXPECT_EQ(ReadFileBytes(name), expected.append(NodeBytes(4, 0.75f, 0.5f, 0.1f, 0.1f)).vec());

  ListHolder back;
  ASSERT_EQ(PathInfo_OpenSave(name.c_str(), 0, back.ref()), 1);
  ASSERT_EQ(back->nNumOfPathInfos, 1);
  EXPECT_STREQ(back->ppPathInfos[0]->szGUID, p->szGUID);
  EXPECT_EQ(back->ppPathInfos[0]->pPathNodes[1].fXPos, 0.75f);
}

// Files by their first bytes: read (1) or refused with no list (0).
TEST(PathFile, HeaderTextAndVersionAreChecked) {
  TempDir dir;
  const Bytes empty = ListHeaderBytes(0);
  Bytes wide = Bytes().u8(0xFF).u16(0xFFFE).u8(41);
  for (char c : std::string(kHead)) wide.u16(c);
  const struct { Bytes bytes; int32_t ok; } cases[] = {
      {wide.u32(101).append(empty).raw("trailing junk"), 1},
      // The text compares as NUL-terminated text, as the framework's strings do.
      {Bytes().u8(43).raw(kHead).u8(0).u8('x').u32(101).append(empty), 1},
      {Bytes().u8(41).raw("brask QN 15 Point Tracking Path File Head").u32(101).append(empty), 0},
      {FileHead(100).append(empty), 0},
      {FileHead(102).append(empty), 0},
      {Bytes(), 0},
      {Bytes().u8(41).raw("Brask QN 15 Point"), 0},  // ends inside the text
      {Bytes().u8(41).raw(kHead).u8(101), 0},
  };
  int row = 0;
  for (const auto& c : cases) {
    WriteFileBytes(dir.File("x.otp"), c.bytes);
    ListHolder list;
    EXPECT_EQ(PathInfo_OpenSave(dir.File("x.otp").c_str(), 0, list.ref()), c.ok) << row;
    EXPECT_EQ(list.get() != nullptr, c.ok == 1) << row++;
  }
  ListHolder untouched;
  EXPECT_EQ(PathInfo_OpenSave(dir.File("missing.otp").c_str(), 0, untouched.ref()), 0);
  EXPECT_EQ(untouched.get(), nullptr);
  EXPECT_FALSE(platform::Env::Default()->PathExists(dir.File("missing.otp").c_str()));  // not created

  // Header text and version without the list's header record: the decode
  // fails and leaves an empty list for the caller to release.
  WriteFileBytes(dir.File("y.otp"), FileHead());
  ListHolder partial;
  EXPECT_EQ(PathInfo_OpenSave(dir.File("y.otp").c_str(), 0, partial.ref()), 0);
}

TEST(PathFile, SavingWithoutAListWritesOnlyTheHead) {
  TempDir dir;
  const std::string name = dir.File("h.otp");
  EXPECT_EQ(PathInfo_OpenSave(name.c_str(), 1, nullptr), 0);
  EXPECT_EQ(ReadFileBytes(name), FileHead().vec());
  _PATH_INFO_ARRAY_* none = nullptr;
  EXPECT_EQ(PathInfo_OpenSave(name.c_str(), 1, &none), 0);
  EXPECT_EQ(ReadFileBytes(name), FileHead().vec());
  EXPECT_EQ(PathInfo_OpenSave(dir.File("no/such/folder.otp").c_str(), 1, &none), 0);
  EXPECT_EQ(PathInfo_OpenSave(nullptr, 1, &none), 0);
  // A folder is not a path file.
  ListHolder list;
  EXPECT_EQ(PathInfo_OpenSave(dir.path().c_str(), 0, list.ref()), 0);
  EXPECT_EQ(list.get(), nullptr);
}

std::vector<uint8_t> Written(size_t length) {
  std::string text(length, 'a');
  std::vector<uint8_t> out(StringLengthPrefixSize(length) + length);
  ArchiveWriter ar(out.data(), out.size());
  EXPECT_TRUE(WriteLengthPrefixedText(ar, text.data(), text.size()));
  EXPECT_EQ(ar.Remaining(), 0u);
  out.resize(out.size() - length);  // the prefix alone
  return out;
}

TEST(StringLength, PrefixFormsByLength) {
  EXPECT_EQ(Written(41), Bytes().u8(41).vec());
  EXPECT_EQ(Written(254), Bytes().u8(254).vec());
  EXPECT_EQ(Written(255), Bytes().u8(0xFF).u16(255).vec());
  EXPECT_EQ(Written(0xFFFD), Bytes().u8(0xFF).u16(0xFFFD).vec());
  EXPECT_EQ(Written(0xFFFE), Bytes().u8(0xFF).u16(0xFFFF).u32(0xFFFE).vec());
  EXPECT_EQ(StringLengthPrefixSize(0xFFFFFFFEull), 7u);
  EXPECT_EQ(StringLengthPrefixSize(0xFFFFFFFFull), 15u);
}

TEST(StringLength, ReadsEveryFormAndShortDataIsEndOfFile) {
  // Wide text is converted to 8-bit text as the platform converts it.
  const char16_t he[] = {u'h', 0xE9};
  ASSERT_GT(platform::Utf16ToAnsi(he, 2).size(), 1u);
  const struct { Bytes bytes; bool ok; std::string text; } cases[] = {
      {Bytes().u8(3).raw("abc"), true, "abc"},
      {Bytes().u8(0xFF).u16(3).raw("abc"), true, "abc"},
      {Bytes().u8(0xFF).u16(0xFFFF).u32(3).raw("abc"), true, "abc"},
      {Bytes().u8(0xFF).u16(0xFFFF).u32(0xFFFFFFFF).u64(3).raw("abc"), true, "abc"},
      // Wide: the marker, then a length in any of the forms, then UTF-16LE.
      {Bytes().u8(0xFF).u16(0xFFFE).u8(2).u16('h').u16(0xE9), true, platform::Utf16ToAnsi(he, 2)},
      {Bytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(1).u16('x'), true, "x"},
      {Bytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).u32(1).u16('y'), true, "y"},
      {Bytes().u8(0), true, ""},
      {Bytes().u8(5).raw("abc"), false, ""},
      {Bytes().u8(0xFF).u16(0xFFFE).u8(2).u16('a'), false, ""},
      {Bytes().u8(0xFF).u8(1), false, ""},
      // A huge announced length costs nothing before it fails.
      {Bytes().u8(0xFF).u16(0xFFFF).u32(0xFFFFFFFE).raw("a"), false, ""},
      {Bytes(), false, ""},
  };
  int row = 0;
  for (const auto& c : cases) {
    ArchiveReader ar(c.bytes.vec().data(), c.bytes.size());
    std::string text;
    EXPECT_EQ(ReadLengthPrefixedText(ar, &text), c.ok) << row;
    if (c.ok) {
      EXPECT_EQ(text, c.text) << row;
    }
    ++row;
  }
}

}  // namespace
}  // namespace mlvns
