// The shipped libraries run on the platform's own environment. Test programs
// link tests/support's definition instead, which lets a test put a wrapper
// in its place.
#include "platform/env.h"

namespace mlvns {

platform::Env& ModuleEnv() { return *platform::Env::Default(); }

}  // namespace mlvns
