// The platform's records and its text conversion. The calls that reach the
// system go through the environment (platform/env.h). posix/ and win32/
// implement both; nothing else in the library includes a system header of
// either platform.
#ifndef MOLVAREN_PLATFORM_PLATFORM_H_
#define MOLVAREN_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mlvns {
namespace platform {

// ---- What the environment (platform/env.h) hands out --------------------

// An open file. Closed by Close() or, at the latest, by the destructor.
class File {
 public:
  virtual ~File() = default;
  // Reads up to n bytes; at the end of the file fewer, without error.
  virtual bool Read(void* buffer, size_t n, size_t* got) = 0;
  virtual bool Write(const void* data, size_t n) = 0;
  virtual bool Sync() = 0;
  virtual bool Close() = 0;
  virtual bool Size(uint64_t* size) = 0;
};

// Appends the rest of the file to `data` (a byte or char container); false
// on a read error. The one read loop for whole files.
template <class Bytes>
bool ReadToEnd(File& file, Bytes* data) {
  char chunk[65536];
  for (;;) {
    size_t got = 0;
    if (!file.Read(chunk, sizeof chunk, &got)) return false;
    if (got == 0) return true;
    data->insert(data->end(), chunk, chunk + got);
  }
}

// An advisory lock between processes, held through a lock file (created
// when missing) until the object is destroyed. Taking it again in a process
// that holds it nests instead of waiting on itself.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

// One index file of the private-profile (INI) kind. Texts are 8-bit in the
// platform's ANSI code page (UTF-8 on POSIX); the platform converts them to
// and from UTF-16 where its own functions need that. Section and key names
// match without regard to letter case; values are trimmed of surrounding
// blanks.
class ProfileFile {
 public:
  virtual ~ProfileFile() = default;
  // The leading decimal number of the value; `def` when the file, section or
  // key is missing.
  virtual int GetInt(const std::string& section, const std::string& key, int def) = 0;
  // The value, cut to `units` - 1 UTF-16 units; `def` when missing.
  virtual std::string GetString(const std::string& section, const std::string& key,
                                const std::string& def, size_t units) = 0;
  // Sets key=value. A missing section is added at the end of the file, a
  // missing key at the end of its section; every other line stays as it was.
  virtual void SetString(const std::string& section, const std::string& key,
                         const std::string& value) = 0;
  // The names of the sections, in file order, as the file writes them.
  virtual std::vector<std::string> SectionNames() = 0;
  // Writes what SetString changed, replacing the file in one step (temporary
  // file in the same folder, synced, renamed over the old one). False when it
  // could not be written; the previous file is then intact.
  virtual bool Commit() = 0;
};

struct LocalTime {
  int year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
  int millisecond;
};

// What a modal open/save file dialog is asked to show.
struct FileDialogSettings {
  bool save = false;
  std::string title;
  std::string filter;            // "description (pattern)|pattern||"
  std::string defaultExtension;  // without the dot
  std::string fileName;          // initial name
  bool readOnlyChecked = false;  // the read-only box starts ticked
  bool hideReadOnly = false;     // and is not shown
  bool overwritePrompt = false;  // saving over a file asks first
  bool pathMustExist = false;    // the chosen folder must exist
  bool fileMustExist = false;    // the chosen file must exist
  void* owner = nullptr;         // the host's window, may be null
};

// Registration of the module with the host's class framework, where one
// exists; false fails the load.
bool RegisterExtensionModule();
void UnregisterExtensionModule();

// ---- Text ----------------------------------------------------------------

// UTF-16LE text (n units) to 8-bit text in the platform's ANSI code page.
std::string Utf16ToAnsi(const char16_t* text, size_t n);

// 8-bit text to UTF-16LE.
std::u16string AnsiToUtf16(const std::string& text);

// Lower-cases letters of the ANSI code page (on POSIX: UTF-8, ASCII and the
// Latin letters of Unicode at least), character by character.
std::string LowerAnsi(const std::string& text);

// Compares without regard to letter case, as LowerAnsi folds it: <0, 0, >0.
int CompareNoCase(const std::string& a, const std::string& b);

}  // namespace platform
}  // namespace mlvns

#endif  // MOLVAREN_PLATFORM_PLATFORM_H_
