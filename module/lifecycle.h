// The module's life in a process: load and unload, the attach count, the one
// database object and the recursive database lock.
#ifndef MOLVAREN_MODULE_LIFECYCLE_H_
#define MOLVAREN_MODULE_LIFECYCLE_H_

#include <cstdint>
#include <mutex>

namespace mlvns {

class CMlvrDataBase;

// Process attach and detach. 1 for success; a failed registration with the
// host's framework fails the load with 0.
int32_t ModuleLoad();
int32_t ModuleUnload();

int32_t AttachCount();

// The database object that database calls reach; null before the first
// load, after the last unload, and when it could not be created.
CMlvrDataBase* DataBasePointer();

// The lock that serialises every database call. Recursive: a thread that
// holds it may take it again and must release it as often.
std::recursive_mutex& DataBaseLock();

// The host's own holds through the lock exports. Unlock from a thread that
// holds nothing through Lock is ignored rather than undefined.
void HostLock();
void HostUnlock();

}  // namespace mlvns

#endif  // MOLVAREN_MODULE_LIFECYCLE_H_
