// A database folder made of an arbitrary index and arbitrary path files,
// queried, changed and written back: no crash, no leak, and nothing ever
// written outside the folder, whatever names the index holds.
//
// Input: the index text, then up to three path files, each part after a
// line "--"; the parts are stored as {A}.otp, {B}.otp and {C}.otp.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "module/lifecycle.h"

using namespace mlvns;
using fuzz_support::Fail;

namespace {

std::vector<std::string> Split(const uint8_t* data, size_t size) {
  const std::string all(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parts;
  size_t start = 0;
  while (parts.size() < 4) {
    const size_t cut = all.find("\n--\n", start);
    if (cut == std::string::npos || parts.size() == 3) {
      parts.push_back(all.substr(start));
      break;
    }
    parts.push_back(all.substr(start, cut - start));
    start = cut + 4;
  }
  return parts;
}

void Write(const std::string& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Removes a folder tree that only this target made.
void RemoveTree(const std::string& path) {
  if (DIR* d = opendir(path.c_str())) {
    while (dirent* e = readdir(d)) {
      if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
      const std::string child = path + "/" + e->d_name;
      struct stat st;
      if (lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        RemoveTree(child);
      else
        unlink(child.c_str());
    }
    closedir(d);
  }
  rmdir(path.c_str());
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d))
      if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
    closedir(d);
  }
  return names;
}

}  // namespace

// The database object exists from the library's load on, as in a host.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (ModuleLoad() != 1) Fail("the library did not load");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A sandbox per run: the database keeps a loaded folder in memory until
  // it is written back, so every run gets a folder name of its own.
  // TMPDIR on a memory file system spares the write-back's syncs on long runs.
  static unsigned run = 0;
  static const std::string tmp = getenv("TMPDIR") != nullptr ? getenv("TMPDIR") : "/tmp";
  const std::string sandbox =
      tmp + "/molvaren-fuzz-db-" + std::to_string(getpid()) + "-" + std::to_string(run++);
  const std::string folder = sandbox + "/db";
  mkdir(sandbox.c_str(), 0700);
  mkdir(folder.c_str(), 0700);
  const std::vector<std::string> parts = Split(data, size);
  Write(folder + "/Molvaren.ini", parts[0]);
  static const char* const kFiles[] = {"{A}", "{B}", "{C}"};
  for (size_t i = 1; i < parts.size(); ++i) Write(folder + "/" + kFiles[i - 1] + ".otp", parts[i]);

  const char* f = folder.c_str();
  _PATH_INFO_ARRAY_* own = nullptr;
  Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(f, "/v/a.mp4", &own);
  if (own != nullptr) {
    // The database's own list: readable whole.
    for (int i = 0; i < own->nNumOfPathInfos; ++i)
      if (own->ppPathInfos[i] != nullptr) (void)own->ppPathInfos[i]->szGUID[0];
  }
  _PATH_INFO_* found = nullptr;
  char associate[260];
  Mlvr_DataBase_GetPathInfoByGUID(f, "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", &found, associate);
  _PATH_NODE_ node{};
  Mlvr_DataBase_GetPathNodeByGUID(f, "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", 15,
                                  MLVR_SIZE{1080, 1920}, 90.0f, &node, associate, 3);
  Mlvr_DataBase_DeleteInfoArrayByAssociateFileName(f, "/v/b.mp4");

  // An import ends with a write-back that takes the folder out of memory.
  _PATH_INFO_ path;
  std::strcpy(path.szGUID, "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
  std::strcpy(path.szTimeStamp, "20991231.235959.999");
  // Besides the source's identity or a new one, an import reports that of an
  // earlier copy of the source in the target's list, whatever text it holds.
  std::vector<std::string> copies;
  _PATH_INFO_ARRAY_* target = nullptr;
  Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(f, "/v/c.mp4", &target);
  for (int i = 0; target != nullptr && target->ppPathInfos != nullptr &&
                  i < target->nNumOfPathInfos; ++i) {
    const _PATH_INFO_* p = target->ppPathInfos[i];
    if (p != nullptr && std::strncmp(p->szOriginGUID, path.szGUID, sizeof p->szOriginGUID) == 0)
      copies.emplace_back(p->szGUID, strnlen(p->szGUID, sizeof p->szGUID));
  }
  CString guid;
  if (Mlvr_DataBase_ImportPathInfo(f, "/v/c.mp4", &path, &guid) != 1) Fail("import gave 0");
  const std::string reported = guid.GetString();
  if (reported != path.szGUID && reported.size() != 38 &&
      std::find(copies.begin(), copies.end(), reported) == copies.end())
    Fail("import named no identity");
  // The write-back left an index behind.
  struct stat st;
  if (stat((folder + "/Molvaren.ini").c_str(), &st) != 0) Fail("no index after the import");

  // Only the folder itself may have been written in the sandbox.
  const std::vector<std::string> names = Names(sandbox);
  if (names.size() != 1 || names[0] != "db") Fail("a file was written outside the folder");
  RemoveTree(sandbox);
  return 0;
}
