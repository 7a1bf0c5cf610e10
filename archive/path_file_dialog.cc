#include "archive/path_file_dialog.h"

#include <cstdio>
#include <string>

#include "archive/path_file.h"
#include "platform/env.h"

namespace mlvns {

int32_t PathInfo_OpenSaveDialog(platform::Env& env, int32_t bSave, _PATH_INFO_ARRAY_** ppArray, void* hParent) {
  // The save title reads the array's count: refuse before showing anything
  // when there is none to read.
  if (bSave && (ppArray == nullptr || *ppArray == nullptr)) return 0;

  char filter[128];
  std::snprintf(filter, sizeof filter, "%s (*.otp)|*.otp||", "Object Tracking Path File");

  platform::FileDialogSettings settings;
  settings.save = bSave != 0;
  settings.filter = filter;
  settings.defaultExtension = "otp";
  settings.fileName = "ObjTrckngPaths.otp";
  settings.owner = hParent;
  // The read-only box ticked and hidden, the overwrite prompt (which only
  // saving shows) and an existing folder; opening also needs the file.
  settings.readOnlyChecked = true;
  settings.hideReadOnly = true;
  settings.overwritePrompt = true;
  settings.pathMustExist = true;
  if (bSave) {
    settings.title = (*ppArray)->nNumOfPathInfos == 1 ? "Save Object Tracking Path File"
                                                      : "Save Object Tracking Paths File";
  } else {
    settings.fileMustExist = true;
    settings.title = "Open Object Tracking Path(s) File";
  }

  std::string chosen;
  if (!env.ShowFileDialog(settings, &chosen)) return kDialogCancelled;
  // The open or save result shows in the array or the file, not here.
  PathInfo_OpenSave(env, chosen.c_str(), bSave, ppArray);
  return kDialogConfirmed;
}

}  // namespace mlvns
