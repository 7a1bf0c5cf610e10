/*
 * Molvaren: object-tracking paths for video editors.
 *
 * The public C interface of the library: the three shared records, the two
 * containers of the host's class framework that cross the interface
 * (CUIntArray, CString) and the 30 exported functions. Usable from C11 and
 * C++17. In C++ the records live in namespace mlvns and carry default
 * constructors; in C they are plain structs of the same layout. Hosts that
 * cannot allocate with the library (C through dlopen, Python) find list and
 * path creation in the companion library, molvaren_x.h.
 *
 * Conventions
 *
 *  1. Results. Every export returns 1 for success and 0 for failure. The
 *     exceptions say so in their comments: Mlvr_PathInfo_Clone,
 *     Mlvr_DataBase_ImportPathInfo, Mlvr_DataBase_Lock and _Unlock always
 *     return 1; Mlvr_OpenSavePathInfoDialog returns 1 or 2. There is no other
 *     error code, no message, and no exception leaves an export. A null
 *     argument gives 0 where the comment names it; an argument marked "not
 *     null" is not checked.
 *
 *  2. Text. Every string is NUL-terminated 8-bit text: the ANSI code page on
 *     Windows, UTF-8 on Linux. Media-file names are matched without regard to
 *     letter case (the database keys them lower-cased); identities (GUID
 *     texts such as "{0A1B...}") are matched byte for byte.
 *
 *  3. Threads and the database lock. Every export runs on the caller's thread
 *     and the library starts none. Exports outside Mlvr_DataBase_ work only on
 *     the records, buffers and files given to them and lock nothing: two
 *     threads must not use one record at once. Each other Mlvr_DataBase_
 *     export holds the one recursive database lock while it runs;
 *     Mlvr_DataBase_Lock and _Unlock hold it across several calls, and while
 *     the host reads what the database handed out.
 *
 *  4. Ownership. Library and host share one allocator (C++ new[]).
 *     - A list (_PATH_INFO_ARRAY_) owns its pointer array and every path in
 *       it; a path owns its node array and its extra node.
 *     - Lists the host creates, unpacks, opens, or clones are the host's: it
 *       releases each once with Mlvr_PathInfoArray_Free. A path in no list is
 *       released with Mlvr_PathInfo_FreeInfos(&path, 1).
 *     - Lists and paths the database hands out (the two Get...ByAssociate /
 *       ByGUID lookups) are BORROWED: the database's own. Read them under the
 *       lock; never free them or hand them to Mlvr_PathInfoArray_Add. They
 *       become invalid after the next update, delete, import or relink in
 *       that folder, and when the library unloads.
 *     - What the host hands to the database (update, import) is deep-copied;
 *       the host keeps its own.
 *
 *  5. Coordinates. A node's box is its centre (fXPos, fYPos) and its size
 *     (fWidth, fHeight) as fractions of the frame: x from the left edge, y
 *     from the BOTTOM edge, growing upward. The frame's shape is the path's
 *     nFrameAspect (0 16:9, 1 4:3, 2 nFrameWidth:nFrameHeight); the video
 *     (nVideoAspect, same codes) sits centred in it, with bars where the
 *     shapes differ, turned by fRotation degrees (0, 90, 180 or 270). Pixel
 *     rectangles (RECT) are left, top, right, bottom, y downward, right and
 *     bottom exclusive.
 *
 *  6. Record defaults and dwSize. Every record begins with dwSize, the size
 *     its writer knew (node 60, path 544, list header 88); readers and copiers
 *     go by it, so a host sets it. A C host that zero-fills a record also sets
 *     the other non-zero defaults: node nFrameIndex -1; path nPathInIndex and
 *     nPathOutIndex -1, nTrackType 401, nTrackParam 20.
 *
 *  7. Packing. _PATH_INFO_ARRAY_ is packed to 4 bytes: nNumOfPathInfos lies at
 *     offset 56 and the pointer ppPathInfos directly after it at 60, which a
 *     naturally aligned struct would move to 64. ctypes hosts declare it with
 *     _pack_ = 4. The node and path records have natural alignment (60 and
 *     544 bytes on 64-bit builds); the offsets are checked below.
 */
#ifndef MOLVAREN_MOLVAREN_H_
#define MOLVAREN_MOLVAREN_H_

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
/* Only the types: <windows.h> would also bring macros such as DeleteFile
 * that rename functions of whatever code includes this header. */
#include <windef.h>
#endif

#if defined(_WIN32)
#if defined(MLVR_BUILDING_LIBRARY)
#define MLVR_API __declspec(dllexport)
#else
#define MLVR_API __declspec(dllimport)
#endif
#else
#define MLVR_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define MLVR_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define MLVR_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* The Win32 names that the interface uses. On Windows they come from
 * <windows.h>; elsewhere they are defined here with the same widths.
 * Define MLVR_NO_WIN32_NAMES to get only the MLVR_ spellings. */
#if defined(_WIN32)
typedef BOOL MLVR_BOOL;
typedef UINT MLVR_UINT;
typedef RECT MLVR_RECT;
typedef SIZE MLVR_SIZE;
typedef HWND MLVR_HWND;
#else
typedef int32_t MLVR_BOOL;
typedef uint32_t MLVR_UINT;
typedef struct MLVR_RECT {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
} MLVR_RECT;
typedef struct MLVR_SIZE {
  int32_t cx;
  int32_t cy;
} MLVR_SIZE;
typedef void* MLVR_HWND;
#if !defined(MLVR_NO_WIN32_NAMES)
typedef MLVR_BOOL BOOL;
typedef MLVR_UINT UINT;
typedef MLVR_RECT RECT;
typedef MLVR_SIZE SIZE;
typedef MLVR_HWND HWND;
#endif
#endif

MLVR_STATIC_ASSERT(sizeof(MLVR_RECT) == 16, "RECT is four 32-bit integers");
MLVR_STATIC_ASSERT(sizeof(MLVR_SIZE) == 8, "SIZE is two 32-bit integers");

#ifdef __cplusplus
#define MLVR_INIT(v) = v
#define MLVR_INIT_ARRAY = {}
namespace mlvns {
#else
#define MLVR_INIT(v)
#define MLVR_INIT_ARRAY
#endif

/* One node: the object's box in one frame, normalised to the frame, y
 * measured upward from the bottom edge. 60 bytes; its raw bytes are also its
 * stored form. */
typedef struct _PATH_NODE_ {
  uint32_t dwSize MLVR_INIT(60);
  int32_t nFrameIndex MLVR_INIT(-1);
  float fConfidence MLVR_INIT(0);
  float fXPos MLVR_INIT(0);
  float fYPos MLVR_INIT(0);
  float fWidth MLVR_INIT(0);
  float fHeight MLVR_INIT(0);
  int32_t nPathType MLVR_INIT(0); /* 0 linear, 1 bezier */
  float fCtrlXPos MLVR_INIT(0);
  float fCtrlYPos MLVR_INIT(0);
  uint32_t dwReserved[5] MLVR_INIT_ARRAY;
} _PATH_NODE_;

/* One path, in-memory form (544 bytes on a 64-bit build). Stored as the
 * 528-byte form whose pointer slots are 32 bits wide. */
typedef struct _PATH_INFO_ {
  uint32_t dwSize MLVR_INIT(544);
  uint32_t dwMatchKey1 MLVR_INIT(0);
  uint32_t dwMatchKey2 MLVR_INIT(0);
  uint32_t dwMatchKey3 MLVR_INIT(0);
  char szAssociateFile[260] MLVR_INIT_ARRAY;
  uint64_t qwAssociateFileSize MLVR_INIT(0);
  char szGUID[39] MLVR_INIT_ARRAY;
  char szTimeStamp[71] MLVR_INIT_ARRAY;
  uint32_t dwReserved1 MLVR_INIT(0);
  int32_t nPathInIndex MLVR_INIT(-1);
  int32_t nPathOutIndex MLVR_INIT(-1);
  int32_t nTotalPathNodeNum MLVR_INIT(0);
  _PATH_NODE_* pPathNodes MLVR_INIT(NULL);
  uintptr_t pReserved MLVR_INIT(0);
  uint32_t dwReserved2 MLVR_INIT(0);
  uint32_t bHasExtraNode MLVR_INIT(0);
  _PATH_NODE_* pExtraNode MLVR_INIT(NULL);
  uint32_t dwReserved3 MLVR_INIT(0);
  int32_t nVideoWidth MLVR_INIT(0);
  int32_t nVideoHeight MLVR_INIT(0);
  int32_t nVideoAspect MLVR_INIT(0); /* 0 16:9, 1 4:3, 2 width:height */
  int32_t nFrameWidth MLVR_INIT(0);
  int32_t nFrameHeight MLVR_INIT(0);
  int32_t nFrameAspect MLVR_INIT(0); /* 0 16:9, 1 4:3, 2 width:height */
  uint32_t dwReserved4 MLVR_INIT(0);
  char szOriginGUID[39] MLVR_INIT_ARRAY;
  uint32_t dwReserved5 MLVR_INIT(0);
  float fRotation MLVR_INIT(0);
  uint32_t nTrackType MLVR_INIT(401); /* 403: four runs of equal length */
  uint32_t nTrackParam MLVR_INIT(20);
  uint32_t dwReserved6 MLVR_INIT(0); /* not stored */
} _PATH_INFO_;

/* The header of a counted list of paths, 88 bytes, packed to 4 so that the
 * pointer follows the count directly. */
#pragma pack(push, 4)
typedef struct _PATH_INFO_ARRAY_ {
  uint32_t dwSize MLVR_INIT(88);
  uint8_t abReserved1[51] MLVR_INIT_ARRAY;
  int32_t nNumOfPathInfos MLVR_INIT(0);
  _PATH_INFO_** ppPathInfos MLVR_INIT(NULL);
  uint8_t abReserved2[20] MLVR_INIT_ARRAY;
} _PATH_INFO_ARRAY_;
#pragma pack(pop)

/* The node exclusion list of Mlvr_PathInfo_Clone: the data members of the
 * framework's CUIntArray. The library reads only m_nSize and m_pData. */
typedef struct CUIntArray {
  uint32_t* m_pData MLVR_INIT(NULL);
  intptr_t m_nSize MLVR_INIT(0);
  intptr_t m_nMaxSize MLVR_INIT(0);
  intptr_t m_nGrowBy MLVR_INIT(0);
#ifdef __cplusplus
  CUIntArray() = default;
  CUIntArray(const CUIntArray&) = delete;
  CUIntArray& operator=(const CUIntArray&) = delete;
  ~CUIntArray() { free(m_pData); }
  intptr_t GetSize() const { return m_nSize; }
  uint32_t GetAt(intptr_t i) const { return m_pData[i]; }
  /* Returns the new element's index, or -1 when memory ran out. */
  intptr_t Add(uint32_t value) {
    if (m_nSize == m_nMaxSize) {
      intptr_t grown = m_nMaxSize < 8 ? 8 : m_nMaxSize * 2;
      void* p = realloc(m_pData, static_cast<size_t>(grown) * sizeof(uint32_t));
      if (p == NULL) return -1;
      m_pData = static_cast<uint32_t*>(p);
      m_nMaxSize = grown;
    }
    m_pData[m_nSize] = value;
    return m_nSize++;
  }
  void RemoveAll() { m_nSize = 0; }
#endif
} CUIntArray;

/* The text object that Mlvr_DataBase_ImportPathInfo fills: null, or a
 * NUL-terminated text allocated with malloc. */
typedef struct CString {
  char* m_pszData MLVR_INIT(NULL);
#ifdef __cplusplus
  CString() = default;
  CString(const CString& other) { *this = other.GetString(); }
  CString& operator=(const CString& other) {
    if (this != &other) *this = other.GetString();
    return *this;
  }
  CString& operator=(const char* text) {
    char* copy = NULL;
    if (text != NULL) {
      size_t n = strlen(text) + 1;
      copy = static_cast<char*>(malloc(n));
      if (copy != NULL) memcpy(copy, text, n);
    }
    free(m_pszData);
    m_pszData = copy;
    return *this;
  }
  ~CString() { free(m_pszData); }
  const char* GetString() const { return m_pszData != NULL ? m_pszData : ""; }
#endif
} CString;

#ifdef __cplusplus
} /* namespace mlvns */
#endif

#undef MLVR_INIT
#undef MLVR_INIT_ARRAY

/* Layout checks: these sizes and offsets are shared with the host and with
 * every stored file. */
#ifdef __cplusplus
#define MLVR_REC(name) mlvns::name
#else
#define MLVR_REC(name) name
#endif
MLVR_STATIC_ASSERT(sizeof(MLVR_REC(_PATH_NODE_)) == 60, "node is 60 bytes");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_NODE_), nFrameIndex) == 4, "node layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_NODE_), fConfidence) == 8, "node layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_NODE_), fXPos) == 12, "node layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_NODE_), fYPos) == 16, "node layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_NODE_), fWidth) == 20, "node layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_NODE_), fHeight) == 24, "node layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_NODE_), nPathType) == 28, "node layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_NODE_), fCtrlXPos) == 32, "node layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_NODE_), fCtrlYPos) == 36, "node layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_NODE_), dwReserved) == 40, "node layout");

MLVR_STATIC_ASSERT(sizeof(MLVR_REC(_PATH_INFO_)) == 544, "path record is 544 bytes");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), dwMatchKey1) == 4, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), dwMatchKey2) == 8, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), dwMatchKey3) == 12, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), szAssociateFile) == 16, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), qwAssociateFileSize) == 280, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), szGUID) == 288, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), szTimeStamp) == 327, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), dwReserved1) == 400, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), nPathInIndex) == 404, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), nPathOutIndex) == 408, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), nTotalPathNodeNum) == 412, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), pPathNodes) == 416, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), pReserved) == 424, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), dwReserved2) == 432, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), bHasExtraNode) == 436, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), pExtraNode) == 440, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), dwReserved3) == 448, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), nVideoWidth) == 452, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), nVideoHeight) == 456, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), nVideoAspect) == 460, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), nFrameWidth) == 464, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), nFrameHeight) == 468, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), nFrameAspect) == 472, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), dwReserved4) == 476, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), szOriginGUID) == 480, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), dwReserved5) == 520, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), fRotation) == 524, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), nTrackType) == 528, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), nTrackParam) == 532, "path layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_), dwReserved6) == 536, "path layout");

MLVR_STATIC_ASSERT(sizeof(MLVR_REC(_PATH_INFO_ARRAY_)) == 88, "list header is 88 bytes");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_ARRAY_), abReserved1) == 4, "header layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_ARRAY_), nNumOfPathInfos) == 56, "header layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_ARRAY_), ppPathInfos) == 60, "header layout");
MLVR_STATIC_ASSERT(offsetof(MLVR_REC(_PATH_INFO_ARRAY_), abReserved2) == 68, "header layout");

MLVR_STATIC_ASSERT(sizeof(MLVR_REC(CUIntArray)) == 4 * sizeof(void*), "CUIntArray members");
MLVR_STATIC_ASSERT(sizeof(MLVR_REC(CString)) == sizeof(char*), "CString holds one pointer");

#ifdef __cplusplus
extern "C" {
#define MLVR_NS(name) mlvns::name
#else
#define MLVR_NS(name) name
#endif

/* Box geometry. */
/* Sets the four box fields of *pNode from the pixel rectangle rcObject in a
 * frame of rcFrame's width and height (its left and top are not subtracted);
 * the centre is taken in whole pixels. Other fields keep their values.
 * 0 when pNode is null. */
MLVR_API int32_t Mlvr_PathNode_Rect2PathNode(MLVR_RECT rcObject, MLVR_RECT rcFrame,
                                             MLVR_NS(_PATH_NODE_) * pNode);
/* The pixel rectangle of *pNode's box in a frame of rcFrame's width and height,
 * into *prcObject. It is symmetric about the centre, so an odd side comes back
 * one pixel larger. 0 when prcObject is null; pNode not null. */
MLVR_API int32_t Mlvr_PathNode_PathNode2Rect(const MLVR_NS(_PATH_NODE_) * pNode,
                                             MLVR_RECT rcFrame, MLVR_RECT* prcObject);

/* Path records. */
/* Gives the path a new identity: szGUID becomes a 38-character GUID text
 * (braces, upper-case hexadecimal). pPathInfo not null; returns 1. */
MLVR_API int32_t Mlvr_PathInfo_AssignGUID(MLVR_NS(_PATH_INFO_) * pPathInfo);
/* Stamps the path with the local time: szTimeStamp becomes
 * "YYYYMMDD.hhmmss.mmm", so comparing the bytes compares the times.
 * pPathInfo not null; returns 1. */
MLVR_API int32_t Mlvr_PathInfo_AssignTimeStamp(MLVR_NS(_PATH_INFO_) * pPathInfo);
/* Releases a block of nCount path records allocated together (one path:
 * nCount 1) with their node arrays and extra nodes, and sets *ppInfos to
 * null. Only for the host's own paths in no list: never a path inside a
 * list, never a borrowed one. 0 when ppInfos or *ppInfos is null. */
MLVR_API int32_t Mlvr_PathInfo_FreeInfos(MLVR_NS(_PATH_INFO_) * *ppInfos, int32_t nCount);
/* Releases the path's node array and sets nTotalPathNodeNum to 0; the extra
 * node, nPathInIndex and nPathOutIndex stay. 0 when pPathInfo is null. */
MLVR_API int32_t Mlvr_PathInfo_FreeNodes(MLVR_NS(_PATH_INFO_) * pPathInfo);
/* Puts the control point of every linear node (nPathType 0) that has a
 * successor at the middle of its segment. 0 when pPathInfo is null. */
MLVR_API int32_t Mlvr_PathInfo_CorrectCtrlPtrBasedOnPathType(MLVR_NS(_PATH_INFO_) * pPathInfo);
/* Copies *pSrc onto the existing record *pDst, nodes and extra node included;
 * pDst's old node array is released. bCopyIdentity non-zero also copies
 * szGUID and szTimeStamp, zero keeps pDst's. pExcludeNodes (may be null)
 * lists distinct source node indices to leave out; pDst then gets a new time
 * stamp. pDst may be pSrc. Always returns 1 (nothing done for a null). */
MLVR_API int32_t Mlvr_PathInfo_Clone(MLVR_NS(_PATH_INFO_) * pDst,
                                     const MLVR_NS(_PATH_INFO_) * pSrc, MLVR_BOOL bCopyIdentity,
                                     MLVR_NS(CUIntArray) * pExcludeNodes);
/* Appends copies of nNumNodes nodes (60 bytes apart, each dwSize at most 60).
 * bKeepFrameIndex zero numbers them on from the last node's frame + 1 (0 on
 * a path without nodes). Sets nPathInIndex, nPathOutIndex and a new time
 * stamp. 0 when pPathInfo or pNodes is null. */
MLVR_API int32_t Mlvr_PathInfo_PathNodeAppend(MLVR_NS(_PATH_INFO_) * pPathInfo,
                                              const MLVR_NS(_PATH_NODE_) * pNodes,
                                              int32_t nNumNodes, MLVR_BOOL bKeepFrameIndex);
/* Resumes *pDst with a newer tracking run *pSrc: pDst keeps its nodes before
 * pSrc's first frame and takes pSrc's nodes from there; new time stamp. The
 * three match keys (dwMatchKey1..3) must be equal. pSrc is only read.
 * 0 for a null argument, keys that differ, or a pDst or pSrc without nodes. */
MLVR_API int32_t Mlvr_PathInfo_ResumFromAnother(MLVR_NS(_PATH_INFO_) * pDst,
                                                const MLVR_NS(_PATH_INFO_) * pSrc);
/* The same for a path of runs: track type 403 holds four runs of equal length,
 * one per tracked point (nRun 0..3); any other type is one run (nRun 0).
 * Overwrites run nRun's slots in place; the node count never changes.
 * 0 for a null argument, keys that differ, no such run, or a pDst without
 * nodes. */
MLVR_API int32_t Mlvr_PathInfo_ResumFromAnother2(int32_t nRun, MLVR_NS(_PATH_INFO_) * pDst,
                                                 const MLVR_NS(_PATH_INFO_) * pSrc);
/* Converts *pNode's box in place from the tracking frame of *pPathInfo
 * (convention 5) to a target frame of szTarget (W, H) whose video is turned by
 * fTargetRotation. nMode: 1 normalised to the turned video itself, 3 the video
 * covers the target and is cropped, any other value (0, 2) fitted inside with
 * bars. bRelative non-zero: the values are displacements (no centring, mirrors
 * negate). 0, node unchanged, for a null, W or H 0, or an undefined shape. */
MLVR_API int32_t Mlvr_PathInfo_ConvertPathNodeInfo(MLVR_NS(_PATH_NODE_) * pNode,
                                                   const MLVR_NS(_PATH_INFO_) * pPathInfo,
                                                   MLVR_SIZE szTarget, float fTargetRotation,
                                                   MLVR_BOOL bRelative, int32_t nMode);
/* Simplifies the path in place: one greedy pass drops every node that lies on
 * the straight, evenly timed segment between its neighbours with the same
 * box size; the end nodes stay. A new time stamp only when a node was
 * dropped. 0 when pPathInfo is null. */
MLVR_API int32_t Mlvr_LinearRegressionPathInfo(MLVR_NS(_PATH_INFO_) * pPathInfo);
/* Lists nCount contiguous records (544 bytes apart) and their nodes on the
 * debug-output channel (syslog on Linux, OutputDebugString on Windows) under
 * the title pszComment (may be null). MlvrX_DumpPathInfosText returns the
 * same lines as text. 0 when pPathInfos is null. */
MLVR_API int32_t Mlvr_DumpPathInfos(const MLVR_NS(_PATH_INFO_) * pPathInfos, int32_t nCount,
                                    const char* pszComment);

/* Path lists. */
/* Appends the path itself, not a copy: the list owns it from then on and
 * Mlvr_PathInfoArray_Free releases it. Hand it only a path allocated like the
 * library's (C++: new mlvns::_PATH_INFO_[1](); C and Python:
 * MlvrX_PathInfo_New) that is in no list: never one on the stack, one of
 * another list, or a borrowed one. 0 when ppArray or *ppArray is null (an
 * empty list comes from MlvrX_PathInfoArray_New). */
MLVR_API int32_t Mlvr_PathInfoArray_Add(MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray,
                                        MLVR_NS(_PATH_INFO_) * pPathInfo);
/* Makes *ppDst a deep copy of pSrc through the stored byte format. *ppDst may
 * hold null (a new list, the host's) or a list of the host's (its paths
 * replaced), but not pSrc itself. ppDst null only measures: *pnBytes (may be
 * null) receives the packed size. 0 when the copy cannot be decoded; free
 * what *ppDst then holds. */
MLVR_API int32_t Mlvr_PathInfoArray_Clone(MLVR_NS(_PATH_INFO_ARRAY_) * *ppDst,
                                          const MLVR_NS(_PATH_INFO_ARRAY_) * pSrc,
                                          MLVR_UINT* pnBytes);
/* Releases the list, every path in it with their nodes, and sets *ppArray to
 * null; 1 also when *ppArray holds null. Only for the host's own lists: never
 * one the database handed out. 0 when ppArray is null. */
MLVR_API int32_t Mlvr_PathInfoArray_Free(MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray);
/* Encodes the list *ppArray into pBuffer, the caller's. Call first with
 * pBuffer null to learn the size in *pnBytes (88, + 528 per path, + 60 per
 * node and extra node), then with a buffer of at least that many bytes; both
 * null: 1, nothing done. 0 when ppArray or *ppArray is null. */
MLVR_API int32_t Mlvr_PathInfoArray_Pack(MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray, uint8_t* pBuffer,
                                         MLVR_UINT* pnBytes);
/* Decodes nBytes packed bytes into *ppArray: a new list, the host's, when it
 * holds null, else the host's list there emptied and refilled. 0 for bytes
 * that are not a packed list (nBytes 0 included); what was decoded stays in
 * *ppArray and is freed with Mlvr_PathInfoArray_Free. */
MLVR_API int32_t Mlvr_PathInfoArray_Unpack(const uint8_t* pBuffer, MLVR_UINT nBytes,
                                           MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray);

/* Path files (.otp). */
/* bSave zero: reads the path file into *ppArray (a new list, the host's, when
 * it holds null); 0 for a missing file, not a path file or one cut short (a
 * partly read list is still the host's to free). bSave non-zero: writes
 * *ppArray to the file (created or truncated), the list unchanged; 0 on a
 * write error, and the file keeps what was written. */
MLVR_API int32_t Mlvr_OpenSavePathInfo(const char* pszFileName, MLVR_BOOL bSave,
                                       MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray);
/* Asks for a .otp file name with the platform's open or save dialog (owner
 * hParent, may be null), then reads or writes as Mlvr_OpenSavePathInfo.
 * Returns 1 when a file was confirmed (the read or write result is seen in
 * *ppArray or the file), 2 when cancelled. */
MLVR_API int32_t Mlvr_OpenSavePathInfoDialog(MLVR_BOOL bSave,
                                             MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray,
                                             MLVR_HWND hParent);

/* The path database. */
/* Takes the recursive database lock (again, on a thread that holds it).
 * Hold it across several database calls and while reading what they handed
 * out. Always returns 1. */
MLVR_API int32_t Mlvr_DataBase_Lock(void);
/* Releases the lock once; only on a thread that took it, as often as it took
 * it. Always returns 1. */
MLVR_API int32_t Mlvr_DataBase_Unlock(void);
/* Stores in *ppArray the list kept for the media file pszAssociateFile in the
 * database folder pszDataBaseFolder (created when missing). BORROWED, see
 * convention 4. 1 also when the file has no entry: *ppArray is then left as
 * it was, so set it to null first. 0 when the folder cannot be used. */
MLVR_API int32_t Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(
    const char* pszDataBaseFolder, const char* pszAssociateFile,
    MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray);
/* Replaces the list kept for the media file with a deep copy of pArray, which
 * stays the caller's (it may be the list this file's fetch handed out). The
 * file's borrowed list becomes invalid. The copy reaches the disk at the
 * folder's next write-back: an import or relink in it, or unload. 0 when the
 * folder cannot be created (the copy is kept in memory all the same). */
MLVR_API int32_t Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(
    const char* pszDataBaseFolder, const char* pszAssociateFile,
    const MLVR_NS(_PATH_INFO_ARRAY_) * pArray);
/* Forgets the list of the media file and deletes its path file at once (the
 * index on disk follows at the next write-back); its borrowed list becomes
 * invalid. 0 when the folder or the entry does not exist. */
MLVR_API int32_t Mlvr_DataBase_DeleteInfoArrayByAssociateFileName(const char* pszDataBaseFolder,
                                                                  const char* pszAssociateFile);
/* Finds the path whose szGUID is pszGUID (byte for byte) in the folder's
 * lists, media files in ascending key order. *ppPathInfo receives it,
 * BORROWED (convention 4); pszAssociateFile (may be null; 260 bytes) the
 * lower-cased name of its media file. 0 when not found, nothing written. */
MLVR_API int32_t Mlvr_DataBase_GetPathInfoByGUID(const char* pszDataBaseFolder,
                                                 const char* pszGUID,
                                                 MLVR_NS(_PATH_INFO_) * *ppPathInfo,
                                                 char* pszAssociateFile);
/* Writes into *pNode (not null) that path's node at frame nFrameIndex: the
 * first or last node outside the path's frames, the node at that frame, or
 * the box interpolated between the nodes around it (only the four box fields
 * are then written). Converted as Mlvr_PathInfo_ConvertPathNodeInfo
 * (bRelative 0) unless szTarget and fTargetRotation are the path's own frame.
 * pszAssociateFile as above (260 bytes). 0 when not found or no nodes. */
MLVR_API int32_t Mlvr_DataBase_GetPathNodeByGUID(const char* pszDataBaseFolder,
                                                 const char* pszGUID, int32_t nFrameIndex,
                                                 MLVR_SIZE szTarget, float fTargetRotation,
                                                 MLVR_NS(_PATH_NODE_) * pNode,
                                                 char* pszAssociateFile, int32_t nMode);
/* Puts a copy of the caller's path (read, never kept) under the media file:
 * refreshes the copy already there when the caller's szTimeStamp is newer,
 * or adds it, under a new identity (szOriginGUID the old) when another media
 * file holds that identity. Then writes the folder to disk: every list and
 * path handed out for it becomes invalid. *pstrGUID (may be null) receives
 * the identity kept, as malloc'ed text. Always returns 1. */
MLVR_API int32_t Mlvr_DataBase_ImportPathInfo(const char* pszDataBaseFolder,
                                              const char* pszAssociateFile,
                                              const MLVR_NS(_PATH_INFO_) * pPathInfo,
                                              MLVR_NS(CString) * pstrGUID);
/* Moves the paths of pszOrgFile to pszNewFile, which must exist with the size
 * recorded in the first path's qwAssociateFileSize (low 32 bits compared);
 * copies of one identity merge, the newer kept. The old entry and its path
 * file go and the folder is written to disk (handed-out lists become
 * invalid). 0 when refused: no new file, sizes differ, no paths, same file. */
MLVR_API int32_t Mlvr_DataBase_RelinkAssociateFile(const char* pszDataBaseFolder,
                                                   const char* pszOrgFile,
                                                   const char* pszNewFile);

#undef MLVR_NS
#ifdef __cplusplus
} /* extern "C" */
#endif

#undef MLVR_REC

#endif /* MOLVAREN_MOLVAREN_H_ */
