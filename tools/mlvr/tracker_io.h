// Path lists in and out of the tool in every form it speaks: path files,
// the JSON form and the trackers' CSV texts (through the companion library).
#ifndef MOLVAREN_TOOLS_MLVR_TRACKER_IO_H_
#define MOLVAREN_TOOLS_MLVR_TRACKER_IO_H_

#include <map>
#include <string>

#include <CLI/CLI.hpp>

#include "tools/mlvr/tool_support.h"

namespace mlvr {

enum class Form { Otp, Json, Mot, Csv };

// Checks a --from / --to name; "otp" only where a path file may be given.
CLI::Validator FormNames(bool withPathFiles);
Form FormOf(const std::string& name);

struct FrameSize {
  int32_t width = 0;
  int32_t height = 0;
};

// "WxH" in pixels, both above 0.
FrameSize ParseSize(const std::string& text);
extern const CLI::Validator kSizeText;

// "A:B", "A:" or ":B", inclusive; an open end stays as it was.
void ParseFrameRange(const std::string& text, int32_t* first, int32_t* last);
extern const CLI::Validator kFrameRange;

// Reads a list in the given form; "-" is standard input. Tracker texts need
// the frame size; a `media` given becomes every path's media file.
List LoadList(const std::string& file, Form form, const std::string& size,
              const std::string& media);

// A list as JSON, MOT or pixel CSV text; a frame size of "" takes each
// path's own pixel size.
std::string ListText(const List& list, Form form, const std::string& size);

}  // namespace mlvr

#endif  // MOLVAREN_TOOLS_MLVR_TRACKER_IO_H_
