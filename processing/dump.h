// A readable listing of a block of path records on the debug-output channel.
#ifndef MOLVAREN_PROCESSING_DUMP_H_
#define MOLVAREN_PROCESSING_DUMP_H_

#include <cstdint>

#include "molvaren/molvaren.h"

namespace mlvns {

// Lists `nCount` contiguous records and their nodes, whatever the trace
// switch says. 0 (nothing written) when `pPathInfos` is null, else 1.
int32_t DumpPathInfos(const _PATH_INFO_* pPathInfos, int32_t nCount, const char* pszComment);

}  // namespace mlvns

#endif  // MOLVAREN_PROCESSING_DUMP_H_
