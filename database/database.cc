#include "database/database.h"

#include "model/path_info_array.h"

namespace mlvns {

_DATABASE_FILE_INFO_::~_DATABASE_FILE_INFO_() { PathInfoArray_Release(pdsPathInfoArray); }

CMlvrDataBase::~CMlvrDataBase() = default;

}  // namespace mlvns
