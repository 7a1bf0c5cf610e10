#include "module/lifecycle.h"

#include <atomic>
#include <new>
#include <string>

#include "database/database.h"
#include "platform/env.h"
#include "platform/trace.h"

namespace mlvns {
namespace {

std::atomic<int32_t> g_attachCount{0};
CMlvrDataBase* g_database = nullptr;            // the module's database object
std::atomic<CMlvrDataBase*> g_pDataBase{nullptr};  // what database calls reach
std::recursive_mutex g_lock;
thread_local int g_hostHolds = 0;

}  // namespace

int32_t ModuleLoad() {
  if (!platform::RegisterExtensionModule()) return 0;
  if (g_attachCount.load() <= 0) {
    platform::Env& env = ModuleEnv();
    CMlvrDataBase* db = new (std::nothrow) CMlvrDataBase(env);
    // Only the existence of the file beside the executable counts.
    std::string marker = env.FileBesideExecutable("Molvaren.ini");
    if (!marker.empty() && env.PathExists(marker.c_str())) SetTraceEnabled(true);
    g_database = db;
  }
  g_attachCount.fetch_add(1);
  g_pDataBase.store(g_database);
  return 1;
}

int32_t ModuleUnload() {
  platform::UnregisterExtensionModule();
  if (g_pDataBase.load() != nullptr) {
    if (g_attachCount.fetch_sub(1) - 1 <= 0 && g_database != nullptr) {
      delete g_database;  // writes back every folder it holds
      g_database = nullptr;
    }
  }
  g_pDataBase.store(nullptr);
  return 1;
}

int32_t AttachCount() { return g_attachCount.load(); }

CMlvrDataBase* DataBasePointer() { return g_pDataBase.load(); }

std::recursive_mutex& DataBaseLock() { return g_lock; }

void HostLock() {
  g_lock.lock();
  ++g_hostHolds;
}

void HostUnlock() {
  if (g_hostHolds == 0) return;
  --g_hostHolds;
  g_lock.unlock();
}

}  // namespace mlvns
