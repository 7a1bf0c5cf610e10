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

ScopedModuleEnv::ScopedModuleEnv(Env* env) : previous_(g_moduleEnv.exchange(env)) {}
ScopedModuleEnv::~ScopedModuleEnv() { g_moduleEnv.store(previous_); }

void FaultEnv::Arm(FileOp op, uint64_t nth) {
  for (int i = 0; i < static_cast<int>(FileOp::kKinds); ++i) counts_[i] = armed_[i] = 0;
  armed_[static_cast<int>(op)] = nth;
}

std::unique_ptr<File> FaultEnv::Counted(std::unique_ptr<File> file) {
  // Writes and syncs of the file count as the environment's.
  struct Counting : File {
    Counting(FaultEnv* e, std::unique_ptr<File> f) : env(e), file(std::move(f)) {}
    bool Read(void* b, size_t n, size_t* got) override { return file->Read(b, n, got); }
    bool Write(const void* d, size_t n) override {
      return !env->Fails(FileOp::kWrite) && file->Write(d, n);
    }
    bool Sync() override { return !env->Fails(FileOp::kSync) && file->Sync(); }
    bool Close() override { return file->Close(); }
    bool Size(uint64_t* size) override { return file->Size(size); }
    FaultEnv* env;
    std::unique_ptr<File> file;
  };
  if (!file) return nullptr;
  return std::unique_ptr<File>(new Counting(this, std::move(file)));
}

}  // namespace testing_support
}  // namespace mlvns
