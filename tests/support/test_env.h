// Environments for tests: the module's environment replaced for a scope,
// and wrappers that capture debug lines, fail file operations and answer
// file dialogs from a script.
#ifndef MOLVAREN_TESTS_SUPPORT_TEST_ENV_H_
#define MOLVAREN_TESTS_SUPPORT_TEST_ENV_H_

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/env.h"

namespace mlvns {
namespace testing_support {

// Makes `env` what ModuleEnv() returns while it lives; scopes nest.
class ScopedModuleEnv {
 public:
  explicit ScopedModuleEnv(platform::Env* env);
  ~ScopedModuleEnv();
  ScopedModuleEnv(const ScopedModuleEnv&) = delete;
  ScopedModuleEnv& operator=(const ScopedModuleEnv&) = delete;

 private:
  platform::Env* previous_;
};

// The module's environment, keeping every debug-output line instead of
// writing it, while it lives.
class CaptureEnv : public platform::EnvWrapper {
 public:
  CaptureEnv() : EnvWrapper(&ModuleEnv()), scope_(this) {}
  void DebugLine(const char* line) override;
  std::vector<std::string> Lines() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  ScopedModuleEnv scope_;
};

enum class FileOp { kWrite, kRename, kSync, kCreate, kDelete, kKinds };

// The platform's environment with its file operations counted by kind; the
// armed Nth of a kind fails as the system call would (a full disk, a
// vanished folder).
class FaultEnv : public platform::EnvWrapper {
 public:
  FaultEnv() : EnvWrapper(platform::Env::Default()) {}
  // Counts start again and nothing is armed.
  void Reset();
  // As Reset, then the `nth` operation of the kind fails.
  void Arm(FileOp op, uint64_t nth);
  uint64_t Count(FileOp op) const { return counts_[static_cast<int>(op)].load(); }
  // Counts one operation; true when it is the armed one.
  bool Fails(FileOp op);

  bool CreateFolder(const char* path) override;
  bool DeleteFile(const char* path) override;
  bool RenameFile(const char* from, const char* to) override;
  std::unique_ptr<platform::File> OpenFileForWriting(const char* path) override;
  std::unique_ptr<platform::File> NewTemporaryFile(const std::string& beside,
                                                   std::string* name) override;
  bool SyncFolderOf(const std::string& path) override;

 private:
  std::unique_ptr<platform::File> Counted(std::unique_ptr<platform::File> file);

  std::atomic<uint64_t> counts_[static_cast<int>(FileOp::kKinds)] = {};
  std::atomic<uint64_t> armed_[static_cast<int>(FileOp::kKinds)] = {};
};

// Answers each dialog with the next scripted name ("" cancels) and keeps
// what it was asked to show.
class ScriptedDialogEnv : public platform::EnvWrapper {
 public:
  explicit ScriptedDialogEnv(std::vector<std::string> answers)
      : EnvWrapper(platform::Env::Default()), answers_(std::move(answers)) {}
  bool ShowFileDialog(const platform::FileDialogSettings& settings,
                      std::string* chosen) override;

  std::vector<platform::FileDialogSettings> shown;

 private:
  std::vector<std::string> answers_;
  size_t next_ = 0;
};

}  // namespace testing_support
}  // namespace mlvns

#endif  // MOLVAREN_TESTS_SUPPORT_TEST_ENV_H_
