// Subcommands that work on path files: info, dump, export, import,
// simplify, plot.
#include <strings.h>

#include <cstdint>
#include <memory>
#include <string>

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
  std::string size;
  std::string media;
  bool json = false;
  std::string boxes = "nodes";
  bool time = false;
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
      "simplify", "Drop the nodes that the library's simplification finds redundant");
  simplify->add_option("file", args->input, "Path file (.otp)")->required();
  simplify->add_option("-o,--output", args->output, "Path file (.otp) to write")->required();
  simplify->callback([args] {
    List list = OpenPathFile(args->input);
    std::string out;
    int64_t before = 0, after = 0;
    for (int32_t i = 0; i < list.size(); ++i) {
      _PATH_INFO_* p = list.path(i);
      if (p == nullptr) continue;
      const int32_t n = p->nTotalPathNodeNum;
      Mlvr_LinearRegressionPathInfo(p);
      before += n;
      after += p->nTotalPathNodeNum;
      out += "path " + std::to_string(i) + " " + FieldText(p->szGUID, sizeof p->szGUID) + ": " +
             std::to_string(n) + " -> " + std::to_string(p->nTotalPathNodeNum) + " nodes\n";
    }
    SavePathFile(args->output, list);
    WriteOutput("", out + "all paths: " + std::to_string(before) + " -> " +
                        std::to_string(after) + " nodes, written to " + args->output + "\n");
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
