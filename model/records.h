// The shared records as the library uses them: the stored 528-byte form of a
// path, the mapping between the two path forms, the size-guarded copies, and
// allocation in the one shape that the host also frees.
#ifndef MOLVAREN_MODEL_RECORDS_H_
#define MOLVAREN_MODEL_RECORDS_H_

#include <cstddef>
#include <cstdint>

#include "molvaren/molvaren.h"

namespace mlvns {

constexpr uint32_t kNodeSize = 60;
constexpr uint32_t kPathInfoSize = 544;
constexpr uint32_t kPathInfoFileSize = 528;
constexpr uint32_t kArraySize = 88;

// The stored form of a path record: pointer slots are 32 bits wide and the
// last in-memory field is not kept. The alignment bytes are explicit fields
// so that every stored byte has a defined value.
struct _PATH_INFO_FILE_ {
  uint32_t dwSize = kPathInfoFileSize;
  uint32_t dwMatchKey1 = 0;
  uint32_t dwMatchKey2 = 0;
  uint32_t dwMatchKey3 = 0;
  char szAssociateFile[260] = {};
  uint8_t abAlign1[4] = {};
  uint64_t qwAssociateFileSize = 0;
  char szGUID[39] = {};
  char szTimeStamp[71] = {};
  uint8_t abAlign2[2] = {};
  uint32_t dwReserved1 = 0;
  int32_t nPathInIndex = -1;
  int32_t nPathOutIndex = -1;
  int32_t nTotalPathNodeNum = 0;
  uint32_t dwPathNodesSlot = 0;
  uint32_t dwReservedLow = 0;
  uint32_t dwReserved2 = 0;
  uint32_t bHasExtraNode = 0;
  uint32_t dwExtraNodeSlot = 0;
  uint32_t dwReserved3 = 0;
  int32_t nVideoWidth = 0;
  int32_t nVideoHeight = 0;
  int32_t nVideoAspect = 0;
  int32_t nFrameWidth = 0;
  int32_t nFrameHeight = 0;
  int32_t nFrameAspect = 0;
  uint32_t dwReserved4 = 0;
  char szOriginGUID[39] = {};
  uint8_t abAlign3[1] = {};
  uint32_t dwReserved5 = 0;
  float fRotation = 0;
  uint32_t nTrackType = 401;
  uint32_t nTrackParam = 20;
  uint32_t dwUnused = 0;
};

static_assert(sizeof(_PATH_INFO_FILE_) == 528, "stored path record is 528 bytes");
static_assert(offsetof(_PATH_INFO_FILE_, dwMatchKey1) == 4, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, szAssociateFile) == 16, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, abAlign1) == 276, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, qwAssociateFileSize) == 280, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, szGUID) == 288, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, szTimeStamp) == 327, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, abAlign2) == 398, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, dwReserved1) == 400, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, nPathInIndex) == 404, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, nPathOutIndex) == 408, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, nTotalPathNodeNum) == 412, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, dwPathNodesSlot) == 416, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, dwReservedLow) == 420, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, dwReserved2) == 424, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, bHasExtraNode) == 428, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, dwExtraNodeSlot) == 432, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, dwReserved3) == 436, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, nVideoWidth) == 440, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, nFrameWidth) == 452, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, dwReserved4) == 464, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, szOriginGUID) == 468, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, abAlign3) == 507, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, dwReserved5) == 508, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, fRotation) == 512, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, nTrackType) == 516, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, nTrackParam) == 520, "stored layout");
static_assert(offsetof(_PATH_INFO_FILE_, dwUnused) == 524, "stored layout");

// The two forms share bytes 0..415 and the block from dwReserved3 to
// fRotation; the mapping relies on it.
static_assert(offsetof(_PATH_INFO_, pPathNodes) == 416, "shared prefix");
static_assert(offsetof(_PATH_INFO_, dwReserved3) - offsetof(_PATH_INFO_FILE_, dwReserved3) == 12,
              "shifted block");

// Stored form of a path: the fields of `info`, both pointer slots 0, the
// alignment bytes zero.
void PathInfoToStored(const _PATH_INFO_& info, _PATH_INFO_FILE_* stored);

// In-memory form from a stored record: fields copied, node pointers null,
// dwReserved6 left as it was, dwSize 544.
void PathInfoFromStored(const _PATH_INFO_FILE_& stored, _PATH_INFO_* info);

// Copies a node onto a freshly default-constructed node: whole when both
// sizes agree, otherwise only fXPos.
void CopyNodeGuarded(_PATH_NODE_* dst, const _PATH_NODE_* src);

// Copies a whole path record when the destination is at least as large as
// the source (then both node pointers of the destination are null),
// otherwise only dwMatchKey1. Returns true for the whole copy.
bool CopyPathInfoGuarded(_PATH_INFO_* dst, const _PATH_INFO_* src);

// Allocation in the shapes the host also releases: a path record is an array
// of one, nodes an array, the list header a single object. Null when memory
// runs out.
_PATH_INFO_* NewPathInfo();
_PATH_NODE_* NewNodes(size_t count);
_PATH_INFO_ARRAY_* NewPathInfoArray();
void DeleteNodes(_PATH_NODE_* nodes);

}  // namespace mlvns

#endif  // MOLVAREN_MODEL_RECORDS_H_
