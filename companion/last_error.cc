#include "companion/last_error.h"

#include <utility>

#include "molvaren/molvaren_x.h"

namespace mlvns {
namespace {
thread_local std::string t_lastError;
}  // namespace

void SetLastError(std::string sentence) { t_lastError = std::move(sentence); }
void ClearLastError() { t_lastError.clear(); }

}  // namespace mlvns

extern "C" {

MLVRX_API const char* MlvrX_LastError(void) { return mlvns::t_lastError.c_str(); }

MLVRX_API const char* MlvrX_Version(void) { return MOLVAREN_VERSION_TEXT; }

}  // extern "C"
