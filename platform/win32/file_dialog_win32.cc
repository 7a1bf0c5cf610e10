// The classic common file dialog (GetOpenFileNameA / GetSaveFileNameA).
#include <string>
#include <vector>

#include "platform/win32/env_win32.h"
#include "platform/win32/win32.h"

namespace mlvns {
namespace platform {
namespace win32 {

bool ShowFileDialog(const FileDialogSettings& settings, std::string* chosen) {
  // The filter's bars become the NULs that the dialog reads.
  std::vector<char> filter(settings.filter.begin(), settings.filter.end());
  for (char& c : filter) {
    if (c == '|') c = '\0';
  }
  filter.push_back('\0');
  filter.push_back('\0');

  char file[MAX_PATH] = {};
  if (settings.fileName.size() >= sizeof file) return false;
  settings.fileName.copy(file, settings.fileName.size());

  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = static_cast<HWND>(settings.owner);
  ofn.lpstrFilter = filter.data();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrTitle = settings.title.c_str();
  ofn.lpstrDefExt = settings.defaultExtension.c_str();
  // OFN_EXPLORER as the framework's file dialog adds it for its classic form.
  ofn.Flags = OFN_EXPLORER;
  if (settings.readOnlyChecked) ofn.Flags |= OFN_READONLY;
  if (settings.overwritePrompt) ofn.Flags |= OFN_OVERWRITEPROMPT;
  if (settings.hideReadOnly) ofn.Flags |= OFN_HIDEREADONLY;
  if (settings.pathMustExist) ofn.Flags |= OFN_PATHMUSTEXIST;
  if (settings.fileMustExist) ofn.Flags |= OFN_FILEMUSTEXIST;

  BOOL ok = settings.save ? ::GetSaveFileNameA(&ofn) : ::GetOpenFileNameA(&ofn);
  if (!ok) return false;
  file[sizeof file - 1] = '\0';
  *chosen = file;
  return true;
}

}  // namespace win32
}  // namespace platform
}  // namespace mlvns
