#include "model/path_info_array.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "archive/list_copy.h"
#include "model/path_info_ops.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::NewPath;
using testing_support::Node;

TEST(PathList, AddKeepsOrderAndFreeReleasesAll) {
  _PATH_INFO_ARRAY_* list = nullptr;
  EXPECT_EQ(PathInfoArray_Add(nullptr, nullptr) + PathInfoArray_Add(&list, nullptr), 0);
  list = new _PATH_INFO_ARRAY_();
  _PATH_INFO_* paths[3] = {NewPath({Node(1, 0, 0), Node(2, 0, 0)}), NewPath({}), NewPath({})};
  paths[0]->bHasExtraNode = 1;
  paths[0]->pExtraNode = new _PATH_NODE_[1];
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
  p->pReserved = static_cast<uintptr_t>(0x100000005ull);
  p->dwReserved6 = 9;
  p->bHasExtraNode = 1;
  p->pExtraNode = new _PATH_NODE_[1];
  p->pExtraNode->dwSize = 40;  // comes back at the current size
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

}  // namespace
}  // namespace mlvns
