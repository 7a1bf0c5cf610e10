// The library writes its database folders back when it is unloaded: a host
// loads it with dlopen, makes changes that stay in memory, and finds them on
// disk after dlclose.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "database/database_test_util.h"
#include "molvaren/molvaren.h"

namespace mlvns {
namespace {

using dbtest::Path;
using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::TempDir;

class Library {
 public:
  Library() : handle_(dlopen(MOLVAREN_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL)) {}
  ~Library() { Close(); }
  bool ok() const { return handle_ != nullptr; }
  void Close() {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
  }
  template <class F>
  F* Get(const char* name) {
    void* sym = dlsym(handle_, name);
    F* f = nullptr;
    std::memcpy(&f, &sym, sizeof f);
    return f;
  }

 private:
  void* handle_;
};

#define EXPORT(lib, name) lib.Get<decltype(name)>(#name)

TEST(DataBaseUnload, UnloadWritesEveryFolderBack) {
  TempDir one;
  TempDir two;
  {
    Library lib;
    ASSERT_TRUE(lib.ok()) << dlerror();
    auto update = EXPORT(lib, Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName);
    auto remove = EXPORT(lib, Mlvr_DataBase_DeleteInfoArrayByAssociateFileName);
    ListHolder a(NewList({Path("{A1}"), Path("{A2}")}));
    ListHolder b(NewList({Path("{B1}")}));
    ASSERT_EQ(update(one.path().c_str(), "/v/A.mp4", a.get()), 1);
    ASSERT_EQ(update(one.path().c_str(), "/v/gone.mp4", b.get()), 1);
    ASSERT_EQ(remove(one.path().c_str(), "/v/gone.mp4"), 1);
    ASSERT_EQ(update(two.path().c_str(), "/v/b.mp4", b.get()), 1);
    EXPECT_FALSE(platform::PathExists(one.File("Molvaren.ini").c_str()));
    lib.Close();
  }
  const std::string index = dbtest::ReadText(one.File("Molvaren.ini"));
  ASSERT_EQ(index.find("[File_0]\r\nAssiciateFile=/v/a.mp4\r\nDataBaseName={"), 0u) << index;
  const size_t at = index.find("DataBaseName=") + 13;
  const std::string name = index.substr(at, 38);
  EXPECT_EQ(index.substr(at + 38), "\r\n[Setting]\r\nNumOfFiles=1\r\n");
  EXPECT_EQ(dbtest::GuidsInFile(one.File(name + ".otp")),
            (std::vector<std::string>{"{A1}", "{A2}"}));
  EXPECT_TRUE(platform::PathExists(two.File("Molvaren.ini").c_str()));

  // The next load reads it back.
  Library again;
  ASSERT_TRUE(again.ok());
  auto fetch = EXPORT(again, Mlvr_DataBase_GetPathInfoArrayByAssociateFileName);
  auto byGuid = EXPORT(again, Mlvr_DataBase_GetPathNodeByGUID);
  _PATH_INFO_ARRAY_* list = nullptr;
  ASSERT_EQ(fetch(one.path().c_str(), "/V/A.MP4", &list), 1);
  EXPECT_EQ(dbtest::Guids(list), (std::vector<std::string>{"{A1}", "{A2}"}));
  _PATH_NODE_ node;
  char key[260] = {};
  EXPECT_EQ(byGuid(two.path().c_str(), "{B1}", 5, {1920, 1080}, 0.0f, &node, key, 0), 1);
  EXPECT_STREQ(key, "/v/b.mp4");
}

}  // namespace
}  // namespace mlvns
