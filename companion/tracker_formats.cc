// MOTChallenge CSV and the plain pixel CSV, in and out of path lists. The
// one place where tracker boxes (pixels, top-left, y down) meet node boxes
// (fractions of the frame, centre, y up); mlvr and the Python package both
// come through here.
#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "companion/last_error.h"
#include "model/box_geometry.h"
#include "model/path_info_array.h"
#include "model/path_info_ops.h"
#include "model/records.h"
#include "molvaren/molvaren_x.h"

namespace mlvns {
namespace {

std::string Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Say(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

[[noreturn]] void Fail(const std::string& sentence) { throw std::runtime_error(sentence); }

// One box as a tracker gives it.
struct Box {
  int32_t frame = 0;  // the library's frame index, 0-based
  double left = 0, top = 0, width = 0, height = 0;
  float confidence = 0;
  int line = 0;
};

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t comma = line.find(',', start);
    fields.push_back(Trim(line.substr(start, comma - start)));
    if (comma == std::string::npos) return fields;
    start = comma + 1;
  }
}

// A cell of the text: where it is, for the sentences that name it.
struct Cell {
  int line;
  int column;
  const char* name;
  const std::string& text;

  [[noreturn]] void Refuse(const char* why) const {
    Fail(Say("line %d, column %d (%s): '%.40s' %s", line, column, name, text.c_str(), why));
  }

  double Number() const {
    const char* begin = text.c_str();
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    if (text.empty() || end != begin + text.size()) Refuse("is not a number");
    if (!std::isfinite(v)) Refuse("is not a finite number");
    return v;
  }

  int32_t Whole(int32_t lowest) const {
    const double v = Number();
    if (v != std::floor(v) || v < lowest || v > INT32_MAX - 1) {
      Refuse(lowest == 1 ? "is not a whole number from 1" : "is not a whole number from 0");
    }
    return static_cast<int32_t>(v);
  }

  double Size() const {
    const double v = Number();
    if (v <= 0) Refuse("is not a size above 0");
    return v;
  }
};

// The lines of the text with their 1-based numbers; blank lines dropped.
std::vector<std::pair<int, std::string>> Lines(const char* text, size_t bytes) {
  std::vector<std::pair<int, std::string>> lines;
  const std::string all(text, bytes);
  size_t start = 0;
  int number = 0;
  while (start < all.size()) {
    size_t end = all.find('\n', start);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++number;
    if (line.find('\0') != std::string::npos) Fail(Say("line %d holds a NUL byte", number));
    if (!Trim(line).empty()) lines.emplace_back(number, line);
    start = end + 1;
  }
  return lines;
}

const char* const kMotColumns[] = {"frame",     "id",   "bb_left", "bb_top", "bb_width",
                                   "bb_height", "conf", "x",       "y",      "z"};

// Boxes by track id from MOT lines: 6 to 10 columns, frames from 1.
std::map<int32_t, std::vector<Box>> ReadMot(const std::vector<std::pair<int, std::string>>& lines) {
  std::map<int32_t, std::vector<Box>> tracks;
  for (const auto& [number, line] : lines) {
    const std::vector<std::string> f = SplitFields(line);
    if (f.size() < 6) {
      Fail(
          Say("line %d: %zu columns where MOT needs at least 6 (frame,id,bb_left,bb_top,"
              "bb_width,bb_height)",
              number, f.size()));
    }
    if (f.size() > 10) {
      Fail(Say("line %d, column 11: MOT has 10 columns, this line has %zu", number, f.size()));
    }
    auto cell = [&](size_t i) {
      return Cell{number, static_cast<int>(i) + 1, kMotColumns[i], f[i]};
    };
    Box box;
    box.line = number;
    box.frame = cell(0).Whole(1) - 1;
    const int32_t id = cell(1).Whole(0);
    box.left = cell(2).Number();
    box.top = cell(3).Number();
    box.width = cell(4).Size();
    box.height = cell(5).Size();
    if (f.size() > 6) box.confidence = static_cast<float>(cell(6).Number());
    for (size_t i = 7; i < f.size(); ++i) cell(i).Number();
    tracks[id].push_back(box);
  }
  return tracks;
}

// One track from a pixel CSV: a header naming the columns in any order.
std::map<int32_t, std::vector<Box>> ReadPixelCsv(
    const std::vector<std::pair<int, std::string>>& lines) {
  static const char* const kNames[] = {"frame", "left", "top", "width", "height", "confidence"};
  constexpr int kKnown = 6, kRequired = 5;
  if (lines.empty()) Fail("the text is empty; a pixel CSV starts with its header line");
  const auto& [headerLine, header] = lines.front();
  const std::vector<std::string> names = SplitFields(header);
  int where[kKnown];
  std::fill(where, where + kKnown, -1);
  for (size_t c = 0; c < names.size(); ++c) {
    const int k = static_cast<int>(
        std::find_if(kNames, kNames + kKnown,
                     [&](const char* n) { return strcasecmp(n, names[c].c_str()) == 0; }) -
        kNames);
    if (k == kKnown) {
      Fail(
          Say("line %d, column %zu: unknown column '%.40s' (known: frame, left, top, width, "
              "height, confidence)",
              headerLine, c + 1, names[c].c_str()));
    }
    if (where[k] >= 0)
      Fail(Say("line %d, column %zu: column '%s' given twice", headerLine, c + 1, kNames[k]));
    where[k] = static_cast<int>(c);
  }
  for (int k = 0; k < kRequired; ++k) {
    if (where[k] < 0) Fail(Say("line %d: the header lacks the column '%s'", headerLine, kNames[k]));
  }
  std::map<int32_t, std::vector<Box>> tracks;
  std::vector<Box>& boxes = tracks[0];
  for (size_t i = 1; i < lines.size(); ++i) {
    const auto& [number, line] = lines[i];
    const std::vector<std::string> f = SplitFields(line);
    if (f.size() != names.size()) {
      Fail(Say("line %d: %zu columns where the header has %zu", number, f.size(), names.size()));
    }
    auto cell = [&](int k) { return Cell{number, where[k] + 1, kNames[k], f[where[k]]}; };
    Box box;
    box.line = number;
    box.frame = cell(0).Whole(0);
    box.left = cell(1).Number();
    box.top = cell(2).Number();
    box.width = cell(3).Size();
    box.height = cell(4).Size();
    if (where[5] >= 0) box.confidence = static_cast<float>(cell(5).Number());
    boxes.push_back(box);
  }
  return tracks;
}

struct ListDeleter {
  void operator()(_PATH_INFO_ARRAY_* list) const { PathInfoArray_Release(list); }
};
struct PathDeleter {
  void operator()(_PATH_INFO_* path) const { PathInfo_Release(path); }
};

// Pixels to a node box and back: centre, fractions of the frame, y upward.
void BoxToNode(const Box& box, int32_t width, int32_t height, _PATH_NODE_* node) {
  node->nFrameIndex = box.frame;
  node->fConfidence = box.confidence;
  node->fXPos = static_cast<float>((box.left + box.width / 2) / width);
  node->fYPos = static_cast<float>(1.0 - (box.top + box.height / 2) / height);
  node->fWidth = static_cast<float>(box.width / width);
  node->fHeight = static_cast<float>(box.height / height);
}

Box NodeToBox(const _PATH_NODE_& node, int32_t width, int32_t height) {
  Box box;
  box.frame = node.nFrameIndex;
  box.confidence = node.fConfidence;
  box.width = static_cast<double>(node.fWidth) * width;
  box.height = static_cast<double>(node.fHeight) * height;
  box.left = static_cast<double>(node.fXPos) * width - box.width / 2;
  box.top = (1.0 - static_cast<double>(node.fYPos)) * height - box.height / 2;
  return box;
}

_PATH_INFO_* NewTrackPath(std::vector<Box>& boxes, int32_t id, int32_t width, int32_t height,
                          const std::string& media) {
  std::stable_sort(boxes.begin(), boxes.end(),
                   [](const Box& a, const Box& b) { return a.frame < b.frame; });
  for (size_t i = 1; i < boxes.size(); ++i) {
    if (boxes[i].frame == boxes[i - 1].frame) {
      const int a = std::min(boxes[i].line, boxes[i - 1].line);
      const int b = std::max(boxes[i].line, boxes[i - 1].line);
      Fail(Say("line %d: track %d already has a box at this frame (line %d)", b, id, a));
    }
  }
  std::unique_ptr<_PATH_INFO_, PathDeleter> path(NewPathInfo());
  _PATH_NODE_* nodes = NewNodes(boxes.size());
  if (path == nullptr || nodes == nullptr) {
    DeleteNodes(nodes);
    Fail("out of memory");
  }
  path->pPathNodes = nodes;
  path->nTotalPathNodeNum = static_cast<int32_t>(boxes.size());
  for (size_t i = 0; i < boxes.size(); ++i) BoxToNode(boxes[i], width, height, &nodes[i]);
  path->nPathInIndex = nodes[0].nFrameIndex;
  path->nPathOutIndex = nodes[boxes.size() - 1].nFrameIndex;
  std::memcpy(path->szAssociateFile, media.c_str(), media.size() + 1);
  path->nFrameWidth = path->nVideoWidth = width;
  path->nFrameHeight = path->nVideoHeight = height;
  path->nFrameAspect = path->nVideoAspect = 2;
  PathInfo_AssignGUID(path.get());
  PathInfo_AssignTimeStamp(path.get());
  PathInfo_CorrectCtrlPtrBasedOnPathType(path.get());
  return path.release();
}

// Pixel values with at most three decimals, trailing zeros dropped.
std::string Pixels(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", v);
  std::string s = text;
  s.erase(s.find_last_not_of('0') + 1);
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string Confidence(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", static_cast<double>(v));
  return text;
}

struct Row {
  int32_t frame;
  int32_t id;
  std::string text;
};

std::vector<Row> Rows(const _PATH_INFO_ARRAY_& list, int32_t nFormat, int32_t width,
                      int32_t height) {
  std::vector<Row> rows;
  for (int32_t p = 0; p < list.nNumOfPathInfos; ++p) {
    const _PATH_INFO_* path = list.ppPathInfos == nullptr ? nullptr : list.ppPathInfos[p];
    if (path == nullptr) Fail(Say("path %d of the list is missing", p + 1));
    int32_t w = width, h = height;
    if (w == 0 && h == 0) {
      if (path->nFrameAspect != 2 || path->nFrameWidth <= 0 || path->nFrameHeight <= 0) {
        Fail(Say("path %d does not give its frame size in pixels; give the frame size", p + 1));
      }
      w = path->nFrameWidth;
      h = path->nFrameHeight;
    }
    if (path->nTotalPathNodeNum > 0 && path->pPathNodes == nullptr) {
      Fail(Say("path %d counts %d nodes but holds none", p + 1, path->nTotalPathNodeNum));
    }
    for (int32_t n = 0; n < path->nTotalPathNodeNum; ++n) {
      const Box b = NodeToBox(path->pPathNodes[n], w, h);
      const int32_t frame = nFormat == MLVRX_FORMAT_MOT ? b.frame + 1 : b.frame;
      if (b.frame < 0 || b.frame == INT32_MAX) {
        Fail(Say("path %d, node %d: frame %d cannot be written", p + 1, n + 1, b.frame));
      }
      if (!std::isfinite(b.left) || !std::isfinite(b.top) || !std::isfinite(b.width) ||
          !std::isfinite(b.height) || !std::isfinite(b.confidence)) {
        Fail(Say("path %d, node %d (frame %d) holds a value that is not finite", p + 1, n + 1,
                 b.frame));
      }
      std::string text = std::to_string(frame) + ",";
      if (nFormat == MLVRX_FORMAT_MOT) text += std::to_string(p + 1) + ",";
      text += Pixels(b.left) + "," + Pixels(b.top) + "," + Pixels(b.width) + "," +
              Pixels(b.height) + "," + Confidence(b.confidence);
      if (nFormat == MLVRX_FORMAT_MOT) text += ",-1,-1,-1";
      rows.push_back({frame, p + 1, text + "\n"});
    }
  }
  return rows;
}

void CheckFormat(int32_t nFormat) {
  if (nFormat != MLVRX_FORMAT_MOT && nFormat != MLVRX_FORMAT_PIXEL_CSV) {
    Fail(Say("unknown tracker format %d (1 MOT, 2 pixel CSV)", nFormat));
  }
}

}  // namespace
}  // namespace mlvns

extern "C" {

MLVRX_API int32_t MlvrX_ReadTrackerCsv(const char* pszText, size_t nBytes, int32_t nFormat,
                                       int32_t nWidth, int32_t nHeight, const char* pszMediaFile,
                                       mlvns::_PATH_INFO_ARRAY_** ppArray) {
  using namespace mlvns;
  return CompanionCall([&] {
    CheckFormat(nFormat);
    if (ppArray == nullptr) Fail("no place for the list was given");
    if (pszText == nullptr && nBytes > 0) Fail("the text is missing");
    if (nWidth <= 0 || nHeight <= 0) {
      Fail(Say("the frame size %dx%d is not a size in pixels", nWidth, nHeight));
    }
    const std::string media = pszMediaFile == nullptr ? "" : pszMediaFile;
    if (media.size() >= sizeof(_PATH_INFO_::szAssociateFile)) {
      Fail(Say("the media file name is %zu bytes long; at most 259 fit", media.size()));
    }
    const auto lines = Lines(pszText, nBytes);
    auto tracks = nFormat == MLVRX_FORMAT_MOT ? ReadMot(lines) : ReadPixelCsv(lines);
    if (tracks.empty() || tracks.begin()->second.empty()) Fail("the text holds no boxes");
    std::unique_ptr<_PATH_INFO_ARRAY_, ListDeleter> list(NewPathInfoArray());
    if (list == nullptr) Fail("out of memory");
    for (auto& [id, boxes] : tracks) {
      std::unique_ptr<_PATH_INFO_, PathDeleter> path(
          NewTrackPath(boxes, id, nWidth, nHeight, media));
      _PATH_INFO_ARRAY_* raw = list.get();
      if (PathInfoArray_Add(&raw, path.get()) == 0) Fail("out of memory");
      path.release();
    }
    *ppArray = list.release();
    return 1;
  });
}

MLVRX_API int32_t MlvrX_WriteTrackerCsv(const mlvns::_PATH_INFO_ARRAY_* pArray, int32_t nFormat,
                                        int32_t nWidth, int32_t nHeight, char** ppszText,
                                        size_t* pnBytes) {
  using namespace mlvns;
  return CompanionCall([&] {
    CheckFormat(nFormat);
    if (pArray == nullptr) Fail("no list was given");
    if (ppszText == nullptr || pnBytes == nullptr) Fail("no place for the text was given");
    if (nWidth < 0 || nHeight < 0 || (nWidth == 0) != (nHeight == 0)) {
      Fail(Say("the frame size %dx%d is not a size in pixels", nWidth, nHeight));
    }
    std::string text;
    if (nFormat == MLVRX_FORMAT_PIXEL_CSV) {
      if (pArray->nNumOfPathInfos != 1) {
        Fail(Say("a pixel CSV holds one path; the list has %d", pArray->nNumOfPathInfos));
      }
      text = "frame,left,top,width,height,confidence\n";
    }
    std::vector<Row> rows = Rows(*pArray, nFormat, nWidth, nHeight);
    // MOT files run frame by frame, tracks in id order within a frame.
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
      return a.frame != b.frame ? a.frame < b.frame : a.id < b.id;
    });
    for (const Row& row : rows) text += row.text;
    char* out = static_cast<char*>(std::malloc(text.size() + 1));
    if (out == nullptr) Fail("out of memory");
    std::memcpy(out, text.c_str(), text.size() + 1);
    *ppszText = out;
    *pnBytes = text.size();
    return 1;
  });
}

MLVRX_API void MlvrX_FreeText(char* pszText) { std::free(pszText); }

}  // extern "C"
