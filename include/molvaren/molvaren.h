/*
 * Molvaren: object-tracking paths for video editors.
 *
 * The public C interface of the library: the three shared records, the two
 * containers of the host's class framework that cross the interface
 * (CUIntArray, CString) and the 30 exported functions.
 *
 * Every export returns 1 for success and 0 for failure, except where its
 * comment says otherwise. Records, node arrays and lists that the library
 * allocates are released only through the Free exports.
 *
 * Usable from C11 and C++17. In C++ the records live in namespace mlvns and
 * carry default constructors; in C they are plain structs of the same layout.
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
MLVR_API int32_t Mlvr_PathNode_Rect2PathNode(MLVR_RECT rcObject, MLVR_RECT rcFrame,
                                             MLVR_NS(_PATH_NODE_) * pNode);
MLVR_API int32_t Mlvr_PathNode_PathNode2Rect(const MLVR_NS(_PATH_NODE_) * pNode,
                                             MLVR_RECT rcFrame, MLVR_RECT* prcObject);

/* Path records. */
MLVR_API int32_t Mlvr_PathInfo_AssignGUID(MLVR_NS(_PATH_INFO_) * pPathInfo);
MLVR_API int32_t Mlvr_PathInfo_AssignTimeStamp(MLVR_NS(_PATH_INFO_) * pPathInfo);
MLVR_API int32_t Mlvr_PathInfo_FreeInfos(MLVR_NS(_PATH_INFO_) * *ppInfos, int32_t nCount);
MLVR_API int32_t Mlvr_PathInfo_FreeNodes(MLVR_NS(_PATH_INFO_) * pPathInfo);
MLVR_API int32_t Mlvr_PathInfo_CorrectCtrlPtrBasedOnPathType(MLVR_NS(_PATH_INFO_) * pPathInfo);
/* Always returns 1. */
MLVR_API int32_t Mlvr_PathInfo_Clone(MLVR_NS(_PATH_INFO_) * pDst,
                                     const MLVR_NS(_PATH_INFO_) * pSrc, MLVR_BOOL bCopyIdentity,
                                     MLVR_NS(CUIntArray) * pExcludeNodes);
MLVR_API int32_t Mlvr_PathInfo_PathNodeAppend(MLVR_NS(_PATH_INFO_) * pPathInfo,
                                              const MLVR_NS(_PATH_NODE_) * pNodes,
                                              int32_t nNumNodes, MLVR_BOOL bKeepFrameIndex);
MLVR_API int32_t Mlvr_PathInfo_ResumFromAnother(MLVR_NS(_PATH_INFO_) * pDst,
                                                const MLVR_NS(_PATH_INFO_) * pSrc);
MLVR_API int32_t Mlvr_PathInfo_ResumFromAnother2(int32_t nRun, MLVR_NS(_PATH_INFO_) * pDst,
                                                 const MLVR_NS(_PATH_INFO_) * pSrc);
MLVR_API int32_t Mlvr_PathInfo_ConvertPathNodeInfo(MLVR_NS(_PATH_NODE_) * pNode,
                                                   const MLVR_NS(_PATH_INFO_) * pPathInfo,
                                                   MLVR_SIZE szTarget, float fTargetRotation,
                                                   MLVR_BOOL bRelative, int32_t nMode);
MLVR_API int32_t Mlvr_LinearRegressionPathInfo(MLVR_NS(_PATH_INFO_) * pPathInfo);
MLVR_API int32_t Mlvr_DumpPathInfos(const MLVR_NS(_PATH_INFO_) * pPathInfos, int32_t nCount,
                                    const char* pszComment);

/* Path lists. */
MLVR_API int32_t Mlvr_PathInfoArray_Add(MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray,
                                        MLVR_NS(_PATH_INFO_) * pPathInfo);
MLVR_API int32_t Mlvr_PathInfoArray_Clone(MLVR_NS(_PATH_INFO_ARRAY_) * *ppDst,
                                          const MLVR_NS(_PATH_INFO_ARRAY_) * pSrc,
                                          MLVR_UINT* pnBytes);
MLVR_API int32_t Mlvr_PathInfoArray_Free(MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray);
MLVR_API int32_t Mlvr_PathInfoArray_Pack(MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray, uint8_t* pBuffer,
                                         MLVR_UINT* pnBytes);
MLVR_API int32_t Mlvr_PathInfoArray_Unpack(const uint8_t* pBuffer, MLVR_UINT nBytes,
                                           MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray);

/* Path files (.otp). The dialog returns 1 when a file was confirmed, 2 when
 * the dialog was cancelled. */
MLVR_API int32_t Mlvr_OpenSavePathInfo(const char* pszFileName, MLVR_BOOL bSave,
                                       MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray);
MLVR_API int32_t Mlvr_OpenSavePathInfoDialog(MLVR_BOOL bSave,
                                             MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray,
                                             MLVR_HWND hParent);

/* The path database. Lock and Unlock always return 1. */
MLVR_API int32_t Mlvr_DataBase_Lock(void);
MLVR_API int32_t Mlvr_DataBase_Unlock(void);
MLVR_API int32_t Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(
    const char* pszDataBaseFolder, const char* pszAssociateFile,
    MLVR_NS(_PATH_INFO_ARRAY_) * *ppArray);
MLVR_API int32_t Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(
    const char* pszDataBaseFolder, const char* pszAssociateFile,
    const MLVR_NS(_PATH_INFO_ARRAY_) * pArray);
MLVR_API int32_t Mlvr_DataBase_DeleteInfoArrayByAssociateFileName(const char* pszDataBaseFolder,
                                                                  const char* pszAssociateFile);
MLVR_API int32_t Mlvr_DataBase_GetPathInfoByGUID(const char* pszDataBaseFolder,
                                                 const char* pszGUID,
                                                 MLVR_NS(_PATH_INFO_) * *ppPathInfo,
                                                 char* pszAssociateFile);
MLVR_API int32_t Mlvr_DataBase_GetPathNodeByGUID(const char* pszDataBaseFolder,
                                                 const char* pszGUID, int32_t nFrameIndex,
                                                 MLVR_SIZE szTarget, float fTargetRotation,
                                                 MLVR_NS(_PATH_NODE_) * pNode,
                                                 char* pszAssociateFile, int32_t nMode);
/* Always returns 1. */
MLVR_API int32_t Mlvr_DataBase_ImportPathInfo(const char* pszDataBaseFolder,
                                              const char* pszAssociateFile,
                                              const MLVR_NS(_PATH_INFO_) * pPathInfo,
                                              MLVR_NS(CString) * pstrGUID);
MLVR_API int32_t Mlvr_DataBase_RelinkAssociateFile(const char* pszDataBaseFolder,
                                                   const char* pszOrgFile,
                                                   const char* pszNewFile);

#undef MLVR_NS
#ifdef __cplusplus
} /* extern "C" */
#endif

#undef MLVR_REC

#endif /* MOLVAREN_MOLVAREN_H_ */
