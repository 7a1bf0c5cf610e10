// Writes the seed corpora: small packed lists and path files that reach the
// decoder's branches (no paths, nodes, an extra node, several paths).
#include <cstdio>
#include <fstream>
#include <string>

#include "fuzz/fuzz_support.h"

using namespace mlvns;

namespace {

_PATH_INFO_* NewPath(int nodes, bool extra) {
  auto* path = new _PATH_INFO_[1]();
  Mlvr_PathInfo_AssignGUID(path);
  Mlvr_PathInfo_AssignTimeStamp(path);
  std::snprintf(path->szAssociateFile, sizeof path->szAssociateFile, "/media/clip%d.mp4", nodes);
  if (nodes > 0) {
    auto* run = new _PATH_NODE_[nodes]();
    for (int i = 0; i < nodes; ++i) {
      run[i].nFrameIndex = i * 2;
      run[i].fXPos = 0.1f + 0.01f * static_cast<float>(i);
      run[i].fYPos = 0.5f;
      run[i].fWidth = run[i].fHeight = 0.2f;
      run[i].nPathType = i % 2;
    }
    Mlvr_PathInfo_PathNodeAppend(path, run, nodes, 1);
    delete[] run;
  }
  if (extra) {
    path->pExtraNode = new _PATH_NODE_[1]();
    path->pExtraNode->nFrameIndex = 7;
    path->bHasExtraNode = 1;
  }
  return path;
}

void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_seeds UNPACK_DIR PATH_FILE_DIR\n");
    return 2;
  }
  const std::string unpack_dir = argv[1];
  const std::string file_dir = argv[2];
  const struct {
    const char* name;
    int paths;
    int nodes;
    bool extra;
  } seeds[] = {{"empty", 0, 0, false}, {"one-path", 1, 2, false}, {"extra-node", 1, 3, true},
               {"three-paths", 3, 5, false}, {"no-nodes", 2, 0, true}};
  for (const auto& seed : seeds) {
    auto* list = new _PATH_INFO_ARRAY_();
    for (int i = 0; i < seed.paths; ++i) Mlvr_PathInfoArray_Add(&list, NewPath(seed.nodes, seed.extra));
    Write(unpack_dir + "/" + seed.name, fuzz_support::PackToBytes(&list));
    if (!Mlvr_OpenSavePathInfo((file_dir + "/" + seed.name + ".otp").c_str(), 1, &list)) return 1;
    Mlvr_PathInfoArray_Free(&list);
  }
  return 0;
}
