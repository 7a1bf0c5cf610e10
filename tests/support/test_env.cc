#include "tests/support/test_env.h"

namespace mlvns {
namespace {
std::atomic<platform::Env*> g_moduleEnv{nullptr};
}  // namespace

// The test programs' side of the link seam: the installed environment, else
// the platform's.
platform::Env& ModuleEnv() {
  platform::Env* env = g_moduleEnv.load();
  return env != nullptr ? *env : *platform::Env::Default();
}

namespace testing_support {

ScopedModuleEnv::ScopedModuleEnv(platform::Env* env) : previous_(g_moduleEnv.exchange(env)) {}
ScopedModuleEnv::~ScopedModuleEnv() { g_moduleEnv.store(previous_); }

void CaptureEnv::DebugLine(const char* line) {
  std::lock_guard<std::mutex> hold(mutex_);
  lines_.emplace_back(line);
}

std::vector<std::string> CaptureEnv::Lines() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return lines_;
}

void CaptureEnv::Clear() {
  std::lock_guard<std::mutex> hold(mutex_);
  lines_.clear();
}

namespace {

// Writes and syncs of a file count as the environment's.
class FaultFile : public platform::File {
 public:
  FaultFile(FaultEnv* env, std::unique_ptr<platform::File> file)
      : env_(env), file_(std::move(file)) {}
  bool Read(void* buffer, size_t n, size_t* got) override { return file_->Read(buffer, n, got); }
  bool Write(const void* data, size_t n) override {
    return !env_->Fails(FileOp::kWrite) && file_->Write(data, n);
  }
  bool Sync() override { return !env_->Fails(FileOp::kSync) && file_->Sync(); }
  bool Close() override { return file_->Close(); }
  bool Size(uint64_t* size) override { return file_->Size(size); }

 private:
  FaultEnv* env_;
  std::unique_ptr<platform::File> file_;
};

}  // namespace

void FaultEnv::Reset() {
  for (int i = 0; i < static_cast<int>(FileOp::kKinds); ++i) {
    counts_[i].store(0);
    armed_[i].store(0);
  }
}

void FaultEnv::Arm(FileOp op, uint64_t nth) {
  Reset();
  armed_[static_cast<int>(op)].store(nth);
}

bool FaultEnv::Fails(FileOp op) {
  const int i = static_cast<int>(op);
  return counts_[i].fetch_add(1) + 1 == armed_[i].load();
}

std::unique_ptr<platform::File> FaultEnv::Counted(std::unique_ptr<platform::File> file) {
  if (!file) return nullptr;
  return std::unique_ptr<platform::File>(new FaultFile(this, std::move(file)));
}

bool FaultEnv::CreateFolder(const char* path) {
  return !Fails(FileOp::kCreate) && EnvWrapper::CreateFolder(path);
}

bool FaultEnv::DeleteFile(const char* path) {
  return !Fails(FileOp::kDelete) && EnvWrapper::DeleteFile(path);
}

bool FaultEnv::RenameFile(const char* from, const char* to) {
  return !Fails(FileOp::kRename) && EnvWrapper::RenameFile(from, to);
}

std::unique_ptr<platform::File> FaultEnv::OpenFileForWriting(const char* path) {
  if (Fails(FileOp::kCreate)) return nullptr;
  return Counted(EnvWrapper::OpenFileForWriting(path));
}

std::unique_ptr<platform::File> FaultEnv::NewTemporaryFile(const std::string& beside,
                                                           std::string* name) {
  if (Fails(FileOp::kCreate)) return nullptr;
  return Counted(EnvWrapper::NewTemporaryFile(beside, name));
}

bool FaultEnv::SyncFolderOf(const std::string& path) {
  return !Fails(FileOp::kSync) && EnvWrapper::SyncFolderOf(path);
}

bool ScriptedDialogEnv::ShowFileDialog(const platform::FileDialogSettings& settings,
                                       std::string* chosen) {
  shown.push_back(settings);
  if (next_ >= answers_.size() || answers_[next_].empty()) {
    ++next_;
    return false;
  }
  *chosen = answers_[next_++];
  return true;
}

}  // namespace testing_support
}  // namespace mlvns
