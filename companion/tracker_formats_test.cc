#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>
#include <tuple>

#include "molvaren/molvaren_x.h"

namespace {

using mlvns::_PATH_INFO_;
using mlvns::_PATH_NODE_;
using mlvns::_PATH_INFO_ARRAY_;

struct Read {
  _PATH_INFO_ARRAY_* list = nullptr;
  int32_t ok = 0;
  Read(const std::string& text, int32_t format, int32_t w = 1280, int32_t h = 720)
      : ok(MlvrX_ReadTrackerCsv(text.data(), text.size(), format, w, h, "clip.mp4", &list)) {}
  ~Read() { Mlvr_PathInfoArray_Free(&list); }
};

std::string Write(const _PATH_INFO_ARRAY_* list, int32_t format, int32_t w = 0, int32_t h = 0) {
  char* text = nullptr;
  size_t n = 0;
  if (MlvrX_WriteTrackerCsv(list, format, w, h, &text, &n) != 1)
    return "error: " + std::string(MlvrX_LastError());
  std::string out(text, n);
  MlvrX_FreeText(text);
  return out;
}

// Two tracks, interleaved and out of order; track 7 skips frames 3 and 4.
const char kMot[] =
    "5,7,10,20,30,40,0.5,-1,-1,-1\n"
    "1,7,100,200,50,40,0.9,-1,-1,-1\r\n"
    "1,3,0,0,1280,720,1,-1,-1,-1\n"
    "\n"
    "2,7,101.5,200.25,50,40,0.8,-1,-1,-1\n";

TEST(TrackerFormats, MotGivesOnePathPerIdWithGapsKept) {
  Read r(kMot, MLVRX_FORMAT_MOT);
  ASSERT_EQ(r.ok, 1) << MlvrX_LastError();
  ASSERT_EQ(r.list->nNumOfPathInfos, 2);
  const _PATH_NODE_& whole = r.list->ppPathInfos[0]->pPathNodes[0];  // id 3
  EXPECT_EQ(std::tuple(whole.fXPos, whole.fYPos, whole.fWidth), std::tuple(0.5f, 0.5f, 1.0f));
  const _PATH_INFO_& p = *r.list->ppPathInfos[1];  // id 7
  ASSERT_EQ(p.nTotalPathNodeNum, 3);
  // Box (100, 200, 50x40) in 1280x720: centre (125, 220), y turned upward.
  const _PATH_NODE_& n = p.pPathNodes[0];
  EXPECT_EQ(std::tuple(n.nFrameIndex, n.fXPos, n.fYPos, n.fHeight, n.fConfidence, n.fCtrlXPos),
            std::tuple(0, 125.0f / 1280, 1 - 220.0f / 720, 40.0f / 720, 0.9f,
                       (n.fXPos + p.pPathNodes[1].fXPos) / 2));
}

TEST(TrackerFormats, PixelCsvTakesColumnsInAnyOrder) {
  Read r("Top,frame,left,height,width\n20,0,10,40,30\n22,3,12,40,30\n", MLVRX_FORMAT_PIXEL_CSV);
  ASSERT_EQ(r.ok, 1) << MlvrX_LastError();
  EXPECT_EQ(Write(r.list, MLVRX_FORMAT_PIXEL_CSV),
            "frame,left,top,width,height,confidence\n0,10,20,30,40,0\n3,12,22,30,40,0\n");
}

struct BadText { int32_t format; const char *text, *sentence; };
constexpr int32_t kMotFormat = MLVRX_FORMAT_MOT, kPixels = MLVRX_FORMAT_PIXEL_CSV;

void PrintTo(const BadText& bad, std::ostream* os) { *os << bad.sentence; }

class TrackerFormatsRefuse : public testing::TestWithParam<BadText> {};

TEST_P(TrackerFormatsRefuse, NamesTheLineAndColumnAndGivesNoList) {
  Read r(GetParam().text, GetParam().format);
  EXPECT_TRUE(r.ok == 0 && r.list == nullptr);
  EXPECT_NE(std::string(MlvrX_LastError()).find(GetParam().sentence), std::string::npos)
      << MlvrX_LastError();
}

const BadText kBad[] = {
    {kMotFormat, "1,1,0,0,10,10\n2,1,0,0,x,10\n",
     "line 2, column 5 (bb_width): 'x' is not a number"},
    {kMotFormat, "1,1,0,0,-1,10\n", "line 1, column 5 (bb_width): '-1' is not a size above 0"},
    {kMotFormat, "0,1,0,0,10,10\n", "line 1, column 1 (frame): '0' is not a whole number from 1"},
    {kMotFormat, "1,1,nan,0,10,10\n", "column 3 (bb_left): 'nan' is not a finite"},
    {kMotFormat, "1,1,0,0,10\n", "line 1: 5 columns"},
    {kMotFormat, "1,1,0,0,10,10,1,1,1,1,1\n", "line 1, column 11"},
    {kMotFormat, "3,1,0,0,10,10\n\n3,1,1,1,10,10\n",
     "line 3: track 1 already has a box at this frame (line 1)"},
    {kMotFormat, "", "holds no boxes"},
    {kPixels, "frame,left,top,width,height\n", "holds no boxes"},
    {kPixels, "frame,left,top,width,height,id\n", "line 1, column 6: unknown column 'id'"},
    {kPixels, "frame,left,top,width\n", "lacks the column 'height'"},
    {kPixels, "frame,left,top,width,height\n1,2,3,4\n", "line 2: 4 columns where the header has 5"},
    {kPixels, "frame,left,top,width,height\n-1,2,3,4,5\n", "column 1 (frame): '-1'"},
    {3, "1,1,0,0,10,10\n", "unknown tracker format 3"}};
INSTANTIATE_TEST_SUITE_P(Cases, TrackerFormatsRefuse, testing::ValuesIn(kBad));

TEST(TrackerFormats, RefusesWhatCannotBeReadOrWritten) {
  Read noSize("1,1,0,0,10,10\n", MLVRX_FORMAT_MOT, 0, 720);
  EXPECT_EQ(noSize.ok, 0);
  EXPECT_STREQ(MlvrX_LastError(), "the frame size 0x720 is not a size in pixels");
  Read two(kMot, MLVRX_FORMAT_MOT);
  EXPECT_EQ(Write(two.list, MLVRX_FORMAT_PIXEL_CSV),
            "error: a pixel CSV holds one path; the list has 2");
  two.list->ppPathInfos[0]->nFrameAspect = 0;
  EXPECT_EQ(Write(two.list, MLVRX_FORMAT_MOT),
            "error: path 1 does not give its frame size in pixels; give the frame size");
  two.list->ppPathInfos[1]->pPathNodes[1].fWidth = std::numeric_limits<float>::infinity();
  EXPECT_EQ(Write(two.list, MLVRX_FORMAT_MOT, 1280, 720),
            "error: path 2, node 2 (frame 1) holds a value that is not finite");
}

}  // namespace
