// Routing of file dialogs: to the installed one, else to the platform's.
#include <atomic>

#include "platform/platform.h"

namespace mlvns {
namespace platform {
namespace {
std::atomic<FileDialog*> g_dialog{nullptr};
}  // namespace

FileDialog* SetFileDialog(FileDialog* dialog) { return g_dialog.exchange(dialog); }

bool ShowFileDialog(const FileDialogSettings& settings, std::string* chosen) {
  if (chosen == nullptr) return false;
  FileDialog* dialog = g_dialog.load();
  return dialog != nullptr ? dialog->Show(settings, chosen) : SystemFileDialog(settings, chosen);
}

}  // namespace platform
}  // namespace mlvns
