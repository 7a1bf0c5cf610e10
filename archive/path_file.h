// Path files (.otp): the header text, the version, then the path stream.
#ifndef MOLVAREN_ARCHIVE_PATH_FILE_H_
#define MOLVAREN_ARCHIVE_PATH_FILE_H_

#include <cstdint>
#include <vector>

#include "molvaren/molvaren.h"
#include "platform/env.h"

namespace mlvns {

extern const char PATH_FILE_HEAD[];  // "Brask QN 15 Point Tracking Path File Head"
constexpr uint32_t PATH_FILE_VERSION = 101;

// Opens (bSave 0) or saves (bSave non-zero) a path file through `env`.
// Opening a file that is not a path file leaves the caller's reference
// untouched.
int32_t PathInfo_OpenSave(platform::Env& env, const char* pszFileName, int32_t bSave,
                          _PATH_INFO_ARRAY_** ppArray);
// The same in the module's environment.
int32_t PathInfo_OpenSave(const char* pszFileName, int32_t bSave, _PATH_INFO_ARRAY_** ppArray);

// Opening as above, also giving a fingerprint of the file's bytes (written
// whenever the file could be read, path file or not).
int32_t PathFile_Open(platform::Env& env, const char* pszFileName, _PATH_INFO_ARRAY_** ppArray,
                      uint64_t* pFingerprint);

// The fingerprint of a file's bytes as PathFile_Open gives it; false when
// the file cannot be read.
bool PathFile_Fingerprint(platform::Env& env, const char* pszFileName, uint64_t* pFingerprint);

// The bytes of a path file holding the list; false when the list is refused
// (see PathInfoArray_EncodedSize), and then `out` is left empty.
bool PathFile_Encode(_PATH_INFO_ARRAY_** ppArray, std::vector<uint8_t>* out);

}  // namespace mlvns

#endif  // MOLVAREN_ARCHIVE_PATH_FILE_H_
