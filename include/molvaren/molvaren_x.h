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

#ifdef __cplusplus
#define MLVRX_REC(name) mlvns::name
#else
#define MLVRX_REC(name) name
#endif

/* A new empty list (every header field at its default) in *ppArray, which
 * must hold null. The caller owns it: Mlvr_PathInfoArray_Free releases it. */
MLVRX_API int32_t MlvrX_PathInfoArray_New(MLVRX_REC(_PATH_INFO_ARRAY_) * *ppArray);

/* A new path with every field at its default and no identity, in
 * *ppPathInfo, which must hold null. The caller owns it until it hands it to
 * Mlvr_PathInfoArray_Add (the list then owns it); otherwise
 * Mlvr_PathInfo_FreeInfos(ppPathInfo, 1) releases it. */
MLVRX_API int32_t MlvrX_PathInfo_New(MLVRX_REC(_PATH_INFO_) * *ppPathInfo);

/* Fills nCount nodes of the caller's with the default node (dwSize 60,
 * nFrameIndex -1, everything else 0), for hosts without the C++ constructors. */
MLVRX_API int32_t MlvrX_PathNode_Defaults(MLVRX_REC(_PATH_NODE_) * pNodes, int32_t nCount);

/* Replaces the nodes of a path with copies of nNodes nodes (each with dwSize
 * 60), frame indices kept; sets nPathInIndex, nPathOutIndex and a new time
 * stamp. The extra node is left as it is. */
MLVRX_API int32_t MlvrX_PathInfo_SetNodes(MLVRX_REC(_PATH_INFO_) * pPathInfo,
                                          const MLVRX_REC(_PATH_NODE_) * pNodes, int32_t nNodes);

/* Replaces the nodes of a path with the boxes a tracker gives: pBoxes holds
 * 4 numbers per box (left, top, width, height) in pixels of a frame of
 * nFrameWidth x nFrameHeight, y downward; they are rounded to whole pixels
 * and converted as Mlvr_PathNode_Rect2PathNode does. pFrames gives each
 * box's frame, strictly increasing; pConfidences may be null. The frame and
 * video shapes become kind 2 of that size, the segments linear with their
 * control points at the midpoints, the time stamp new. */
MLVRX_API int32_t MlvrX_PathInfo_SetBoxes(MLVRX_REC(_PATH_INFO_) * pPathInfo,
                                          const int32_t* pFrames, const double* pBoxes,
                                          const float* pConfidences, int32_t nBoxes,
                                          int32_t nFrameWidth, int32_t nFrameHeight);

/* The box of every node in pixels of a frame of nFrameWidth x nFrameHeight,
 * as Mlvr_PathNode_PathNode2Rect gives it: 4 integers per node (left, top,
 * width, height) into pBoxes, and the frame indices into pFrames unless it
 * is null. Both hold room for nCapacity nodes; 0 when the path has more. */
MLVRX_API int32_t MlvrX_PathInfo_GetBoxes(const MLVRX_REC(_PATH_INFO_) * pPathInfo,
                                          int32_t nFrameWidth, int32_t nFrameHeight,
                                          int32_t* pFrames, int32_t* pBoxes, int32_t nCapacity);

/* The listing of Mlvr_DumpPathInfos as text, one line per "\n", instead of
 * on the debug-output channel. Like Mlvr_PathInfoArray_Pack it is called
 * twice: pBuffer null to learn the size (terminating NUL included) in
 * *pnBytes, then with a buffer of nCapacity bytes. */
MLVRX_API int32_t MlvrX_DumpPathInfosText(const MLVRX_REC(_PATH_INFO_) * pPathInfos,
                                          int32_t nCount, const char* pszComment,
                                          char* pBuffer, uint32_t nCapacity, uint32_t* pnBytes);
#undef MLVRX_REC

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

/* An orphan is a path file (.otp) of a database folder that decodes and that
 * no entry of the folder's index (Molvaren.ini) names: what a write-back that
 * failed half-way, or a process that raced another, can leave. Its media
 * file is the lower-cased szAssociateFile of its paths. These functions work
 * on a database of their own over the folder; they do not touch the host's
 * database object. */

/* Called once per orphan with the path file's full name. associate_key is
 * its media file, or null when it cannot be adopted; reason then says why
 * (its paths name no media file or several, the media file has an entry
 * already, another orphan names it too). */
typedef void (*MlvrX_OrphanVisitor)(const char* path_file, const char* associate_key,
                                    const char* reason, void* user);

/* Lists the orphans of a database folder, changing nothing; *pnOrphans (may
 * be null) receives their number. 0 when the folder is missing or holds
 * neither an index nor a path file. */
MLVRX_API int32_t MlvrX_Folder_ListOrphans(const char* pszFolder, MlvrX_OrphanVisitor visit,
                                           void* user, int32_t* pnOrphans);

/* Enters every orphan in the folder's index under its media file, then
 * rewrites the index in one step; nothing is deleted. Holds the folder's
 * lock (Molvaren.lock) meanwhile, and refuses at once when another process
 * holds it. Adopts nothing, and fails, when any orphan cannot be adopted,
 * when the folder is not writable or when the index could not be written.
 * *pnAdopted (may be null) receives the number adopted. */
MLVRX_API int32_t MlvrX_Folder_AdoptOrphans(const char* pszFolder, int32_t* pnAdopted);

/* ---- A folder's index as the library reads it ---- */

/* One section File_n of a folder's index (Molvaren.ini). */
typedef struct MlvrX_IndexEntry {
  int32_t nSection;             /* n of File_n */
  const char* pszAssociateKey;  /* the media file, folded as the library keys it */
  const char* pszDataBaseName;  /* the path file's base name, as written */
  int32_t nVerdict;             /* one of MLVRX_INDEX_* */
} MlvrX_IndexEntry;

#define MLVRX_INDEX_USED 0     /* the library keeps this entry */
#define MLVRX_INDEX_SKIPPED 1  /* empty DataBaseName or one the library refuses */
#define MLVRX_INDEX_REPLACED 2 /* a later used section names the same media file */

typedef void (*MlvrX_IndexVisitor)(const MlvrX_IndexEntry* entry, void* user);

/* Reads a database folder's index with the library's own reader, changing
 * nothing, and calls visit once per section File_0 .. File_{NumOfFiles-1}
 * that the index holds, in ascending order. *pnNumOfFiles (may be null)
 * receives NumOfFiles, or -1 when the folder holds no index. 0 when the
 * folder is missing or is not a folder. */
MLVRX_API int32_t MlvrX_Folder_ListIndex(const char* pszFolder, MlvrX_IndexVisitor visit,
                                         void* user, int32_t* pnNumOfFiles);

/* The key the library files a media file under: pszFile folded as the
 * library folds names (not only ASCII letters). 0 when pszFile or pszKey is
 * null or the key and its terminating zero do not fit nKeyRoom bytes. */
MLVRX_API int32_t MlvrX_AssociateKey(const char* pszFile, char* pszKey, int32_t nKeyRoom);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // MOLVAREN_MOLVAREN_X_H_
