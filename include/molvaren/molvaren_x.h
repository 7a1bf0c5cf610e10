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

/* Record names as molvaren.h spells them (it drops its macro at its end). */
#ifndef MLVR_NS
#define MLVRX_SIMPLIFY_NS
#ifdef __cplusplus
#define MLVR_NS(name) mlvns::name
#else
#define MLVR_NS(name) name
#endif
#endif

typedef struct MlvrX_SimplifyReport {
  int32_t nNodesBefore;
  int32_t nNodesAfter;
  double dLargestDeviation;  /* pixels: the largest edge difference measured */
  int32_t nKeptUnordered;    /* nodes kept because their frames do not increase */
  int32_t nKeptNonFinite;    /* nodes kept because a value is not finite */
} MlvrX_SimplifyReport;

/* Drops as many nodes of pPathInfo as it can (in place; kept nodes keep their
 * values) such that at every frame of the path the box the node lookup gives
 * moves by at most dMaxErrorPixels on each of its four edges. nWidth x nHeight:
 * the frame the tolerance is measured in; 0 x 0 = the path's own frame shape
 * at 1920 x 1080 (16:9), 1440 x 1080 (4:3) or nFrameWidth x nFrameHeight
 * (shape 2). The first and last nodes stay, as do nodes whose nPathType is
 * neither 0 nor 1 and the node after each, nodes with a value that is not
 * finite and their neighbours, and both nodes around a frame that does not
 * increase. Kept nodes whose successor went get their control point at the
 * new segment's middle. Nothing dropped: the record is not touched; otherwise
 * it gets a new time stamp. 0 for a null path, a tolerance that is not a
 * positive finite number, a size with a side of 0 or less (other than 0 x 0),
 * or 0 x 0 for a shape that gives no size (a code other than 0, 1, 2, or
 * shape 2 with a side of 0 or less). pReport may be null; it is written only
 * on success. */
MLVRX_API int32_t MlvrX_PathInfo_SimplifyWithin(MLVR_NS(_PATH_INFO_) * pPathInfo,
                                                double dMaxErrorPixels, int32_t nWidth,
                                                int32_t nHeight, MlvrX_SimplifyReport* pReport);

#ifdef MLVRX_SIMPLIFY_NS
#undef MLVR_NS
#undef MLVRX_SIMPLIFY_NS
#endif

/* ---- Folder health and repair ---- */

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // MOLVAREN_MOLVAREN_X_H_
