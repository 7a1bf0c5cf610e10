#include "archive/path_file.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/path_stream.h"
#include "archive/string_length.h"
#include "platform/env.h"

namespace mlvns {

const char PATH_FILE_HEAD[] = "Brask QN 15 Point Tracking Path File Head";

namespace {

constexpr size_t kHeadLength = sizeof(PATH_FILE_HEAD) - 1;

// A refused list still leaves a file with the head and version.
void WriteHeadOnly(std::vector<uint8_t>* data) {
  data->assign(1 + kHeadLength + 4, 0);
  ArchiveWriter ar(data->data(), data->size());
  WriteLengthPrefixedText(ar, PATH_FILE_HEAD, kHeadLength);
  ar.WriteU32(PATH_FILE_VERSION);
}

// FNV-1a over the file's bytes: enough to tell whether a file changed.
uint64_t Fingerprint(const std::vector<uint8_t>& data) {
  uint64_t h = 0xCBF29CE484222325ull;
  for (uint8_t b : data) h = (h ^ b) * 0x100000001B3ull;
  return h;
}

bool ReadAll(platform::Env& env, const char* name, std::vector<uint8_t>* data) {
  std::unique_ptr<platform::File> file = env.OpenFileForReading(name);
  if (!file) return false;
  uint64_t size = 0;
  if (file->Size(&size) && size < SIZE_MAX) data->reserve(static_cast<size_t>(size));
  bool read = platform::ReadToEnd(*file, data);
  file->Close();
  return read;
}

int32_t Open(platform::Env& env, const char* name, _PATH_INFO_ARRAY_** ppArray,
             uint64_t* pFingerprint = nullptr) {
  std::vector<uint8_t> data;
  if (!ReadAll(env, name, &data)) return 0;
  if (pFingerprint != nullptr) *pFingerprint = Fingerprint(data);

  ArchiveReader ar(data.data(), data.size());
  std::string head;
  if (!ReadLengthPrefixedText(ar, &head)) return 0;
  // Compared as NUL-terminated text, as the framework's strings compare.
  if (std::strcmp(head.c_str(), PATH_FILE_HEAD) != 0) return 0;
  uint32_t version;
  if (!ar.ReadU32(&version) || version != PATH_FILE_VERSION) return 0;
  return PathInfoArray_Serialize(ar, ppArray);
}

int32_t Save(platform::Env& env, const char* name, _PATH_INFO_ARRAY_** ppArray) {
  std::unique_ptr<platform::File> file = env.OpenFileForWriting(name);
  if (!file) return 0;
  std::vector<uint8_t> data;
  bool encoded = PathFile_Encode(ppArray, &data);
  if (!encoded) WriteHeadOnly(&data);
  bool written = file->Write(data.data(), data.size());
  bool closed = file->Close();
  return (encoded && written && closed) ? 1 : 0;
}

}  // namespace

bool PathFile_Encode(_PATH_INFO_ARRAY_** ppArray, std::vector<uint8_t>* out) {
  out->clear();
  const uint64_t body =
      (ppArray != nullptr && *ppArray != nullptr) ? PathInfoArray_EncodedSize(*ppArray) : 0;
  const uint64_t total = 1 + kHeadLength + 4 + body;
  if (body == 0 || total > SIZE_MAX) return false;
  out->resize(static_cast<size_t>(total));
  ArchiveWriter ar(out->data(), out->size());
  WriteLengthPrefixedText(ar, PATH_FILE_HEAD, kHeadLength);
  ar.WriteU32(PATH_FILE_VERSION);
  if (PathInfoArray_Serialize(ar, ppArray) == 0) {
    out->clear();
    return false;
  }
  return true;
}

int32_t PathInfo_OpenSave(platform::Env& env, const char* pszFileName, int32_t bSave,
                          _PATH_INFO_ARRAY_** ppArray) {
  if (pszFileName == nullptr) return 0;
  return bSave != 0 ? Save(env, pszFileName, ppArray) : Open(env, pszFileName, ppArray);
}

int32_t PathInfo_OpenSave(const char* pszFileName, int32_t bSave, _PATH_INFO_ARRAY_** ppArray) {
  return PathInfo_OpenSave(ModuleEnv(), pszFileName, bSave, ppArray);
}

int32_t PathFile_Open(platform::Env& env, const char* pszFileName, _PATH_INFO_ARRAY_** ppArray,
                      uint64_t* pFingerprint) {
  if (pszFileName == nullptr) return 0;
  return Open(env, pszFileName, ppArray, pFingerprint);
}

bool PathFile_Fingerprint(platform::Env& env, const char* pszFileName, uint64_t* pFingerprint) {
  std::vector<uint8_t> data;
  if (pszFileName == nullptr || !ReadAll(env, pszFileName, &data)) return false;
  *pFingerprint = Fingerprint(data);
  return true;
}

}  // namespace mlvns
