// Subcommands that go through the library's database: box, and under `db`:
// show, import, relink, delete. Media file names go to the library as given
// (it lower-cases them); the tool warns where spellings differ. Changes reach the folder when the library
// writes it back: at once for import and relink, at exit for delete.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <filesystem>
#include <vector>
#include <cstdio>
#include <memory>
#include <string>

#include "tools/mlvr/commands.h"
#include "tools/mlvr/repair_command.h"
#include "tools/mlvr/reports.h"
#include "tools/mlvr/tool_support.h"
#include "molvaren/molvaren_x.h"
#include "tools/mlvr/tracker_io.h"

namespace mlvr {
namespace {

// A range of box answers is meant for reading, not for a whole film at once.
constexpr int64_t kMostFrames = 100000;

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
  std::string frames;
  bool json = false;
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

// Why the library refused a relink, checked in its own order.
std::string RelinkRefusal(const std::string& folder, const std::string& old,
                          const std::string& now) {
  std::error_code ec;
  if (!std::filesystem::exists(now, ec)) return now + " does not exist";
  _PATH_INFO_ARRAY_* own = nullptr;  // the database's own list
  if (Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(folder.c_str(), old.c_str(), &own) != 1 ||
      own == nullptr || own->nNumOfPathInfos <= 0 || own->ppPathInfos[0] == nullptr)
    return old + " has no paths in " + folder;
  // The library compares the low 32 bits of the size, taken as signed.
  const uint64_t size = std::filesystem::file_size(now, ec);
  const int64_t seen = ec ? 0 : static_cast<int32_t>(static_cast<uint32_t>(size));
  const uint64_t recorded = own->ppPathInfos[0]->qwAssociateFileSize;
  if (static_cast<uint64_t>(seen) != recorded)
    return now + " is " + std::to_string(size) + " bytes but the paths record " +
           std::to_string(recorded) + " bytes";
  if (LibraryKey(old) == LibraryKey(now)) return "the new file is the old one";
  return "the library refused it";
}

// A warning when the answer at `frame` is not a box the tracker saw: outside
// the path, or in a gap longer than its usual node spacing.
std::string FrameWarning(const _PATH_INFO_& p, int32_t frame) {
  const int32_t n = p.nTotalPathNodeNum;
  if (n <= 0 || p.pPathNodes == nullptr) return "";
  const _PATH_NODE_* nodes = p.pPathNodes;
  if (frame < nodes[0].nFrameIndex || frame > nodes[n - 1].nFrameIndex)
    return "frame " + std::to_string(frame) + " lies outside the path (frames " +
           std::to_string(nodes[0].nFrameIndex) + ".." + std::to_string(nodes[n - 1].nFrameIndex) +
           "); the box is that of its nearest end";
  std::vector<int32_t> steps;
  for (int32_t i = 1; i < n; ++i) steps.push_back(nodes[i].nFrameIndex - nodes[i - 1].nFrameIndex);
  if (steps.empty()) return "";
  std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
  const int32_t usual = steps[steps.size() / 2];
  for (int32_t i = 1; i < n; ++i) {
    const int32_t a = nodes[i - 1].nFrameIndex, b = nodes[i].nFrameIndex;
    if (frame > a && frame < b && b - a > usual)
      return "frame " + std::to_string(frame) + " lies in a gap of " + std::to_string(b - a) +
             " frames (" + std::to_string(a) + ".." + std::to_string(b) +
             ") where nodes are usually " + std::to_string(usual) + " apart; the box is interpolated";
  }
  return "";
}

FolderIndex ReadFolderIndexIfAny(const std::string& folder) {
  std::error_code ec;
  return std::filesystem::is_directory(folder, ec) ? ReadFolderIndex(folder) : FolderIndex{};
}

}  // namespace

void AddDatabaseCommands(CLI::App& app, CLI::App& db) {
  auto args = std::make_shared<DatabaseArgs>();

  CLI::App* box = app.add_subcommand(
      "box", "The box of a path at a frame or a range of frames, from a database folder");
  box->add_option("folder", args->folder, "Database folder")->required();
  box->add_option("guid", args->guid, "The path's GUID")->required();
  CLI::Option* frame = box->add_option("frame", args->frame, "Frame index");
  box->add_option("--frames", args->frames, "Every frame from A to B, A:B")
      ->excludes(frame)
      ->check(kFrameRange);
  box->add_option("--target", args->target, "Target frame in pixels, WIDTHxHEIGHT")
      ->capture_default_str();
  box->add_option("--rotation", args->rotation, "Turn of the video in the target, degrees")
      ->capture_default_str();
  box->add_option("--mode", args->mode,
                  "fit: inside the target with bars; video: normalised to the video; "
                  "cover: covering the target, cropped")
      ->capture_default_str();
  box->add_flag("--json", args->json, "Write JSON");
  box->callback([args, frame] {
    const MLVR_SIZE target = ParseTarget(args->target);
    const int32_t mode = ParseMode(args->mode);
    if (frame->count() == 0 && args->frames.empty()) throw Failure("box: give a frame or --frames A:B");
    int32_t first = args->frame, last = args->frame;
    if (!args->frames.empty()) {
      first = INT32_MIN;
      last = INT32_MAX;
      ParseFrameRange(args->frames, &first, &last);
      if (first == INT32_MIN || last == INT32_MAX)
        throw Failure("--frames " + args->frames + ": give both ends, A:B");
      if (int64_t(last) - first >= kMostFrames)
        throw Failure("--frames " + args->frames + ": at most " + std::to_string(kMostFrames) +
                      " frames at once");
    }
    RequireFolder(args->folder);
    _PATH_INFO_* path = nullptr;  // the database's own record: read, never released
    char associate[260] = {};
    if (Mlvr_DataBase_GetPathInfoByGUID(args->folder.c_str(), args->guid.c_str(), &path,
                                        associate) != 1 || path == nullptr)
      throw Failure(args->folder + ": no path with GUID " + args->guid);
    std::string text;
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (int64_t f = first; f <= last; ++f) {
      const int32_t at = static_cast<int32_t>(f);
      _PATH_NODE_ node{};
      if (Mlvr_DataBase_GetPathNodeByGUID(args->folder.c_str(), args->guid.c_str(), at, target,
                                          args->rotation, &node, associate, mode) != 1)
        throw Failure(args->guid + ": the path has no nodes");
      const std::string warning = FrameWarning(*path, at);
      if (!warning.empty()) std::fprintf(stderr, "mlvr: warning: %s\n", warning.c_str());
      if (args->json) {
        all.push_back(BoxJson(node, target, associate));
        all.back()["frame"] = at;
      } else {
        text += "path " + args->guid + " at frame " + std::to_string(at) + "\n" +
                BoxReport(node, target, associate);
      }
    }
    if (!args->json) return WriteOutput("", text);
    WriteOutput("", JsonText(frame->count() > 0 ? all[0] : all));
  });

  CLI::App* show = db.add_subcommand("show", "The paths a database folder keeps for a media file");
  show->add_option("folder", args->folder, "Database folder")->required();
  show->add_option("media", args->media, "Media (associate) file")->required();
  show->add_flag("--json", args->json, "Write JSON");
  show->callback([args] {
    RequireFolder(args->folder);
    // The library answers "no paths" for a path file it cannot read; say which.
    const std::string key = LibraryKey(args->media);
    for (const IndexEntry& e : ReadFolderIndex(args->folder).entries) {
      if (e.associate != key || e.verdict != MLVRX_INDEX_USED) continue;
      const std::string file = FolderPrefix(args->folder) + e.databaseName + ".otp";
      std::error_code ec;
      if (!std::filesystem::is_regular_file(file, ec))
        throw Failure(args->folder + ": the path file " + e.databaseName + ".otp of " +
                      e.associate + " is missing");
      List probe;
      if (Mlvr_OpenSavePathInfo(file.c_str(), 0, probe.ref()) != 1)
        throw Failure(args->folder + ": the path file " + e.databaseName + ".otp of " +
                      e.associate + " is not a readable path file");
    }
    _PATH_INFO_ARRAY_* own = nullptr;  // the database's own list: read, never released
    if (Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(args->folder.c_str(),
                                                          args->media.c_str(), &own) != 1 ||
        own == nullptr)
      throw Failure(args->folder + ": no paths for " + args->media);
    List copy;
    if (Mlvr_PathInfoArray_Clone(copy.ref(), own, nullptr) != 1)
      throw Failure(args->folder + ": cannot read the paths of " + args->media);
    WriteOutput("", args->json ? JsonText(PathSummaryJson(copy)) : PathTable(copy));
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
    for (const IndexEntry& e : ReadFolderIndexIfAny(args->folder).entries) {
      if (MediaKey(e.associate) == MediaKey(args->media) && e.associate != LibraryKey(args->media))
        std::fprintf(stderr, "mlvr: warning: the folder names this media file %s; %s makes a "
                     "second entry (names are kept as given)\n", e.associate.c_str(),
                     args->media.c_str());
    }
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
      throw Failure("relink refused: " + RelinkRefusal(args->folder, args->media, args->other));
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
