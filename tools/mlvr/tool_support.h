// What every subcommand of mlvr shares: the one error type, owned path
// lists, reading and writing path files through the library, and writing
// output files so that nothing is left behind on failure.
#ifndef MOLVAREN_TOOLS_MLVR_TOOL_SUPPORT_H_
#define MOLVAREN_TOOLS_MLVR_TOOL_SUPPORT_H_

#include <stdexcept>
#include <string>

#include "molvaren/molvaren.h"

namespace mlvr {

using mlvns::_PATH_INFO_;
using mlvns::_PATH_INFO_ARRAY_;
using mlvns::_PATH_NODE_;

// A failure that ends the command: one line on stderr, non-zero exit.
struct Failure : std::runtime_error {
  explicit Failure(const std::string& what) : std::runtime_error(what) {}
};

// A path list owned by the tool, released through the library.
class List {
 public:
  List() = default;
  explicit List(_PATH_INFO_ARRAY_* list) : list_(list) {}
  ~List() { Mlvr_PathInfoArray_Free(&list_); }
  List(const List&) = delete;
  List& operator=(const List&) = delete;
  List(List&& other) noexcept : list_(other.list_) { other.list_ = nullptr; }
  _PATH_INFO_ARRAY_** ref() { return &list_; }
  _PATH_INFO_ARRAY_* get() const { return list_; }
  int32_t size() const { return list_ == nullptr ? 0 : list_->nNumOfPathInfos; }
  _PATH_INFO_* path(int32_t i) const { return list_->ppPathInfos[i]; }

 private:
  _PATH_INFO_ARRAY_* list_ = nullptr;
};

// Reads a path file ("-": standard input); Failure when it is missing or
// not a path file.
List OpenPathFile(const std::string& file);

// Writes a path file through a temporary beside it, renamed into place only
// when the library wrote it completely ("-": to standard output).
void SavePathFile(const std::string& file, List& list);

// Writes text to a file the same way (or to stdout for "-" or empty).
void WriteOutput(const std::string& file, const std::string& text);

// The whole file, or standard input for "-".
std::string ReadTextFile(const std::string& file);

// printf into a string (at most 1023 bytes).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "16:9", "4:3", "1920:1080" or "kind 7" for a shape code.
std::string ShapeText(int32_t kind, int32_t width, int32_t height);

// The text of a fixed-width field up to its NUL (or its whole width).
std::string FieldText(const char* field, size_t width);

}  // namespace mlvr

#endif  // MOLVAREN_TOOLS_MLVR_TOOL_SUPPORT_H_
