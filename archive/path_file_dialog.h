// The open/save dialog for path files: the library's one piece of user
// interface, shown on the host's behalf.
#ifndef MOLVAREN_ARCHIVE_PATH_FILE_DIALOG_H_
#define MOLVAREN_ARCHIVE_PATH_FILE_DIALOG_H_

#include <cstdint>

#include "molvaren/molvaren.h"
#include "platform/env.h"

namespace mlvns {

constexpr int32_t kDialogConfirmed = 1;  // IDOK
constexpr int32_t kDialogCancelled = 2;  // IDCANCEL

// Shows env's open (bSave 0) or save dialog owned by hParent and, when the
// user confirmed a name, opens or saves it with PathInfo_OpenSave. Returns
// the dialog's result; 0 without showing anything when saving has no array.
int32_t PathInfo_OpenSaveDialog(platform::Env& env, int32_t bSave, _PATH_INFO_ARRAY_** ppArray,
                                void* hParent);

}  // namespace mlvns

#endif  // MOLVAREN_ARCHIVE_PATH_FILE_DIALOG_H_
