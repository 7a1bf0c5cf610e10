// Helpers shared by the test suites (the environments are in test_env.h): a
// temporary folder, byte strings built by hand, and record builders.
#ifndef MOLVAREN_TESTS_SUPPORT_TEST_SUPPORT_H_
#define MOLVAREN_TESTS_SUPPORT_TEST_SUPPORT_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "molvaren/molvaren.h"
#include "platform/platform.h"

namespace mlvns {
namespace testing_support {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Little-endian byte strings assembled field by field.
class Bytes {
 public:
  Bytes& u8(uint8_t v) { return append({v}); }
  Bytes& u16(uint16_t v) { return u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8)); }
  Bytes& u32(uint32_t v) { return u16(uint16_t(v)).u16(uint16_t(v >> 16)); }
  Bytes& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
  Bytes& u64(uint64_t v) { return u32(uint32_t(v)).u32(uint32_t(v >> 32)); }
  Bytes& f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return u32(bits);
  }
  Bytes& zeros(size_t n) { return append(std::vector<uint8_t>(n, 0)); }
  // A text in a fixed-size field, NUL-padded.
  Bytes& text(const char* s, size_t field) { return raw(s).zeros(field - std::strlen(s)); }
  Bytes& raw(const char* s) { return append(std::vector<uint8_t>(s, s + std::strlen(s))); }
  Bytes& append(const std::vector<uint8_t>& more) {
    data_.insert(data_.end(), more.begin(), more.end());
    return *this;
  }
  size_t size() const { return data_.size(); }
  const std::vector<uint8_t>& vec() const { return data_; }
  operator const std::vector<uint8_t>&() const { return data_; }

 private:
  std::vector<uint8_t> data_;
};

// The raw bytes of a record.
template <class T>
std::vector<uint8_t> RawBytes(const T& record) {
  const auto* p = reinterpret_cast<const uint8_t*>(&record);
  return std::vector<uint8_t>(p, p + sizeof(T));
}

// A path record's own bytes and its nodes' bytes, to show nothing changed.
std::vector<uint8_t> Snapshot(const _PATH_INFO_* p);

// The frames of a path's nodes, in order.
std::vector<int32_t> Frames(const _PATH_INFO_* p);

// A node with the given frame and box.
_PATH_NODE_ Node(int32_t frame, float x, float y, float w = 0.1f, float h = 0.1f);

// A path record allocated as the library allocates them, with the nodes
// given; frames in and out set from them.
_PATH_INFO_* NewPath(const std::vector<_PATH_NODE_>& nodes);

// A list header that owns the given paths.
_PATH_INFO_ARRAY_* NewList(const std::vector<_PATH_INFO_*>& paths);

// Releases a list, or a single path record, on scope exit.
template <class T>
class Holder {
 public:
  explicit Holder(T* record = nullptr) : record_(record) {}
  ~Holder() { Release(&record_); }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;
  T** ref() { return &record_; }
  T* get() const { return record_; }
  T* operator->() const { return record_; }

 private:
  static void Release(_PATH_INFO_ARRAY_** list) { Mlvr_PathInfoArray_Free(list); }
  static void Release(_PATH_INFO_** path) { if (*path) Mlvr_PathInfo_FreeInfos(path, 1); }
  T* record_;
};
using ListHolder = Holder<_PATH_INFO_ARRAY_>;
using PathHolder = Holder<_PATH_INFO_>;

}  // namespace testing_support
}  // namespace mlvns

#endif  // MOLVAREN_TESTS_SUPPORT_TEST_SUPPORT_H_
