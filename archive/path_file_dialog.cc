#include "archive/path_file_dialog.h"

#include <cstdio>
#include <string>

#include "archive/path_file.h"
#include "platform/platform.h"

namespace mlvns {

int32_t PathInfo_OpenSaveDialog(int32_t bSave, _PATH_INFO_ARRAY_** ppArray, void* hParent) {
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
  if (bSave) {
    settings.flags = 0x807;  // read-only box selected and hidden, overwrite prompt, folder exists
    settings.title = (*ppArray)->nNumOfPathInfos == 1 ? "Save Object Tracking Path File"
                                                      : "Save Object Tracking Paths File";
  } else {
    settings.flags = 0x1807;  // and the file must exist
    settings.title = "Open Object Tracking Path(s) File";
  }

  std::string chosen;
  if (!platform::ShowFileDialog(settings, &chosen)) return kDialogCancelled;
  // The open or save result shows in the array or the file, not here.
  PathInfo_OpenSave(chosen.c_str(), bSave, ppArray);
  return kDialogConfirmed;
}

}  // namespace mlvns
