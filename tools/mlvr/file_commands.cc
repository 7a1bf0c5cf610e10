// Subcommands that work on path files: info, dump, export, import,
// simplify, plot.
#include <strings.h>

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
#include "tools/mlvr/tracker_io.h"

namespace mlvr {
namespace {

struct FileArgs {
  std::string input;
  std::string output;
  std::string guid;
  std::string frames;
  std::string compare;
  std::string form = "json";
  std::string size;  // WxH in pixels: tracker formats, and the bounded error
  std::string media;
  bool json = false;
  std::string boxes = "nodes";
  bool time = false;
  double maxError = 0.0;  // pixels; 0: the library's own rule
};

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
  info->add_option("file", args->input, "Path file (.otp), '-' for standard input")->required();
  info->add_flag("--json", args->json, "Write JSON");
  info->callback([args] {
    const List list = OpenPathFile(args->input);
    WriteOutput("", args->json ? JsonText(PathSummaryJson(list)) : PathTable(list));
  });

  CLI::App* dump = app.add_subcommand("dump", "Every node of every path, one line each");
  dump->add_option("file", args->input, "Path file (.otp), '-' for standard input")->required();
  dump->add_flag("--json", args->json, "Write JSON: every field (as export does)");
  dump->callback([args] {
    const List list = OpenPathFile(args->input);
    WriteOutput("", args->json ? ListToJson(list).dump(2) + "\n" : NodeDump(list));
  });

  CLI::App* exp = app.add_subcommand(
      "export", "Write a path file as JSON (docs/json.md) or tracker CSV (docs/interop.md)");
  exp->add_option("file", args->input, "Path file (.otp), '-' for standard input")->required();
  exp->add_option("-o,--output", args->output, "File to write (default or '-': standard output)");
  exp->add_option("--to", args->form, "json (default), mot (MOTChallenge) or csv (pixel CSV)")
      ->check(FormNames(false));
  exp->add_option("--size", args->size, "Frame size in pixels, WxH (default: each path's own)")
      ->check(kSizeText);
  exp->callback([args] {
    const List list = OpenPathFile(args->input);
    WriteOutput(args->output, ListText(list, FormOf(args->form), args->size));
  });

  CLI::App* imp = app.add_subcommand(
      "import", "Build a path file from JSON (docs/json.md) or tracker CSV (docs/interop.md)");
  imp->add_option("input", args->input, "JSON or CSV file, '-' for standard input")->required();
  imp->add_option("-o,--output", args->output, "Path file (.otp) to write, '-' for standard output")
      ->required();
  imp->add_option("--from", args->form, "json (default), mot (MOTChallenge) or csv (pixel CSV)")
      ->check(FormNames(false));
  imp->add_option("--size", args->size, "Frame size in pixels, WxH (needed for mot and csv)")
      ->check(kSizeText);
  imp->add_option("--media", args->media, "Media file the tracker's paths belong to");
  imp->callback([args] {
    List list = LoadList(args->input, FormOf(args->form), args->size, args->media);
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
  plot->add_option("-o,--output", args->output, "SVG file to write ('-': standard output)")
      ->required()
      ->check(CLI::Validator(
          [](std::string& name) -> std::string {
            const bool svg = name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".svg") == 0;
            return svg || name == "-" ? "" : name + " does not end in .svg; mlvr draws SVG only";
          },
          "FILE.svg"));
  plot->add_option("--boxes", args->boxes,
                   "Boxes at the nodes the library's simplification keeps (nodes), at every "
                   "node (all) or none")
      ->check(CLI::IsMember({"nodes", "all", "none"}))
      ->capture_default_str();
  plot->add_flag("--time", args->time, "x and y against the frame instead of the trajectory");
  plot->add_option("--guid", args->guid, "Only the path with this GUID");
  plot->add_option("--frames", args->frames, "Only nodes of frames A to B (A:B)")->check(kFrameRange);
  plot->add_option("--compare", args->compare,
                   "A second path file drawn dashed over the first (e.g. after simplify)");
  plot->callback([args] {
    PlotOptions o;
    o.guid = args->guid;
    if (!args->frames.empty()) ParseFrameRange(args->frames, &o.firstFrame, &o.lastFrame);
    const List list = OpenPathFile(args->input);
    std::unique_ptr<List> other;
    if (!args->compare.empty()) other = std::make_unique<List>(OpenPathFile(args->compare));
    if (!o.guid.empty() && !HasGuid(list, o.guid) && (!other || !HasGuid(*other, o.guid)))
      throw Failure(args->input + ": no path with GUID " + o.guid);
    o.boxes = args->boxes;
    o.time = args->time;
    if (!AnyNodeDrawn(list, o) && (!other || !AnyNodeDrawn(*other, o)))
      throw Failure(args->input + ": no node to draw" +
                    (args->frames.empty() ? std::string() : " in frames " + args->frames));
    o.title = args->input;
    o.compareTitle = args->compare;
    WriteOutput(args->output, PlotSvg(list, other.get(), o));
  });
}

}  // namespace mlvr
