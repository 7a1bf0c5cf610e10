#include "tools/mlvr/tool_support.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace mlvr {
namespace fs = std::filesystem;

namespace {

std::string TempNameBeside(const std::string& file) {
  return file + ".tmp-" + std::to_string(static_cast<long>(getpid()));
}

void RequireFile(const std::string& file) {
  std::error_code ec;
  if (!fs::exists(file, ec)) throw Failure(file + ": no such file");
  if (fs::is_directory(file, ec)) throw Failure(file + ": is a folder, not a file");
}

}  // namespace

// The library reads and writes path files by name; standard input and
// output go through a private temporary file.
std::string TempFile() {
  std::error_code ec;
  std::string pattern = (fs::temp_directory_path(ec) / "mlvr-XXXXXX").string();
  const int fd = mkstemp(pattern.data());
  if (fd < 0) throw Failure("cannot create a temporary file");
  close(fd);
  return pattern;
}

struct Removed {
  std::string file;
  ~Removed() { std::remove(file.c_str()); }
};

List OpenPathFile(const std::string& file) {
  if (file == "-") {
    const Removed temp{TempFile()};
    WriteOutput(temp.file, ReadTextFile("-"));
    List list;
    if (Mlvr_OpenSavePathInfo(temp.file.c_str(), 0, list.ref()) != 1 || list.get() == nullptr)
      throw Failure("standard input: not a readable path file");
    return list;
  }
  RequireFile(file);
  List list;
  if (Mlvr_OpenSavePathInfo(file.c_str(), 0, list.ref()) != 1 || list.get() == nullptr)
    throw Failure(file + ": not a readable path file");
  return list;
}

void SavePathFile(const std::string& file, List& list) {
  if (file == "-") {
    const Removed temp{TempFile()};
    SavePathFile(temp.file, list);
    WriteOutput("-", ReadTextFile(temp.file));
    return;
  }
  const std::string temp = TempNameBeside(file);
  if (Mlvr_OpenSavePathInfo(temp.c_str(), 1, list.ref()) != 1) {
    std::remove(temp.c_str());
    throw Failure(file + ": cannot write the path file");
  }
  std::error_code ec;
  fs::rename(temp, file, ec);
  if (ec) {
    std::remove(temp.c_str());
    throw Failure(file + ": cannot write: " + ec.message());
  }
}

void WriteOutput(const std::string& file, const std::string& text) {
  if (file.empty() || file == "-") {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return;
  }
  const std::string temp = TempNameBeside(file);
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
      std::remove(temp.c_str());
      throw Failure(file + ": cannot write");
    }
  }
  std::error_code ec;
  fs::rename(temp, file, ec);
  if (ec) {
    std::remove(temp.c_str());
    throw Failure(file + ": cannot write: " + ec.message());
  }
}

std::string ReadTextFile(const std::string& file) {
  if (file == "-") {
    std::ostringstream all;
    all << std::cin.rdbuf();
    return all.str();
  }
  RequireFile(file);
  std::ifstream in(file, std::ios::binary);
  if (!in) throw Failure(file + ": cannot read");
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

std::string ShapeText(int32_t kind, int32_t width, int32_t height) {
  switch (kind) {
    case 0:
      return "16:9";
    case 1:
      return "4:3";
    case 2:
      return std::to_string(width) + ":" + std::to_string(height);
    default:
      return "kind " + std::to_string(kind);
  }
}

std::string FieldText(const char* field, size_t width) {
  size_t n = 0;
  while (n < width && field[n] != '\0') ++n;
  return std::string(field, n);
}

std::string Format(const char* format, ...) {
  char buf[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  return buf;
}

}  // namespace mlvr
