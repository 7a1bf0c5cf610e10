// `mlvr demo`: the library at work as an editor uses it. A synthetic
// tracking run is stored in a database folder, simplified in place,
// continued with a re-tracked run, asked for boxes in a portrait target,
// written back through a relink, read back from disk and drawn.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "tools/mlvr/commands.h"
#include "tools/mlvr/demo_tracks.h"
#include "tools/mlvr/repair_command.h"
#include "tools/mlvr/reports.h"
#include "tools/mlvr/svg_plot.h"
#include "tools/mlvr/tool_support.h"

namespace mlvr {
namespace fs = std::filesystem;
namespace {

constexpr uint64_t kClipBytes = 1000000;
constexpr int32_t kRetrackFrom = 200;

// A stand-in for the media file: relink checks its size against the one
// recorded in the paths.
void WriteClip(const std::string& file) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  std::string chunk(4096, '\0');
  for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 31 + 7);
  for (uint64_t done = 0; done < kClipBytes; done += chunk.size())
    out.write(chunk.data(), static_cast<std::streamsize>(
                                std::min<uint64_t>(chunk.size(), kClipBytes - done)));
  if (!out) throw Failure(file + ": cannot write the demo clip");
}

// The database's own list for a media file (not to be released).
_PATH_INFO_ARRAY_* FetchOwn(const std::string& folder, const std::string& media) {
  _PATH_INFO_ARRAY_* own = nullptr;
  if (Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(folder.c_str(), media.c_str(), &own) !=
          1 ||
      own == nullptr)
    throw Failure(folder + ": the database has no paths for " + media);
  return own;
}

List CopyOf(const _PATH_INFO_ARRAY_* list) {
  List copy;
  if (Mlvr_PathInfoArray_Clone(copy.ref(), list, nullptr) != 1)
    throw Failure("cannot copy a path list");
  return copy;
}

std::string Guid(const _PATH_INFO_& p) { return FieldText(p.szGUID, sizeof p.szGUID); }

int32_t TotalNodes(const List& list) {
  int32_t n = 0;
  for (int32_t i = 0; i < list.size(); ++i)
    if (list.path(i) != nullptr) n += list.path(i)->nTotalPathNodeNum;
  return n;
}

std::string Indent(const std::string& text, const char* by) {
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    out += by + text.substr(start, end - start) + "\n";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

void RunDemo(const std::string& dir) {
  const std::string folder = (fs::path(dir) / "database").string();
  std::error_code ec;
  if (fs::exists(folder, ec))
    throw Failure(folder + " exists already: the demo starts from an empty folder; remove it "
                           "or name another DIR");
  fs::create_directories(dir, ec);
  if (ec) throw Failure(dir + ": cannot create the folder: " + ec.message());

  // 1. A clip and what a tracker made of it.
  const std::string clip = (fs::path(dir) / "clip.mp4").string();
  WriteClip(clip);
  const List tracked = MakeDemoTracks(DemoClip{clip, kClipBytes});
  const std::string car = Guid(*tracked.path(0));
  const std::string ball = Guid(*tracked.path(1));
  std::string out = "mlvr demo in " + dir + "\n";
  out += Format("1. tracked two objects over %d frames of a 1920x1080 clip (%s)\n", kDemoFrames,
                clip.c_str());
  out += Format("   object 1 %s: a straight, evenly timed line, then from frame %d a turn "
                "towards the camera, %d nodes\n", car.c_str(), kDemoTurnFrame, tracked.path(0)->nTotalPathNodeNum);
  out += Format("   object 2 %s: a circle, its box resized every 25 frames, %d nodes\n", ball.c_str(),
                tracked.path(1)->nTotalPathNodeNum);

  // 2. Into the database: the database keeps its own copy.
  if (Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(folder.c_str(), clip.c_str(),
                                                           tracked.get()) != 1)
    throw Failure(folder + ": the database did not take the paths");
  out += "2. stored both paths in the database folder " + folder + "\n";

  // 3. Simplify the database's own records in place; they are saved as
  // they are at the next write-back.
  _PATH_INFO_ARRAY_* own = FetchOwn(folder, clip);
  out += "3. simplified the stored paths:";
  for (int32_t i = 0; i < own->nNumOfPathInfos; ++i) {
    _PATH_INFO_* p = own->ppPathInfos[i];
    const int32_t before = p->nTotalPathNodeNum;
    Mlvr_LinearRegressionPathInfo(p);
    out += Format(" object %d %d -> %d nodes%s", i + 1, before, p->nTotalPathNodeNum,
                  i + 1 < own->nNumOfPathInfos ? "," : "\n");
  }

  // 4. Object 1 tracked again from frame 200: the new run replaces the
  // stored nodes from there on.
  _PATH_INFO_* stored = nullptr;
  if (Mlvr_DataBase_GetPathInfoByGUID(folder.c_str(), car.c_str(), &stored, nullptr) != 1)
    throw Failure(folder + ": object 1 is not found by its identity");
  _PATH_INFO_* run = MakeRetrackedRun(*stored, kRetrackFrom);
  const int32_t runNodes = run->nTotalPathNodeNum;
  const int32_t resumed = Mlvr_PathInfo_ResumFromAnother(stored, run);
  FreeRun(run);
  if (resumed != 1) throw Failure("the re-tracked run does not match object 1");
  out += Format("4. resumed object 1 with a re-tracked run of frames %d-%d (%d nodes): now %d "
                "nodes, frames %d-%d\n", kRetrackFrom, kDemoFrames - 1, runNodes,
                stored->nTotalPathNodeNum, stored->nPathInIndex, stored->nPathOutIndex);

  // 5. Boxes as an editor showing the clip turned on a portrait screen asks
  // for them, one per frame of playback.
  const MLVR_SIZE portrait{1080, 1920};
  out += "5. boxes of object 1 for a 1080x1920 portrait target, video turned by 90 degrees:\n";
  for (int32_t frame : {0, 90, 180, 250, 299}) {
    _PATH_NODE_ node{};
    char associate[260] = {};
    if (Mlvr_DataBase_GetPathNodeByGUID(folder.c_str(), car.c_str(), frame, portrait, 90.0f,
                                        &node, associate, 0) != 1)
      throw Failure(car + ": no box at frame " + std::to_string(frame));
    out += Format("   frame %d\n", frame) + Indent(BoxReport(node, portrait, associate), "     ");
  }

  // 6. The clip gets its final name; relinking moves its paths and writes
  // the folder back.
  const std::string renamed = (fs::path(dir) / "clip-final.mp4").string();
  fs::rename(clip, renamed, ec);
  if (ec) throw Failure(clip + ": cannot rename: " + ec.message());
  if (Mlvr_DataBase_RelinkAssociateFile(folder.c_str(), clip.c_str(), renamed.c_str()) != 1)
    throw Failure(folder + ": relink to " + renamed + " refused");
  const FolderIndex index = ReadFolderIndex(folder);
  out += Format("6. renamed the clip to %s and relinked its paths; the folder was written "
                "back:\n   index %s/Molvaren.ini with %d entr%s", renamed.c_str(), folder.c_str(),
                index.numOfFiles, index.numOfFiles == 1 ? "y" : "ies");
  for (const IndexEntry& e : index.entries)
    out += Format(", %s -> %s.otp", e.associate.c_str(), e.databaseName.c_str());
  out += "\n";

  // 7. What is on disk now, read back through the database.
  const List onDisk = CopyOf(FetchOwn(folder, renamed));
  out += Format("7. read back from disk: %d paths, %d nodes (tracked: %d)\n", onDisk.size(),
                TotalNodes(onDisk), TotalNodes(tracked));

  // 8. Pictures: as tracked, and as stored now over the tracked paths.
  const std::string before = (fs::path(dir) / "paths.svg").string();
  const std::string after = (fs::path(dir) / "paths-simplified.svg").string();
  PlotOptions o;
  o.title = "as tracked";
  WriteOutput(before, PlotSvg(tracked, nullptr, o));
  o.title = "simplified and resumed";
  o.compareTitle = "as tracked";
  WriteOutput(after, PlotSvg(onDisk, &tracked, o));
  out += "8. drew " + before + " and " + after + "\n";
  WriteOutput("", out);
}

}  // namespace

void AddDemoCommand(CLI::App& app) {
  auto dir = std::make_shared<std::string>("molvaren-demo");
  CLI::App* demo = app.add_subcommand(
      "demo", "A synthetic tracking run through the whole library, with a short report");
  demo->add_option("dir", *dir, "Folder for the clip, the database and the pictures")
      ->capture_default_str();
  demo->callback([dir] { RunDemo(*dir); });
}

}  // namespace mlvr
