#include "archive/path_file.h"

#include <gtest/gtest.h>

#include "archive/string_length.h"
#include "tests/support/record_bytes.h"

namespace mlvns {
namespace {

using testing_support::Bytes;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::NewPath;
using testing_support::Node;
using testing_support::NodeBytes;
using testing_support::StoredPathBytes;
using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

const char kHead[] = "Brask QN 15 Point Tracking Path File Head";

Bytes FileHead(uint32_t version = 101) { return Bytes().u8(41).raw(kHead).u32(version); }
Bytes EmptyList() { return testing_support::ListHeaderBytes(0); }

TEST(PathFile, OnePathOfTwoNodesIs782BytesAndReadsBack) {
  TempDir dir;
  _PATH_INFO_* p = NewPath({Node(3, 0.5f, 0.25f), Node(4, 0.75f, 0.5f)});
  std::strcpy(p->szGUID, "{00000000-0000-0000-0000-000000000001}");
  ListHolder list(NewList({p}));
  const std::string name = dir.File("two.otp");
  ASSERT_EQ(PathInfo_OpenSave(name.c_str(), 1, list.ref()), 1);
  testing_support::StoredPathFields f;
  f.guid = p->szGUID, f.nodes = 2, f.in = 3, f.out = 4;
  Bytes expected = FileHead().append(testing_support::ListHeaderBytes(1));
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
  Bytes wide;
  wide.u8(0xFF).u16(0xFFFE).u8(41);
  for (char c : std::string(kHead)) wide.u16(c);
  const struct {
    Bytes bytes;
    int32_t ok;
  } cases[] = {
      {wide.u32(101).append(EmptyList()).raw("trailing junk"), 1},
      // The text compares as NUL-terminated text, as the framework's strings do.
      {Bytes().u8(43).raw(kHead).u8(0).u8('x').u32(101).append(EmptyList()), 1},
      {Bytes().u8(41).raw("brask QN 15 Point Tracking Path File Head").u32(101).append(EmptyList()), 0},
      {FileHead(100).append(EmptyList()), 0},
      {FileHead(102).append(EmptyList()), 0},
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
  const struct {
    Bytes bytes;
    bool ok;
    std::string text;
  } cases[] = {
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
