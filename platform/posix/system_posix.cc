// Identities, clock, executable folder and module registration on POSIX.
#include <sys/random.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "platform/platform.h"

namespace mlvns {
namespace platform {
namespace {

bool RandomBytes(unsigned char* out, size_t n) {
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::getrandom(out + done, n - done, 0);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<size_t>(r);
  }
  return true;
}

}  // namespace

std::string NewGuidText() {
  unsigned char b[16];
  if (!RandomBytes(b, sizeof b)) {
    std::random_device rd;
    for (unsigned char& c : b) c = static_cast<unsigned char>(rd());
  }
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);  // version 4
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);  // RFC 4122 variant
  // Same order as StringFromGUID2: Data1, Data2, Data3 as numbers (the bytes
  // taken big-endian here, which for random bytes is as good), then 8 bytes.
  char text[39];
  std::snprintf(text, sizeof text,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[0],
                b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                b[14], b[15]);
  return std::string(text);
}

LocalTime CurrentLocalTime() {
  struct timespec ts;
  ::clock_gettime(CLOCK_REALTIME, &ts);
  struct tm tmv;
  time_t secs = ts.tv_sec;
  ::localtime_r(&secs, &tmv);
  LocalTime t;
  t.year = tmv.tm_year + 1900;
  t.month = tmv.tm_mon + 1;
  t.day = tmv.tm_mday;
  t.hour = tmv.tm_hour;
  t.minute = tmv.tm_min;
  t.second = tmv.tm_sec;
  t.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
  return t;
}

std::string FileBesideExecutable(const char* name) {
  char exe[4096];
  ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return std::string();
  std::string path(exe, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  path.erase(slash == std::string::npos ? 0 : slash);
  path += '/';
  path += name;
  return path;
}

// No class framework to register with on POSIX.
bool RegisterExtensionModule() { return true; }
void UnregisterExtensionModule() {}

}  // namespace platform
}  // namespace mlvns
