// The deep copy of a list: encoded as the byte stream, then decoded into the
// destination, so that a copy is exactly what a packed buffer would give.
#ifndef MOLVAREN_ARCHIVE_LIST_COPY_H_
#define MOLVAREN_ARCHIVE_LIST_COPY_H_

#include <cstdint>

#include "molvaren/molvaren.h"

namespace mlvns {

int32_t PathInfoArray_Clone(_PATH_INFO_ARRAY_** ppDst, const _PATH_INFO_ARRAY_* pSrc,
                            uint32_t* pnBytes);

}  // namespace mlvns

#endif  // MOLVAREN_ARCHIVE_LIST_COPY_H_
