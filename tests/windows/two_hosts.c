/* Two editor processes on one folder. Each adds entries of its own, deletes
 * every third one again, and unloads the DLL (which writes the folder back)
 * after every entry, while the other does the same. A last run then finds
 * every entry that was kept and none that was deleted.
 *
 *   two_hosts.exe write WORK_FOLDER ID ROUNDS
 *   two_hosts.exe check WORK_FOLDER IDS ROUNDS
 * Exit status 0 when every check held. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "molvaren/molvaren.h"
#include "tests/support/packed_buffers.h"

typedef int32_t (*AppendFn)(_PATH_INFO_*, const _PATH_NODE_*, int32_t, BOOL);
typedef int32_t (*UnpackFn)(const uint8_t*, UINT, _PATH_INFO_ARRAY_**);
typedef int32_t (*FreeFn)(_PATH_INFO_ARRAY_**);
typedef int32_t (*UpdateFn)(const char*, const char*, const _PATH_INFO_ARRAY_*);
typedef int32_t (*DeleteFn)(const char*, const char*);
typedef int32_t (*GetFn)(const char*, const char*, _PATH_INFO_ARRAY_**);

static char db[MAX_PATH];

static void media(char* out, const char* work, int id, int round) {
  snprintf(out, MAX_PATH, "%s\\Clip-%d-%d.mp4", work, id, round);
}

/* Round r deletes the entry of round r - 1 when r % 3 == 2. */
static int deleted(int round, int rounds) { return round % 3 == 1 && round + 1 < rounds; }

static int write_rounds(const char* work, int id, int rounds) {
  char name[MAX_PATH];
  for (int r = 0; r < rounds; ++r) {
    HMODULE dll = LoadLibraryA("Molvaren.dll");
    if (dll == NULL) return fprintf(stderr, "LoadLibraryA failed\n"), 1;
    UnpackFn unpack = (UnpackFn)(void (*)(void))GetProcAddress(dll, "Mlvr_PathInfoArray_Unpack");
    AppendFn append = (AppendFn)(void (*)(void))GetProcAddress(dll, "Mlvr_PathInfo_PathNodeAppend");
    FreeFn freeList = (FreeFn)(void (*)(void))GetProcAddress(dll, "Mlvr_PathInfoArray_Free");
    UpdateFn update = (UpdateFn)(void (*)(void))GetProcAddress(
        dll, "Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName");
    DeleteFn drop = (DeleteFn)(void (*)(void))GetProcAddress(
        dll, "Mlvr_DataBase_DeleteInfoArrayByAssociateFileName");
    uint8_t buffer[PACKED_ONE_EMPTY_PATH_BYTES];
    put_one_empty_path(buffer);
    _PATH_INFO_ARRAY_* paths = NULL;
    _PATH_NODE_ nodes[2];
    put_nodes(nodes, 2, r, 5, 0.25f, 0.5f);
    media(name, work, id, r);
    const char* failed = NULL;
    if (unpack(buffer, sizeof buffer, &paths) != 1 || append(paths->ppPathInfos[0], nodes, 2, 1) != 1)
      failed = "building the list";
    else if (update(db, name, paths) != 1)
      failed = "update";
    freeList(&paths);
    media(name, work, id, r - 1);
    if (failed == NULL && r % 3 == 2 && drop(db, name) != 1) failed = "delete";
    FreeLibrary(dll);
    if (failed) return fprintf(stderr, "host %d: round %d: %s failed\n", id, r, failed), 1;
  }
  return 0;
}

static int check(const char* work, int ids, int rounds) {
  HMODULE dll = LoadLibraryA("Molvaren.dll");
  if (dll == NULL) return fprintf(stderr, "LoadLibraryA failed\n"), 1;
  GetFn get = (GetFn)(void (*)(void))GetProcAddress(
      dll, "Mlvr_DataBase_GetPathInfoArrayByAssociateFileName");
  int failures = 0, found = 0;
  char name[MAX_PATH];
  for (int id = 0; id < ids; ++id) {
    for (int r = 0; r < rounds; ++r) {
      _PATH_INFO_ARRAY_* list = NULL;
      media(name, work, id, r);
      const int present = get(db, name, &list) == 1 && list != NULL && list->nNumOfPathInfos == 1 &&
                          list->ppPathInfos[0]->nTotalPathNodeNum == 2;
      found += present;
      if (present == deleted(r, rounds)) {
        fprintf(stderr, "entry %d-%d: %s\n", id, r, present ? "deleted but found" : "lost");
        ++failures;
      }
    }
  }
  FreeLibrary(dll);
  printf("two hosts: %d entries found, %d wrong\n", found, failures);
  return failures == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: two_hosts write|check WORK_FOLDER ID|IDS ROUNDS\n");
    return 2;
  }
  snprintf(db, sizeof db, "%s\\Tracks", argv[2]);
  const int n = atoi(argv[3]), rounds = atoi(argv[4]);
  return strcmp(argv[1], "write") == 0 ? write_rounds(argv[2], n, rounds)
                                       : check(argv[2], n, rounds);
}
