// The host-records functions as a C host calls them, for what the Python
// package cannot reach: short buffers, live references, unusable sizes.
// Everything they allocate is released by the core's Free exports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "molvaren/molvaren.h"
#include "molvaren/molvaren_x.h"

namespace {

using mlvns::_PATH_INFO_;
using mlvns::_PATH_INFO_ARRAY_;

bool ErrorSays(const char* words) {
  return std::string(MlvrX_LastError()).find(words) != std::string::npos;
}

TEST(HostRecords, RefusesShortBuffersAndBadBoxesLeavingRecordsAsTheyWere) {
  const int32_t frames[] = {10, 20};
  const double boxes[] = {100, 200, 200, 200, 100, 200, 201, 201};
  const double huge[] = {0, 0, 1e300, 1, 0, 0, 1, 1};
  _PATH_INFO_* path = nullptr;
  ASSERT_EQ(MlvrX_PathInfo_New(&path), 1);
  ASSERT_EQ(MlvrX_PathInfo_SetBoxes(path, frames, boxes, nullptr, 2, 1920, 1080), 1);
  EXPECT_EQ(MlvrX_PathInfo_SetBoxes(path, frames, huge, nullptr, 2, 1920, 1080), 0);
  EXPECT_TRUE(ErrorSays("unusable width")) << MlvrX_LastError();
  int32_t back[8], got[2];
  EXPECT_EQ(MlvrX_PathInfo_GetBoxes(path, 1920, 1080, got, back, 1), 0);
  EXPECT_TRUE(ErrorSays("room for 1")) << MlvrX_LastError();
  ASSERT_EQ(MlvrX_PathInfo_GetBoxes(path, 1920, 1080, got, back, 2), 1);
  EXPECT_EQ(std::vector<int32_t>(back, back + 4), (std::vector<int32_t>{100, 200, 200, 200}));

  _PATH_INFO_ARRAY_* list = nullptr;
  ASSERT_EQ(MlvrX_PathInfoArray_New(&list), 1);
  ASSERT_EQ(Mlvr_PathInfoArray_Add(&list, path), 1);
  uint32_t needed = 0;
  ASSERT_EQ(MlvrX_DumpPathInfosText(path, 1, "t", nullptr, 0, &needed), 1);
  std::string text(needed, '\0');
  EXPECT_EQ(MlvrX_DumpPathInfosText(path, 1, "t", &text[0], 4, nullptr), 0);
  EXPECT_EQ(MlvrX_PathInfoArray_New(&list), 0) << "a live reference must not be overwritten";
  EXPECT_EQ(Mlvr_PathInfoArray_Free(&list), 1);  // the list owns the added path
}

}  // namespace
