/* A host written in C: loads the library with dlopen and drives it only
 * through the exported functions, as an editor would. Records are written
 * from the C view of the header; two database folders changed in memory
 * must be on disk after dlclose and read back by the next load. Exit status
 * 0 when every check passes. */
#define _XOPEN_SOURCE 700
#include <dlfcn.h>
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "molvaren/molvaren.h"
#include "tests/support/packed_buffers.h"

static int failures = 0;
#define CHECK(cond)                                              \
  do {                                                           \
    if (!(cond)) {                                               \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                \
    }                                                            \
  } while (0)

/* dlsym hands out an object pointer; POSIX guarantees it converts. */
#define LOAD(lib, name)          \
  name##_fn name;                \
  do {                           \
    void* sym_ = load(lib, #name); \
    memcpy(&name, &sym_, sizeof name); \
  } while (0)

typedef int32_t (*Mlvr_PathInfo_PathNodeAppend_fn)(_PATH_INFO_*, const _PATH_NODE_*, int32_t,
                                                   BOOL);
typedef int32_t (*Mlvr_PathInfoArray_Unpack_fn)(const uint8_t*, UINT, _PATH_INFO_ARRAY_**);
typedef int32_t (*Mlvr_PathInfoArray_Free_fn)(_PATH_INFO_ARRAY_**);
typedef int32_t (*Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName_fn)(
    const char*, const char*, const _PATH_INFO_ARRAY_*);
typedef int32_t (*Mlvr_DataBase_GetPathInfoArrayByAssociateFileName_fn)(const char*, const char*,
                                                                        _PATH_INFO_ARRAY_**);

static void* load(void* lib, const char* name) {
  void* p = dlsym(lib, name);
  if (p == NULL) {
    fprintf(stderr, "missing export %s\n", name);
    exit(2);
  }
  return p;
}

static void* open_library(const char* file) {
  void* lib = dlopen(file, RTLD_NOW | RTLD_LOCAL);
  if (lib == NULL) {
    fprintf(stderr, "dlopen: %s\n", dlerror());
    exit(2);
  }
  return lib;
}

static int remove_entry(const char* name, const struct stat* s, int kind, struct FTW* at) {
  (void)s, (void)kind, (void)at;
  return remove(name);
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: c_host LIBRARY SCRATCH_FOLDER\n");
    return 2;
  }
  void* lib = open_library(argv[1]);
  LOAD(lib, Mlvr_PathInfo_PathNodeAppend);
  LOAD(lib, Mlvr_PathInfoArray_Unpack);
  LOAD(lib, Mlvr_PathInfoArray_Free);
  LOAD(lib, Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName);

  /* A list of one empty path, built by hand as a packed buffer. */
  uint8_t buffer[PACKED_ONE_EMPTY_PATH_BYTES];
  put_one_empty_path(buffer);
  _PATH_INFO_ARRAY_* list = NULL;
  CHECK(Mlvr_PathInfoArray_Unpack(buffer, sizeof buffer, &list) == 1);
  if (list == NULL || list->nNumOfPathInfos != 1) return 1;

  _PATH_INFO_* path = list->ppPathInfos[0];
  CHECK(path->dwSize == 544 && path->nTrackType == 401);  /* the C view of the record */
  _PATH_NODE_ nodes[3];
  put_nodes(nodes, 3, 0, 0, 0.25f, 0.25f);
  CHECK(Mlvr_PathInfo_PathNodeAppend(path, nodes, 3, 0) == 1);

  /* Two folders changed in memory only, until the library is unloaded. */
  char scratch[4096], folder[2][4200], index[4300];
  snprintf(scratch, sizeof scratch, "%s/c_host_XXXXXX", argv[2]);
  if (mkdtemp(scratch) == NULL) return 2;
  for (int f = 0; f < 2; ++f) {
    snprintf(folder[f], sizeof folder[f], "%s/db%d", scratch, f);
    CHECK(Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName(folder[f], "/v/A.mp4", list) == 1);
  }
  snprintf(index, sizeof index, "%s/Molvaren.ini", folder[0]);
  CHECK(access(index, F_OK) != 0);
  CHECK(Mlvr_PathInfoArray_Free(&list) == 1 && list == NULL);
  CHECK(dlclose(lib) == 0);

  lib = open_library(argv[1]);
  LOAD(lib, Mlvr_DataBase_GetPathInfoArrayByAssociateFileName);
  for (int f = 0; f < 2; ++f) {
    _PATH_INFO_ARRAY_* back = NULL;
    CHECK(Mlvr_DataBase_GetPathInfoArrayByAssociateFileName(folder[f], "/V/a.MP4", &back) == 1);
    CHECK(back != NULL && back->nNumOfPathInfos == 1 &&
          back->ppPathInfos[0]->pPathNodes[2].fXPos == 0.75f);
  }
  CHECK(dlclose(lib) == 0);
  nftw(scratch, remove_entry, 8, FTW_DEPTH | FTW_PHYS);
  if (failures == 0) printf("c_host: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
