// Identities, clock, executable folder and module registration on Win32.
#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace mlvns {
namespace platform {

std::string NewGuidText() {
  GUID guid;
  if (FAILED(::CoCreateGuid(&guid))) return std::string();
  wchar_t text[64];
  int n = ::StringFromGUID2(guid, text, static_cast<int>(sizeof text / sizeof text[0]));
  if (n <= 1) return std::string();
  return Utf16ToAnsi(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(n - 1));
}

LocalTime CurrentLocalTime() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  LocalTime t;
  t.year = st.wYear;
  t.month = st.wMonth;
  t.day = st.wDay;
  t.hour = st.wHour;
  t.minute = st.wMinute;
  t.second = st.wSecond;
  t.millisecond = st.wMilliseconds;
  return t;
}

std::string FileBesideExecutable(const char* name) {
  // Room for the executable's name (MAX_PATH) and for what PathAppendA adds.
  char path[MAX_PATH + 1] = {};
  DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  ::PathRemoveFileSpecA(path);
  if (::PathAddBackslashA(path) == nullptr) return std::string();
  if (!::PathAppendA(path, name)) return std::string();
  return std::string(path);
}

// MFC's extension-module registration has no counterpart without MFC; the
// load needs only its success.
bool RegisterExtensionModule() { return true; }
void UnregisterExtensionModule() {}

}  // namespace platform
}  // namespace mlvns
