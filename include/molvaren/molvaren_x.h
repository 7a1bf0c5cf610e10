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

/* The text forms of other trackers. Boxes are pixels, top-left origin, y
 * downward; a node box is centre x = (left + width / 2) / W,
 * centre y = 1 - (top + height / 2) / H, width / W, height / H for a frame of
 * W x H pixels. Frames a tracker skipped stay gaps. */
#ifdef __cplusplus
#define MLVR_NS(name) mlvns::name
#else
#define MLVR_NS(name) name
#endif

#define MLVRX_FORMAT_MOT 1       /* frame,id,bb_left,bb_top,bb_width,bb_height,conf,x,y,z; 1-based */
#define MLVRX_FORMAT_PIXEL_CSV 2 /* header line; frame,left,top,width,height[,confidence] */

/* Reads tracker text into a new list (freed by Mlvr_PathInfoArray_Free); one
 * path per id, in increasing id order, each path's nodes in frame order.
 * nWidth x nHeight is the frame in pixels; pszMediaFile (may be null) names
 * the media file of every path. Each path gets a new GUID and time stamp.
 * Failures name the line and column; *ppArray is then left untouched. */
MLVRX_API int32_t MlvrX_ReadTrackerCsv(const char* pszText, size_t nBytes, int32_t nFormat,
                                       int32_t nWidth, int32_t nHeight, const char* pszMediaFile,
                                       MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray);

/* Writes a list as tracker text (pixels, top-left, y downward); *ppszText
 * freed by MlvrX_FreeText, *pnBytes its length without the final NUL. A frame
 * of 0 x 0 takes each path's own frame shape when it is given in pixels
 * (nFrameAspect 2). MOT ids are the paths' positions, from 1; the pixel CSV
 * holds exactly one path. */
MLVRX_API int32_t MlvrX_WriteTrackerCsv(const MLVR_NS(_PATH_INFO_ARRAY_) * pArray,
                                        int32_t nFormat, int32_t nWidth, int32_t nHeight,
                                        char** ppszText, size_t* pnBytes);

/* Releases text from MlvrX_WriteTrackerCsv; null is allowed. */
MLVRX_API void MlvrX_FreeText(char* pszText);

#undef MLVR_NS

/* ---- Bounded-error simplification ---- */

/* ---- Folder health and repair ---- */

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // MOLVAREN_MOLVAREN_X_H_
