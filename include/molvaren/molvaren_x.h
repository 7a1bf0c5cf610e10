/*
 * Molvaren companion library: what hosts need beyond the 30 exports of
 * molvaren.h, built from the same tree as libmolvaren_x.so.
 *
 * It is not part of the DLL's interface. It shares the records of
 * molvaren.h, and everything it allocates (lists, paths, node arrays) is
 * released through the Free exports of the core library (Mlvr_PathInfoArray_Free,
 * Mlvr_PathInfo_FreeInfos), exactly like what the core allocates.
 *
 * Conventions (in addition to those of molvaren.h):
 *  1. Every function returns 1 on success and 0 on failure unless its comment
 *     says otherwise. After a failure, MlvrX_LastError() gives a one-line
 *     English sentence saying what was wrong; it is kept per thread until
 *     that thread's next failing call.
 *  2. Text is 8-bit, UTF-8 on Linux, as in molvaren.h.
 *  3. No function takes the database lock or touches the database object.
 */
#ifndef MOLVAREN_MOLVAREN_X_H_
#define MOLVAREN_MOLVAREN_X_H_

#include "molvaren/molvaren.h"

#if defined(_WIN32)
#define MLVRX_API __declspec(dllexport)
#else
#define MLVRX_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The last failure of this thread, as a sentence; "" when none. Borrowed:
 * valid until the thread's next MlvrX_ call. */
MLVRX_API const char* MlvrX_LastError(void);

/* The version of the companion library, "MAJOR.MINOR.PATCH". Static text. */
MLVRX_API const char* MlvrX_Version(void);

/* ---- Lists and paths for hosts that cannot allocate with the library ---- */

/* ---- Tracker formats ---- */

/* ---- Bounded-error simplification ---- */

/* ---- Folder health and repair ---- */

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // MOLVAREN_MOLVAREN_X_H_
