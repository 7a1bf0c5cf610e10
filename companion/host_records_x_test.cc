// The host-records functions as a C or Python host calls them: everything
// they allocate is released by the core's Free exports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "molvaren/molvaren.h"
#include "molvaren/molvaren_x.h"

namespace {

using mlvns::_PATH_INFO_;
using mlvns::_PATH_INFO_ARRAY_;

_PATH_INFO_* PathOfBoxes(const std::vector<int32_t>& frames, const std::vector<double>& boxes) {
  _PATH_INFO_* path = nullptr;
  EXPECT_EQ(MlvrX_PathInfo_New(&path), 1);
  EXPECT_EQ(MlvrX_PathInfo_SetBoxes(path, frames.data(), boxes.data(), nullptr,
                                    static_cast<int32_t>(frames.size()), 1920, 1080),
            1)
      << MlvrX_LastError();
  return path;
}

TEST(HostRecords, BoxesBecomeNodesOfTheCoreGeometryAndComeBack) {
  _PATH_INFO_* path = PathOfBoxes({10, 20}, {100, 200, 200, 200, 100, 200, 201, 201});
  ASSERT_EQ(path->nTotalPathNodeNum, 2);
  EXPECT_FLOAT_EQ(path->pPathNodes[0].fXPos, 200.0f / 1920);
  EXPECT_FLOAT_EQ(path->pPathNodes[0].fYPos, 1.0f - 300.0f / 1080);
  EXPECT_EQ(path->nPathInIndex, 10);
  EXPECT_EQ(path->nPathOutIndex, 20);
  EXPECT_EQ(path->nFrameAspect, 2);
  int32_t frames[2];
  int32_t boxes[8];
  ASSERT_EQ(MlvrX_PathInfo_GetBoxes(path, 1920, 1080, frames, boxes, 2), 1);
  EXPECT_EQ(std::vector<int32_t>(boxes, boxes + 8),
            (std::vector<int32_t>{100, 200, 200, 200, 99, 199, 202, 202}));
  EXPECT_EQ(frames[1], 20);
  EXPECT_EQ(MlvrX_PathInfo_GetBoxes(path, 1920, 1080, frames, boxes, 1), 0);
  EXPECT_NE(std::string(MlvrX_LastError()).find("room for 1"), std::string::npos);
  EXPECT_EQ(Mlvr_PathInfo_FreeInfos(&path, 1), 1);
}

TEST(HostRecords, ListOwnsTheAddedPathAndTheCoreFreesBoth) {
  _PATH_INFO_ARRAY_* list = nullptr;
  ASSERT_EQ(MlvrX_PathInfoArray_New(&list), 1);
  ASSERT_EQ(Mlvr_PathInfoArray_Add(&list, PathOfBoxes({0, 1, 2}, std::vector<double>(12, 8))), 1);
  uint32_t needed = 0;
  ASSERT_EQ(MlvrX_DumpPathInfosText(list->ppPathInfos[0], 1, "t", nullptr, 0, &needed), 1);
  std::string text(needed, '\0');
  ASSERT_EQ(MlvrX_DumpPathInfosText(list->ppPathInfos[0], 1, "t", &text[0], needed, nullptr), 1);
  EXPECT_NE(text.find("==> nSizeOfpPathInfo: 732\n"), std::string::npos);
  EXPECT_EQ(MlvrX_DumpPathInfosText(list->ppPathInfos[0], 1, "t", &text[0], 4, nullptr), 0);
  EXPECT_EQ(MlvrX_PathInfoArray_New(&list), 0) << "a live reference must not be overwritten";
  EXPECT_EQ(Mlvr_PathInfoArray_Free(&list), 1);
}

struct BadBoxes {
  std::vector<int32_t> frames;
  std::vector<double> boxes;
  int32_t width;
  const char* sentence;
};

class HostRecordsRefuse : public testing::TestWithParam<BadBoxes> {};

TEST_P(HostRecordsRefuse, WithASentenceAndThePathUnchanged) {
  _PATH_INFO_* path = PathOfBoxes({4}, {0, 0, 10, 10});
  const BadBoxes& bad = GetParam();
  EXPECT_EQ(MlvrX_PathInfo_SetBoxes(path, bad.frames.data(), bad.boxes.data(), nullptr,
                                    static_cast<int32_t>(bad.frames.size()), bad.width, 1080),
            0);
  EXPECT_NE(std::string(MlvrX_LastError()).find(bad.sentence), std::string::npos)
      << MlvrX_LastError();
  EXPECT_EQ(path->nTotalPathNodeNum, 1);
  EXPECT_EQ(path->pPathNodes[0].nFrameIndex, 4);
  Mlvr_PathInfo_FreeInfos(&path, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, HostRecordsRefuse,
    testing::Values(BadBoxes{{3, 3}, {0, 0, 1, 1, 0, 0, 1, 1}, 1920, "frames must increase"},
                    BadBoxes{{0}, {0, 0, -2, 1}, 1920, "negative width"},
                    BadBoxes{{0}, {0, 0, 1e300, 1}, 1920, "unusable width"},
                    BadBoxes{{0}, {0, 0, 1, 1}, 0, "frame size must be positive"}));

}  // namespace
