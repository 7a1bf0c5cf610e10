// The archive as the path stream needs it: strictly sequential bytes over a
// block of memory, written into a block whose size is known beforehand, or
// read from one. Reads at the end take fewer bytes without error; a u32 that
// cannot be read whole is an end-of-file failure.
#ifndef MOLVAREN_ARCHIVE_ARCHIVE_H_
#define MOLVAREN_ARCHIVE_ARCHIVE_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace mlvns {

class ArchiveWriter {
 public:
  ArchiveWriter(uint8_t* data, size_t capacity) : p_(data), end_(data + capacity) {}

  // False, with nothing written, when the bytes do not fit.
  bool Write(const void* bytes, size_t n) {
    if (n > static_cast<size_t>(end_ - p_)) return false;
    if (n != 0) std::memcpy(p_, bytes, n);
    p_ += n;
    return true;
  }
  bool WriteU32(uint32_t v) {
    uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                    static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    return Write(b, 4);
  }
  // Room for n more bytes, to be filled by the caller, or null.
  uint8_t* Reserve(size_t n) {
    if (n > static_cast<size_t>(end_ - p_)) return nullptr;
    uint8_t* at = p_;
    p_ += n;
    return at;
  }
  size_t Remaining() const { return static_cast<size_t>(end_ - p_); }

 private:
  uint8_t* p_;
  uint8_t* end_;
};

class ArchiveReader {
 public:
  ArchiveReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

  // Takes up to n bytes; the rest of `bytes` stays as it was.
  size_t Read(void* bytes, size_t n) {
    size_t take = n < Remaining() ? n : Remaining();
    if (take != 0) std::memcpy(bytes, p_, take);
    p_ += take;
    return take;
  }
  // Discards up to n bytes.
  void Skip(uint64_t n) { p_ += n < Remaining() ? static_cast<size_t>(n) : Remaining(); }
  // False (end of file) when fewer than 4 bytes remain; then nothing is taken.
  bool ReadU32(uint32_t* v) {
    if (Remaining() < 4) return false;
    *v = static_cast<uint32_t>(p_[0]) | static_cast<uint32_t>(p_[1]) << 8 |
         static_cast<uint32_t>(p_[2]) << 16 | static_cast<uint32_t>(p_[3]) << 24;
    p_ += 4;
    return true;
  }
  bool ReadU16(uint16_t* v) {
    if (Remaining() < 2) return false;
    *v = static_cast<uint16_t>(p_[0] | p_[1] << 8);
    p_ += 2;
    return true;
  }
  bool ReadU8(uint8_t* v) {
    if (Remaining() < 1) return false;
    *v = *p_++;
    return true;
  }
  const uint8_t* Current() const { return p_; }
  size_t Remaining() const { return static_cast<size_t>(end_ - p_); }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

}  // namespace mlvns

#endif  // MOLVAREN_ARCHIVE_ARCHIVE_H_
