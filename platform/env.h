// The environment: the one interface through which the library reaches its
// platform. Env::Default() is the real POSIX or Win32 one; an EnvWrapper
// passes every call on to another Env, so a subclass changes only what it
// overrides. Helpers made of several calls (an atomic write, the index file)
// take an Env&, so that a wrapper sees each call they make.
#ifndef MOLVAREN_PLATFORM_ENV_H_
#define MOLVAREN_PLATFORM_ENV_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace mlvns {
namespace platform {

class Env {
 public:
  Env() = default;
  Env(const Env&) = delete;
  Env& operator=(const Env&) = delete;
  virtual ~Env() = default;

  // The platform's own environment; never deleted.
  static Env* Default();

  // One debug-output line, as it stands.
  virtual void DebugLine(const char* line) = 0;

  // True when a file or folder of that name exists.
  virtual bool PathExists(const char* path) = 0;
  // Creates one folder level; false when it could not be created.
  virtual bool CreateFolder(const char* path) = 0;
  // Removes a file silently and permanently; false when nothing was removed.
  virtual bool DeleteFile(const char* path) = 0;
  // Size of a file in bytes; false when its status cannot be read.
  virtual bool FileSize(const char* path, uint64_t* size) = 0;
  // Replaces `to` with `from` in one step.
  virtual bool RenameFile(const char* from, const char* to) = 0;
  // An existing plain file, read-only; null when it cannot be opened.
  virtual std::unique_ptr<File> OpenFileForReading(const char* path) = 0;
  // A file created, or truncated when it exists, for writing; null when it
  // cannot be opened.
  virtual std::unique_ptr<File> OpenFileForWriting(const char* path) = 0;
  // A new file for writing in the folder of `beside`, named after it; its
  // name in *name. Null when none could be created.
  virtual std::unique_ptr<File> NewTemporaryFile(const std::string& beside,
                                                 std::string* name) = 0;
  // Makes the renames in the folder of `path` durable, where the platform
  // needs that step.
  virtual bool SyncFolderOf(const std::string& path) = 0;
  // The names of the plain files in `folder`, in no particular order; false
  // when the folder cannot be read.
  virtual bool ListFiles(const std::string& folder, std::vector<std::string>* names) = 0;
  // The folder lock (see FileLock): waits for it when `wait`; otherwise null
  // at once when another process holds it, with *busy set. Null with *busy
  // false when the lock file cannot be opened.
  virtual std::unique_ptr<FileLock> LockFile(const std::string& path, bool wait,
                                             bool* busy) = 0;

  // A new random GUID as registry text: braces, upper-case 8-4-4-4-12
  // digits. Empty when no text could be formed.
  virtual std::string NewGuidText() = 0;
  virtual LocalTime CurrentLocalTime() = 0;
  // The full name of `name` in the folder of the host process's executable;
  // empty when the executable's name cannot be read.
  virtual std::string FileBesideExecutable(const char* name) = 0;

  // A modal open/save dialog: true with the chosen full name in *chosen when
  // the user confirmed; false (cancelled) when no dialog can be shown.
  virtual bool ShowFileDialog(const FileDialogSettings& settings, std::string* chosen) = 0;
};

// Passes every call on to `target`, which must outlive the wrapper.
class EnvWrapper : public Env {
 public:
  explicit EnvWrapper(Env* target) : target_(target) {}
  Env* target() const { return target_; }

  void DebugLine(const char* line) override { target_->DebugLine(line); }
  bool PathExists(const char* path) override { return target_->PathExists(path); }
  bool CreateFolder(const char* path) override { return target_->CreateFolder(path); }
  bool DeleteFile(const char* path) override { return target_->DeleteFile(path); }
  bool FileSize(const char* path, uint64_t* size) override {
    return target_->FileSize(path, size);
  }
  bool RenameFile(const char* from, const char* to) override {
    return target_->RenameFile(from, to);
  }
  std::unique_ptr<File> OpenFileForReading(const char* path) override {
    return target_->OpenFileForReading(path);
  }
  std::unique_ptr<File> OpenFileForWriting(const char* path) override {
    return target_->OpenFileForWriting(path);
  }
  std::unique_ptr<File> NewTemporaryFile(const std::string& beside, std::string* name) override {
    return target_->NewTemporaryFile(beside, name);
  }
  bool SyncFolderOf(const std::string& path) override { return target_->SyncFolderOf(path); }
  bool ListFiles(const std::string& folder, std::vector<std::string>* names) override {
    return target_->ListFiles(folder, names);
  }
  std::unique_ptr<FileLock> LockFile(const std::string& path, bool wait, bool* busy) override {
    return target_->LockFile(path, wait, busy);
  }
  std::string NewGuidText() override { return target_->NewGuidText(); }
  LocalTime CurrentLocalTime() override { return target_->CurrentLocalTime(); }
  std::string FileBesideExecutable(const char* name) override {
    return target_->FileBesideExecutable(name);
  }
  bool ShowFileDialog(const FileDialogSettings& settings, std::string* chosen) override {
    return target_->ShowFileDialog(settings, chosen);
  }

 private:
  Env* target_;
};

// Writes `path` whole or not at all: a temporary file beside it, synced,
// then renamed over `path`. On failure the old file is intact.
bool WriteFileAtomically(Env& env, const std::string& path, const void* data, size_t n);

// Opens the index file `path`, reading and writing it through `env`; a
// missing file reads as empty and is created by the first Commit() after a
// SetString().
std::unique_ptr<ProfileFile> OpenProfile(Env& env, const std::string& path);

}  // namespace platform

// The environment the library's own code runs in. The shipped libraries
// define it as Env::Default(); test programs link a definition of their own.
platform::Env& ModuleEnv();

}  // namespace mlvns

#endif  // MOLVAREN_PLATFORM_ENV_H_
