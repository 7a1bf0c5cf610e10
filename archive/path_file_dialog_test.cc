#include "archive/path_file_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/path_file.h"
#include "platform/env.h"
#include "tests/support/test_env.h"
#include "tests/support/test_support.h"

namespace mlvns {
namespace {

using testing_support::ListHolder;
using testing_support::NewList;
using testing_support::NewPath;
using testing_support::Node;
using testing_support::ReadFileBytes;
using testing_support::ScopedModuleEnv;
using testing_support::ScriptedDialogEnv;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

// Both: the read-only box ticked and hidden, the overwrite prompt and an
// existing folder; opening also needs an existing file.
void ExpectCommonSettings(const platform::FileDialogSettings& s, bool save) {
  if (!save) {
    EXPECT_EQ(s.title, "Open Object Tracking Path(s) File");
  }
  EXPECT_TRUE(s.readOnlyChecked && s.hideReadOnly && s.overwritePrompt && s.pathMustExist);
  EXPECT_EQ(std::tuple(s.save, s.fileMustExist, s.filter, s.defaultExtension, s.fileName),
            std::tuple(save, !save, "Object Tracking Path File (*.otp)|*.otp||", "otp",
                       "ObjTrckngPaths.otp"));
}

TEST(PathFileDialog, SaveTitleFollowsThePathCountAndTheChosenFileIsWritten) {
  TempDir dir;
  ListHolder one(NewList({NewPath({Node(0, 0.5f, 0.5f), Node(1, 0.6f, 0.5f)})}));
  ListHolder lists[] = {ListHolder(NewList({})), ListHolder(NewList({NewPath({}), NewPath({})}))};
  const std::string names[] = {dir.File("none.otp"), dir.File("one.otp"), dir.File("two.otp")};
  ScriptedDialogEnv dialog({names[0], names[1], names[2]});
  int owner = 0;
  EXPECT_EQ(PathInfo_OpenSaveDialog(dialog, 1, lists[0].ref(), nullptr), 1);
  EXPECT_EQ(PathInfo_OpenSaveDialog(dialog, 1, one.ref(), &owner), 1);
  EXPECT_EQ(PathInfo_OpenSaveDialog(dialog, 7, lists[1].ref(), nullptr), 1);
  ASSERT_EQ(dialog.shown.size(), 3u);
  const size_t sizes[] = {134, 134 + 528 + 120, 134 + 2 * 528};  // as path files of those lists
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(dialog.shown[i].title, i == 1 ? "Save Object Tracking Path File"
                                            : "Save Object Tracking Paths File");
    ExpectCommonSettings(dialog.shown[i], true);
    EXPECT_EQ(dialog.shown[i].owner, i == 1 ? &owner : nullptr);
    EXPECT_EQ(ReadFileBytes(names[i]).size(), sizes[i]);
  }
  EXPECT_EQ(one->nNumOfPathInfos, 1);  // saving leaves the list as it was
}

TEST(PathFileDialog, OpenReadsTheChosenFileCancelTouchesNothingSavingNeedsAList) {
  TempDir dir;
  ListHolder saved(NewList({NewPath({Node(3, 0.1f, 0.2f)}), NewPath({})}));
  ASSERT_EQ(PathInfo_OpenSave(dir.File("p.otp").c_str(), 1, saved.ref()), 1);
  WriteFileBytes(dir.File("not.otp"), {41, 'x', 'y'});

  ListHolder into;
  ScriptedDialogEnv dialog({dir.File("p.otp"), "", dir.File("not.otp"), ""});
  ScopedModuleEnv use(&dialog);  // for the export below
  EXPECT_EQ(PathInfo_OpenSaveDialog(dialog, 0, into.ref(), nullptr), 1);
  ASSERT_NE(into.get(), nullptr);
  EXPECT_EQ(std::pair(into->nNumOfPathInfos, into->ppPathInfos[0]->pPathNodes[0].nFrameIndex),
            std::pair(2, 3));
  _PATH_INFO_ARRAY_* before = into.get();

  EXPECT_EQ(PathInfo_OpenSaveDialog(dialog, 0, into.ref(), nullptr), 2);  // cancelled
  // Confirmed on something that is not a path file: 1, list untouched.
  EXPECT_EQ(PathInfo_OpenSaveDialog(dialog, 0, into.ref(), nullptr), 1);
  EXPECT_EQ(std::pair(into.get(), into->nNumOfPathInfos), std::pair(before, 2));

  ASSERT_EQ(dialog.shown.size(), 3u);
  for (const auto& s : dialog.shown) ExpectCommonSettings(s, false);

  // A cancelled save writes nothing.
  EXPECT_EQ(Mlvr_OpenSavePathInfoDialog(1, saved.ref(), nullptr), 2);
  EXPECT_EQ(dialog.shown.size(), 4u);
  EXPECT_EQ(ReadFileBytes(dir.File("ObjTrckngPaths.otp")).size(), 0u);

  // Saving without an array is refused before any dialog.
  _PATH_INFO_ARRAY_* nothing = nullptr;
  EXPECT_EQ(PathInfo_OpenSaveDialog(dialog, 1, nullptr, nullptr), 0);
  EXPECT_EQ(Mlvr_OpenSavePathInfoDialog(1, &nothing, nullptr), 0);
  EXPECT_EQ(dialog.shown.size(), 4u);
}

}  // namespace
}  // namespace mlvns
