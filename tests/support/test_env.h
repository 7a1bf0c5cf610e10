// Environments for tests: the module's environment replaced for a scope,
// and wrappers that capture debug lines, fail file operations and answer
// file dialogs from a script.
#ifndef MOLVAREN_TESTS_SUPPORT_TEST_ENV_H_
#define MOLVAREN_TESTS_SUPPORT_TEST_ENV_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/env.h"

namespace mlvns {
namespace testing_support {

using platform::Env;
using platform::File;

// Makes `env` what ModuleEnv() returns while it lives; scopes nest.
class ScopedModuleEnv {
 public:
  explicit ScopedModuleEnv(Env* env);
  ~ScopedModuleEnv();

 private:
  Env* previous_;
};

// The module's environment, keeping every debug-output line instead of
// writing it, while it lives.
class CaptureEnv : public platform::EnvWrapper {
 public:
  CaptureEnv() : EnvWrapper(&ModuleEnv()), scope_(this) {}
  void DebugLine(const char* line) override {
    std::lock_guard<std::mutex> hold(mutex_);
    lines_.emplace_back(line);
  }
  std::vector<std::string> Lines() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return lines_;
  }
  void Clear() {
    std::lock_guard<std::mutex> hold(mutex_);
    lines_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  ScopedModuleEnv scope_;
};

enum class FileOp { kWrite, kRename, kSync, kCreate, kDelete, kKinds };

// The platform's environment with its file operations counted by kind; the
// armed Nth of a kind fails as the system call would (a full disk, a
// vanished folder). Writes and syncs count on the files it opens.
class FaultEnv : public platform::EnvWrapper {
 public:
  FaultEnv() : EnvWrapper(Env::Default()) {}
  // Counts start again; then the `nth` operation of `op` fails (0: none).
  void Arm(FileOp op, uint64_t nth);
  void Reset() { Arm(FileOp::kWrite, 0); }
  uint64_t Count(FileOp op) const { return counts_[static_cast<int>(op)]; }
  // Counts one operation; true when it is the armed one.
  bool Fails(FileOp op) {
    return ++counts_[static_cast<int>(op)] == armed_[static_cast<int>(op)];
  }

  bool CreateFolder(const char* p) override {
    return !Fails(FileOp::kCreate) && EnvWrapper::CreateFolder(p);
  }
  bool DeleteFile(const char* p) override {
    return !Fails(FileOp::kDelete) && EnvWrapper::DeleteFile(p);
  }
  bool RenameFile(const char* from, const char* to) override {
    return !Fails(FileOp::kRename) && EnvWrapper::RenameFile(from, to);
  }
  bool SyncFolderOf(const std::string& p) override {
    return !Fails(FileOp::kSync) && EnvWrapper::SyncFolderOf(p);
  }
  std::unique_ptr<File> OpenFileForWriting(const char* p) override {
    return Fails(FileOp::kCreate) ? nullptr : Counted(EnvWrapper::OpenFileForWriting(p));
  }
  std::unique_ptr<File> NewTemporaryFile(const std::string& beside, std::string* name) override {
    return Fails(FileOp::kCreate) ? nullptr : Counted(EnvWrapper::NewTemporaryFile(beside, name));
  }

 private:
  std::unique_ptr<File> Counted(std::unique_ptr<File> file);

  std::atomic<uint64_t> counts_[static_cast<int>(FileOp::kKinds)] = {};
  std::atomic<uint64_t> armed_[static_cast<int>(FileOp::kKinds)] = {};
};

// Answers each dialog with the next scripted name ("" cancels) and keeps
// what it was asked to show.
class ScriptedDialogEnv : public platform::EnvWrapper {
 public:
  explicit ScriptedDialogEnv(std::vector<std::string> answers)
      : EnvWrapper(Env::Default()), answers_(std::move(answers)) {}
  bool ShowFileDialog(const platform::FileDialogSettings& s, std::string* chosen) override {
    shown.push_back(s);
    const std::string answer = shown.size() <= answers_.size() ? answers_[shown.size() - 1] : "";
    if (!answer.empty()) *chosen = answer;
    return !answer.empty();
  }

  std::vector<platform::FileDialogSettings> shown;

 private:
  std::vector<std::string> answers_;
};

}  // namespace testing_support
}  // namespace mlvns

#endif  // MOLVAREN_TESTS_SUPPORT_TEST_ENV_H_
