// A readable listing of a block of path records on the debug-output channel.
#ifndef MOLVAREN_PROCESSING_DUMP_H_
#define MOLVAREN_PROCESSING_DUMP_H_

#include <cstdint>

#include "molvaren/molvaren.h"
#include "platform/env.h"

namespace mlvns {

// Lists `nCount` contiguous records and their nodes on env's debug output,
// whatever the trace switch says. 0 (nothing written) when `pPathInfos` is
// null, else 1.
int32_t DumpPathInfos(platform::Env& env, const _PATH_INFO_* pPathInfos, int32_t nCount,
                      const char* pszComment);

}  // namespace mlvns

#endif  // MOLVAREN_PROCESSING_DUMP_H_
