// The Win32 headers as the platform layer uses them, without the macros that
// would rename the layer's own functions (DeleteFile and the like).
#ifndef MOLVAREN_PLATFORM_WIN32_WIN32_H_
#define MOLVAREN_PLATFORM_WIN32_WIN32_H_

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After <windows.h>, which they need before them.
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>

#undef DeleteFile
#undef CreateFile

#endif  // MOLVAREN_PLATFORM_WIN32_WIN32_H_
