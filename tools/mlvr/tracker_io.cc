#include "tools/mlvr/tracker_io.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "molvaren/molvaren_x.h"
#include "tools/mlvr/json_form.h"

namespace mlvr {

CLI::Validator FormNames(bool withPathFiles) {
  std::vector<std::string> names = {"json", "mot", "csv"};
  if (withPathFiles) names.insert(names.begin(), "otp");
  return CLI::IsMember(names, CLI::ignore_case);
}

Form FormOf(const std::string& name) {
  static const std::map<std::string, Form> forms = {
      {"otp", Form::Otp}, {"json", Form::Json}, {"mot", Form::Mot}, {"csv", Form::Csv}};
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return forms.at(lower);
}

FrameSize ParseSize(const std::string& text) {
  FrameSize s;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%dx%d%c", &s.width, &s.height, &tail) != 2 || s.width <= 0 ||
      s.height <= 0)
    throw Failure("--size " + text + ": expected WIDTHxHEIGHT in pixels, e.g. 1280x720");
  return s;
}

const CLI::Validator kSizeText(
    [](std::string& text) -> std::string {
      try {
        ParseSize(text);
      } catch (const Failure&) {
        return "'" + text + "' is not WIDTHxHEIGHT in pixels, e.g. 1280x720";
      }
      return {};
    },
    "WxH", "frame size");

void ParseFrameRange(const std::string& text, int32_t* first, int32_t* last) {
  const size_t colon = text.find(':');
  auto number = [&](const std::string& part, int32_t* out) {
    if (part.empty()) return;
    size_t used = 0;
    long long v = 0;
    try {
      v = std::stoll(part, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used != part.size() || v < INT32_MIN || v > INT32_MAX)
      throw Failure("--frames " + text + ": expected whole frame numbers A:B");
    *out = static_cast<int32_t>(v);
  };
  if (colon == std::string::npos) throw Failure("--frames " + text + ": expected A:B");
  number(text.substr(0, colon), first);
  number(text.substr(colon + 1), last);
  if (*first > *last) throw Failure("--frames " + text + ": A is after B");
}

const CLI::Validator kFrameRange(
    [](std::string& text) -> std::string {
      int32_t a = INT32_MIN, b = INT32_MAX;
      try {
        ParseFrameRange(text, &a, &b);
      } catch (const Failure&) {
        return "'" + text + "' is not a frame range A:B (A not after B)";
      }
      return {};
    },
    "A:B", "frame range");

namespace {

int32_t CompanionFormat(Form form) {
  return form == Form::Mot ? MLVRX_FORMAT_MOT : MLVRX_FORMAT_PIXEL_CSV;
}

}  // namespace

List LoadList(const std::string& file, Form form, const std::string& size,
              const std::string& media) {
  const std::string name = file == "-" ? "standard input" : file;
  if (form == Form::Otp || form == Form::Json) {
    List list = form == Form::Otp ? OpenPathFile(file)
                                  : ListFromJson(ParseJson(ReadTextFile(file), name), name);
    if (media.size() >= sizeof(_PATH_INFO_::szAssociateFile))
      throw Failure(media + ": name longer than 259 bytes");
    for (int32_t i = 0; i < list.size() && !media.empty(); ++i)
      std::snprintf(list.path(i)->szAssociateFile, sizeof(_PATH_INFO_::szAssociateFile), "%s",
                    media.c_str());
    return list;
  }
  if (size.empty()) throw Failure(name + ": tracker boxes are pixels; give the frame size with --size WxH");
  const FrameSize s = ParseSize(size);
  const std::string text = ReadTextFile(file);
  List list;
  if (MlvrX_ReadTrackerCsv(text.data(), text.size(), CompanionFormat(form), s.width, s.height,
                           media.c_str(), list.ref()) != 1)
    throw Failure(name + ": " + MlvrX_LastError());
  return list;
}

std::string ListText(const List& list, Form form, const std::string& size) {
  if (form == Form::Json) return ListToJson(list).dump(2) + "\n";
  if (form == Form::Otp) throw Failure("path files are written with -o FILE.otp");
  const FrameSize s = size.empty() ? FrameSize{} : ParseSize(size);
  char* text = nullptr;
  size_t bytes = 0;
  if (MlvrX_WriteTrackerCsv(list.get(), CompanionFormat(form), s.width, s.height, &text,
                            &bytes) != 1)
    throw Failure(std::string("cannot write the tracker text: ") + MlvrX_LastError());
  std::string out(text, bytes);
  MlvrX_FreeText(text);
  return out;
}

}  // namespace mlvr
