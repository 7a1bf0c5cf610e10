// The public header on its own, as a C++17 host includes it.
#include "molvaren/molvaren.h"

static_assert(sizeof(mlvns::_PATH_INFO_) == 544, "seen from a host");
