// Subcommands that go through the library's database: box, and under `db`:
// show, import, relink, delete. Changes reach the folder when the library
// writes it back: at once for import and relink, at exit for delete.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "tools/mlvr/commands.h"
#include "tools/mlvr/folder_index.h"
#include "tools/mlvr/reports.h"
#include "tools/mlvr/tool_support.h"
#include "tools/mlvr/tracker_io.h"

namespace mlvr {
namespace {

struct DatabaseArgs {
  std::string folder;
  std::string media;
  std::string other;
  std::string file;
  std::string guid;
  int32_t frame = 0;
  std::string target = "1920x1080";
  float rotation = 0.0f;
  std::string mode = "fit";
  std::string from = "otp";
  std::string size;
};

// The library creates folders it is asked about; the tool only reads or
// changes folders that already hold a database, or that the user names
// as one to fill (import).
void RequireFolder(const std::string& folder) {
  if (!ReadFolderIndex(folder).present)
    throw Failure(folder + ": no index Molvaren.ini, not a database folder");
}

MLVR_SIZE ParseTarget(const std::string& text) {
  const size_t x = text.find('x');
  int w = 0, h = 0;
  char tail = 0;
  if (x == std::string::npos ||
      std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &tail) != 2 || w <= 0 || h <= 0)
    throw Failure("--target " + text + ": expected WIDTHxHEIGHT in pixels, e.g. 1080x1920");
  return MLVR_SIZE{w, h};
}

int32_t ParseMode(const std::string& mode) {
  // The library's fit modes: video alone, cover and crop, or fit with bars.
  if (mode == "fit") return 0;
  if (mode == "video") return 1;
  if (mode == "cover") return 3;
  throw Failure("--mode " + mode + ": expected fit, video or cover");
}

}  // namespace

void AddDatabaseCommands(CLI::App& app, CLI::App& db) {
  auto args = std::make_shared<DatabaseArgs>();

  CLI::App* box = app.add_subcommand("box", "The box of a path at a frame, from a database folder");
  box->add_option("folder", args->folder, "Database folder")->required();
  box->add_option("guid", args->guid, "The path's GUID")->required();
  box->add_option("frame", args->frame, "Frame index")->required();
  box->add_option("--target", args->target, "Target frame in pixels, WIDTHxHEIGHT")
      ->capture_default_str();
  box->add_option("--rotation", args->rotation, "Turn of the video in the target, degrees")
      ->capture_default_str();
  box->add_option("--mode", args->mode,
                  "fit: inside the target with bars; video: normalised to the video; "
                  "cover: covering the target, cropped")
      ->capture_default_str();
  box->callback([args] {
    const MLVR_SIZE target = ParseTarget(args->target);
    const int32_t mode = ParseMode(args->mode);
    RequireFolder(args->folder);
    _PATH_INFO_* path = nullptr;
    char associate[260] = {};
    if (Mlvr_DataBase_GetPathInfoByGUID(args->folder.c_str(), args->guid.c_str(), &path,
                                        associate) != 1)
      throw Failure(args->folder + ": no path with GUID " + args->guid);
    _PATH_NODE_ node{};
    if (Mlvr_DataBase_GetPathNodeByGUID(args->folder.c_str(), args->guid.c_str(), args->frame,
                                        target, args->rotation, &node, associate, mode) != 1)
      throw Failure(args->guid + ": the path has no nodes");
    WriteOutput("", "path " + args->guid + " at frame " + std::to_string(args->frame) + "\n" +
                        BoxReport(node, target, associate));
  });

  CLI::App* show = db.add_subcommand("show", "The paths a database folder keeps for a media file");
  show->add_option("folder", args->folder, "Database folder")->required();
  show->add_option("media", args->media, "Media (associate) file")->required();
  show->callback([args] {
    RequireFolder(args->folder);
    _PATH_INFO_ARRAY_* own = nullptr;  // the database's own list: read, never released
    if (Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(args->folder.c_str(),
                                                          args->media.c_str(), &own) != 1 ||
        own == nullptr)
      throw Failure(args->folder + ": no paths for " + args->media);
    List copy;
    if (Mlvr_PathInfoArray_Clone(copy.ref(), own, nullptr) != 1)
      throw Failure(args->folder + ": cannot read the paths of " + args->media);
    WriteOutput("", PathTable(copy));
  });

  CLI::App* imp = db.add_subcommand(
      "import", "Import every path of a path file for a media file (written back at once)");
  imp->add_option("folder", args->folder, "Database folder (created when missing)")->required();
  imp->add_option("media", args->media, "Media (associate) file")->required();
  imp->add_option("file", args->file, "Path file (.otp) or --from form, '-' for standard input")
      ->required();
  imp->add_option("--from", args->from, "otp (default), json, mot or csv")
      ->check(FormNames(true));
  imp->add_option("--size", args->size, "Frame size in pixels, WxH (needed for mot and csv)")
      ->check(kSizeText);
  imp->callback([args] {
    const bool tracker = args->from == "mot" || args->from == "csv";
    const List list = LoadList(args->file, FormOf(args->from), args->size, tracker ? args->media : "");
    if (list.size() == 0) throw Failure(args->file + ": holds no paths");
    if (args->media.size() > 259) throw Failure(args->media + ": name longer than 259 bytes");
    std::string out;
    for (int32_t i = 0; i < list.size(); ++i) {
      const _PATH_INFO_* p = list.path(i);
      if (p == nullptr) continue;
      mlvns::CString guid;
      Mlvr_DataBase_ImportPathInfo(args->folder.c_str(), args->media.c_str(), p, &guid);
      const std::string was = FieldText(p->szGUID, sizeof p->szGUID);
      const std::string now = guid.GetString() == nullptr ? "" : guid.GetString();
      out += "path " + std::to_string(i) + ": " + was;
      if (now != was) out += " stored as " + now;
      out += "\n";
    }
    RequireFolder(args->folder);
    WriteOutput("", out + "imported " + std::to_string(list.size()) + " path" +
                        (list.size() == 1 ? "" : "s") + " for " + args->media + "\n");
  });

  CLI::App* relink = db.add_subcommand(
      "relink", "Move the paths of a media file to another, existing one of the same size");
  relink->add_option("folder", args->folder, "Database folder")->required();
  relink->add_option("old", args->media, "Media file the paths belong to now")->required();
  relink->add_option("new", args->other, "Media file that receives them")->required();
  relink->callback([args] {
    RequireFolder(args->folder);
    if (Mlvr_DataBase_RelinkAssociateFile(args->folder.c_str(), args->media.c_str(),
                                          args->other.c_str()) != 1)
      throw Failure("relink refused: " + args->other +
                    " must exist, differ from the old file, have the size recorded in the "
                    "paths, and " + args->media + " must have paths");
    WriteOutput("", "paths of " + args->media + " now belong to " + args->other + "\n");
  });

  CLI::App* del = db.add_subcommand("delete", "Delete the paths of a media file and its path file");
  del->add_option("folder", args->folder, "Database folder")->required();
  del->add_option("media", args->media, "Media (associate) file")->required();
  del->callback([args] {
    RequireFolder(args->folder);
    if (Mlvr_DataBase_DeleteInfoArrayByAssociateFileName(args->folder.c_str(),
                                                         args->media.c_str()) != 1)
      throw Failure(args->folder + ": no paths for " + args->media);
    WriteOutput("", "deleted the paths of " + args->media + "\n");
  });
}

}  // namespace mlvr
