// A host that gives every one of a folder's media files a new list and
// exits, so that the library writes the folder back as it unloads. The kill
// test stops it with SIGKILL at random moments.
//
//   kill_child FOLDER MEDIA_COUNT GENERATION
#include <cstdio>
#include <cstdlib>
#include <string>

#include "molvaren/molvaren.h"

using mlvns::_PATH_INFO_;
using mlvns::_PATH_INFO_ARRAY_;
using mlvns::_PATH_NODE_;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: kill_child FOLDER MEDIA_COUNT GENERATION\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int count = std::atoi(argv[2]);
  const int generation = std::atoi(argv[3]);
  for (int m = 0; m < count; ++m) {
    _PATH_INFO_* path = new _PATH_INFO_[1];
    std::snprintf(path->szGUID, sizeof path->szGUID, "{00000000-0000-4000-8000-%012d}", m);
    const std::string media = folder + "-media/clip" + std::to_string(m) + ".mp4";
    std::snprintf(path->szAssociateFile, sizeof path->szAssociateFile, "%s", media.c_str());
    // The generation is in every node, so a list read back tells which run
    // wrote it, and a list mixed from two runs shows.
    _PATH_NODE_ nodes[20];
    for (int n = 0; n < 20; ++n) {
      nodes[n].nFrameIndex = n;
      nodes[n].fXPos = static_cast<float>(generation);
      nodes[n].fYPos = static_cast<float>(m);
      nodes[n].fWidth = nodes[n].fHeight = 0.1f;
    }
    Mlvr_PathInfo_PathNodeAppend(path, nodes, 20, 1);
    _PATH_INFO_ARRAY_* list = new _PATH_INFO_ARRAY_();
    Mlvr_PathInfoArray_Add(&list, path);
    Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(folder.c_str(), media.c_str(), list);
    Mlvr_PathInfoArray_Free(&list);
  }
  std::printf("updated %d media files to generation %d\n", count, generation);
  return 0;  // the write-back happens as the library unloads
}
