// Subcommands that work on path files: info, dump, export, import,
// simplify, plot.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <memory>
#include <string>

#include "molvaren/molvaren_x.h"
#include "tools/mlvr/commands.h"
#include "tools/mlvr/json_form.h"
#include "tools/mlvr/reports.h"
#include "tools/mlvr/svg_plot.h"
#include "tools/mlvr/tool_support.h"

namespace mlvr {
namespace {

struct FileArgs {
  std::string input;
  std::string output;
  std::string guid;
  std::string frames;
  std::string compare;
  double maxError = 0.0;  // pixels; 0: the library's own rule
  std::string size;       // WxH the error is measured in; empty: the path's own
};

// "A:B", "A:" or ":B", inclusive.
void ParseFrames(const std::string& text, PlotOptions* o) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) throw Failure("--frames " + text + ": expected A:B");
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
  number(text.substr(0, colon), &o->firstFrame);
  number(text.substr(colon + 1), &o->lastFrame);
  if (o->firstFrame > o->lastFrame) throw Failure("--frames " + text + ": A is after B");
}

bool HasGuid(const List& list, const std::string& guid) {
  for (int32_t i = 0; i < list.size(); ++i) {
    const _PATH_INFO_* p = list.path(i);
    if (p != nullptr && FieldText(p->szGUID, sizeof p->szGUID) == guid) return true;
  }
  return false;
}

}  // namespace

void AddFileCommands(CLI::App& app) {
  auto args = std::make_shared<FileArgs>();

  CLI::App* info = app.add_subcommand("info", "Table of the paths in a path file");
  info->add_option("file", args->input, "Path file (.otp)")->required();
  info->callback([args] { WriteOutput("", PathTable(OpenPathFile(args->input))); });

  CLI::App* dump = app.add_subcommand("dump", "Every node of every path, one line each");
  dump->add_option("file", args->input, "Path file (.otp)")->required();
  dump->callback([args] { WriteOutput("", NodeDump(OpenPathFile(args->input))); });

  CLI::App* exp = app.add_subcommand("export", "Write a path file as JSON (docs/json.md)");
  exp->add_option("file", args->input, "Path file (.otp)")->required();
  exp->add_option("-o,--output", args->output, "JSON file to write (default: standard output)");
  exp->callback([args] {
    const List list = OpenPathFile(args->input);
    WriteOutput(args->output, ListToJson(list).dump(2) + "\n");
  });

  CLI::App* imp = app.add_subcommand("import", "Build a path file from its JSON form");
  imp->add_option("json", args->input, "JSON file (docs/json.md)")->required();
  imp->add_option("-o,--output", args->output, "Path file (.otp) to write")->required();
  imp->callback([args] {
    nlohmann::ordered_json doc;
    try {
      doc = nlohmann::ordered_json::parse(ReadTextFile(args->input));
    } catch (const nlohmann::json::parse_error& e) {
      throw Failure(args->input + ": bad JSON: " + e.what());
    }
    List list = ListFromJson(doc, args->input);
    SavePathFile(args->output, list);
  });

  CLI::App* simplify = app.add_subcommand(
      "simplify",
      "Drop the nodes that the library's simplification finds redundant, or with --max-error "
      "every node it can within a bound");
  simplify->add_option("file", args->input, "Path file (.otp)")->required();
  simplify->add_option("-o,--output", args->output, "Path file (.otp) to write")->required();
  CLI::Option* maxError =
      simplify
          ->add_option("--max-error", args->maxError,
                       "Drop every node it can while no box edge moves by more than PX pixels, "
                       "at any frame")
          ->option_text("PX")
          ->check(CLI::Validator(
              [](std::string& text) -> std::string {
                char* end = nullptr;
                const double v = std::strtod(text.c_str(), &end);
                if (end == text.c_str() || *end != '\0' || !(v > 0.0) || !std::isfinite(v))
                  return "expected a positive number of pixels, not " + text;
                return "";
              },
              "PX"));
  // "WxH" in pixels, both sides positive 32-bit numbers.
  auto parseSize = [](const std::string& text, int32_t* w, int32_t* h) {
    char* end = nullptr;
    const long long a = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != 'x') return false;
    const char* rest = end + 1;
    const long long b = std::strtoll(rest, &end, 10);
    if (end == rest || *end != '\0' || a <= 0 || b <= 0 || a > INT32_MAX || b > INT32_MAX)
      return false;
    *w = static_cast<int32_t>(a);
    *h = static_cast<int32_t>(b);
    return true;
  };
  const CLI::Validator frameSize(
      [parseSize](std::string& text) -> std::string {
        int32_t w = 0, h = 0;
        if (!parseSize(text, &w, &h))
          return "expected WIDTHxHEIGHT in pixels, e.g. 1920x1080, not " + text;
        return "";
      },
      "WxH");
  simplify
      ->add_option("--size", args->size,
                   "Frame the error is measured in (default: the path's frame shape at "
                   "1920x1080, 1440x1080 or its own size)")
      ->check(frameSize)
      ->needs(maxError);
  simplify->callback([args, maxError, parseSize] {
    List list = OpenPathFile(args->input);
    const bool bounded = maxError->count() > 0;
    int32_t w = 0, h = 0;
    if (!args->size.empty()) parseSize(args->size, &w, &h);
    std::string out;
    int64_t before = 0, after = 0;
    double largest = 0.0;
    auto deviation = [](double px) { return ", largest deviation " + std::to_string(px) + " px"; };
    for (int32_t i = 0; i < list.size(); ++i) {
      _PATH_INFO_* p = list.path(i);
      if (p == nullptr) continue;
      const int32_t n = p->nTotalPathNodeNum;
      const std::string name =
          "path " + std::to_string(i) + " " + FieldText(p->szGUID, sizeof p->szGUID);
      std::string notes;
      if (bounded) {
        MlvrX_SimplifyReport r{};
        if (MlvrX_PathInfo_SimplifyWithin(p, args->maxError, w, h, &r) != 1)
          throw Failure(name + ": " + MlvrX_LastError());
        largest = std::max(largest, r.dLargestDeviation);
        notes = deviation(r.dLargestDeviation);
        if (r.nKeptUnordered > 0)
          notes +=
              ", " + std::to_string(r.nKeptUnordered) + " kept as their frames do not increase";
        if (r.nKeptNonFinite > 0)
          notes += ", " + std::to_string(r.nKeptNonFinite) + " kept as a value is not finite";
      } else {
        Mlvr_LinearRegressionPathInfo(p);
      }
      before += n;
      after += p->nTotalPathNodeNum;
      out += name + ": " + std::to_string(n) + " -> " + std::to_string(p->nTotalPathNodeNum) +
             " nodes" + notes + "\n";
    }
    SavePathFile(args->output, list);
    WriteOutput("", out + "all paths: " + std::to_string(before) + " -> " + std::to_string(after) +
                        " nodes" + (bounded ? deviation(largest) : "") + ", written to " +
                        args->output + "\n");
  });

  CLI::App* plot = app.add_subcommand("plot", "Draw the paths of a path file as SVG");
  plot->add_option("file", args->input, "Path file (.otp)")->required();
  plot->add_option("-o,--output", args->output, "SVG file to write")->required();
  plot->add_option("--guid", args->guid, "Only the path with this GUID");
  plot->add_option("--frames", args->frames, "Only nodes of frames A to B (A:B)");
  plot->add_option("--compare", args->compare,
                   "A second path file drawn dashed over the first (e.g. after simplify)");
  plot->callback([args] {
    PlotOptions o;
    o.guid = args->guid;
    if (!args->frames.empty()) ParseFrames(args->frames, &o);
    const List list = OpenPathFile(args->input);
    std::unique_ptr<List> other;
    if (!args->compare.empty()) other = std::make_unique<List>(OpenPathFile(args->compare));
    if (!o.guid.empty() && !HasGuid(list, o.guid) && (!other || !HasGuid(*other, o.guid)))
      throw Failure(args->input + ": no path with GUID " + o.guid);
    o.title = args->input;
    o.compareTitle = args->compare;
    WriteOutput(args->output, PlotSvg(list, other.get(), o));
  });
}

}  // namespace mlvr
