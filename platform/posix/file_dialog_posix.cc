// The file dialog on POSIX: zenity's file selection, when zenity is on the
// PATH and a display is set; otherwise the dialog counts as cancelled.
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/env_posix.h"

extern char** environ;

namespace mlvns {
namespace platform {
namespace {

bool OnPath(const char* program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::string all(path);
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(':', start);
    if (end == std::string::npos) end = all.size();
    std::string dir = all.substr(start, end - start);
    std::string full = (dir.empty() ? std::string(".") : dir) + "/" + program;
    if (::access(full.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

bool HasDisplay() {
  const char* x = std::getenv("DISPLAY");
  const char* w = std::getenv("WAYLAND_DISPLAY");
  return (x != nullptr && *x != '\0') || (w != nullptr && *w != '\0');
}

// "desc (*.otp)|*.otp||" -> zenity's "desc (*.otp) | *.otp", one per entry.
std::vector<std::string> ZenityFilters(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start < filter.size()) {
    size_t bar = filter.find('|', start);
    if (bar == std::string::npos) bar = filter.size();
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<std::string> out;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty() && parts[i + 1].empty()) break;
    std::string patterns = parts[i + 1];
    for (char& c : patterns) {
      if (c == ';') c = ' ';
    }
    out.push_back("--file-filter=" + parts[i] + " | " + patterns);
  }
  return out;
}

// Runs the command and collects its standard output; true on exit status 0.
bool Run(const std::vector<std::string>& args, std::string* out) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    return false;
  }
  char buf[4096];
  for (;;) {
    ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out->append(buf, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

namespace posix {

bool ShowFileDialog(const FileDialogSettings& settings, std::string* chosen) {
  if (!HasDisplay() || !OnPath("zenity")) return false;
  std::vector<std::string> args = {"zenity", "--file-selection", "--title=" + settings.title,
                                   "--filename=" + settings.fileName};
  if (settings.save) {
    args.push_back("--save");
    if (settings.overwritePrompt) args.push_back("--confirm-overwrite");
  }
  for (const std::string& f : ZenityFilters(settings.filter)) args.push_back(f);
  std::string out;
  if (!Run(args, &out)) return false;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  if (out.empty()) return false;
  // As the common dialog does: a name typed without extension gets the
  // default one.
  size_t slash = out.rfind('/');
  size_t base = slash == std::string::npos ? 0 : slash + 1;
  if (!settings.defaultExtension.empty() && out.find('.', base) == std::string::npos) {
    out += "." + settings.defaultExtension;
  }
  *chosen = out;
  return true;
}

}  // namespace posix
}  // namespace platform
}  // namespace mlvns
