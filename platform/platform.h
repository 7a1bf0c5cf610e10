// The narrow layer through which the library reaches its platform: debug
// output, files and folders, identities, the clock, the executable's folder
// and text conversion. posix/ and win32/ implement it; nothing else in the
// library includes a system header of either platform.
#ifndef MOLVAREN_PLATFORM_PLATFORM_H_
#define MOLVAREN_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mlvns {
namespace platform {

// ---- Debug output -------------------------------------------------------

// Receives every debug-output line. Tests install a capture sink; without
// one, lines go to the platform's own channel.
class DebugSink {
 public:
  virtual ~DebugSink() = default;
  virtual void Write(const char* line) = 0;
};

// Installs `sink` (null restores the platform channel) and returns the sink
// that was installed before. The caller keeps ownership.
DebugSink* SetDebugSink(DebugSink* sink);

// Hands one line, as it stands, to the installed sink or the platform channel.
void DebugLine(const char* line);

// The platform's own channel, bypassing any installed sink.
void SystemDebugLine(const char* line);

// ---- Files and folders --------------------------------------------------

// True when a file or folder of that name exists.
bool PathExists(const char* path);

// Creates one folder level; false when it could not be created.
bool CreateFolder(const char* path);

// Removes a file silently and permanently; false when nothing was removed.
bool DeleteFile(const char* path);

// Size of a file in bytes; false when its status cannot be read.
bool FileSize(const char* path, uint64_t* size);

// Replaces `to` with `from` in one step.
bool RenameFile(const char* from, const char* to);

// File operations by kind, counted for tests that make the Nth of a kind
// fail as the system call would (a full disk, a vanished folder).
enum class FileOp { kWrite, kRename, kSync, kCreate, kDelete, kKinds };
// The `nth` operation of the kind from the last reset on fails; 0 never.
void ArmFileFault(FileOp op, uint64_t nth);
// Counts back to 0 and nothing armed.
void ResetFileOps();
uint64_t FileOpCount(FileOp op);
// Counts one operation; true when it is the one armed to fail.
bool FileOpFails(FileOp op);

// Writes `path` whole or not at all: a temporary file in the same folder,
// synced, then renamed over `path`. On failure the old file is intact.
bool WriteFileAtomically(const std::string& path, const void* data, size_t n);

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

// Opens an existing file read-only; null when it cannot be opened.
std::unique_ptr<File> OpenFileForReading(const char* path);

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

// Creates a file, or truncates it when it exists, for writing; null when it
// cannot be opened.
std::unique_ptr<File> OpenFileForWriting(const char* path);

// ---- Folder lock -------------------------------------------------------

// An advisory lock between processes, held through the file `path` (created
// when missing) until the object is destroyed. Taking it again in a process
// that holds it nests instead of waiting on itself.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

// Waits for the lock when `wait`; otherwise null at once when another process
// holds it, with *busy set. Null with *busy false when the lock file cannot
// be opened (a read-only folder, say).
std::unique_ptr<FileLock> LockFile(const std::string& path, bool wait, bool* busy = nullptr);

// The names of the plain files in `folder`, in no particular order; false
// when the folder cannot be read.
bool ListFiles(const std::string& folder, std::vector<std::string>* names);

// ---- Private-profile index ----------------------------------------------

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

// Opens the index file `path`; a missing file reads as empty and is created
// by the first Commit() after a SetString().
std::unique_ptr<ProfileFile> OpenProfile(const std::string& path);

// ---- Identity, clock, executable ------------------------------------------

// A new random GUID as registry text: braces, upper-case 8-4-4-4-12 digits,
// 38 characters. Empty when no text could be formed.
std::string NewGuidText();

struct LocalTime {
  int year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
  int millisecond;
};
LocalTime CurrentLocalTime();

// The full name of `name` in the folder of the host process's executable.
// Empty when the executable's name cannot be read.
std::string FileBesideExecutable(const char* name);

// Registration of the module with the host's class framework, where one
// exists; false fails the load.
bool RegisterExtensionModule();
void UnregisterExtensionModule();

// ---- File dialog ---------------------------------------------------------

// What a modal open/save file dialog is asked to show.
struct FileDialogSettings {
  bool save = false;
  std::string title;
  std::string filter;            // "description (pattern)|pattern||"
  std::string defaultExtension;  // without the dot
  std::string fileName;          // initial name
  uint32_t flags = 0;            // the Win32 open-file-name flags
  void* owner = nullptr;         // the host's window, may be null
};

// A dialog. Tests install a scripted one; without one, the platform's own.
class FileDialog {
 public:
  virtual ~FileDialog() = default;
  // True with the chosen full name in *chosen when the user confirmed.
  virtual bool Show(const FileDialogSettings& settings, std::string* chosen) = 0;
};

// Installs `dialog` (null restores the platform's) and returns the previous
// one. The caller keeps ownership.
FileDialog* SetFileDialog(FileDialog* dialog);

// Shows the installed dialog or the platform's own.
bool ShowFileDialog(const FileDialogSettings& settings, std::string* chosen);

// The platform's own dialog, bypassing any installed one. False (cancelled)
// when no dialog can be shown.
bool SystemFileDialog(const FileDialogSettings& settings, std::string* chosen);

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
