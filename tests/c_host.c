/* A host written in C: loads the library with dlopen and drives it only
 * through the exported functions, as an editor would. Exit status 0 when
 * every check passes. */
#define _POSIX_C_SOURCE 200809L
#include <dlfcn.h>
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

typedef int32_t (*Mlvr_PathInfo_AssignGUID_fn)(_PATH_INFO_*);
typedef int32_t (*Mlvr_PathInfo_PathNodeAppend_fn)(_PATH_INFO_*, const _PATH_NODE_*, int32_t,
                                                   BOOL);
typedef int32_t (*Mlvr_PathInfoArray_Unpack_fn)(const uint8_t*, UINT, _PATH_INFO_ARRAY_**);
typedef int32_t (*Mlvr_PathInfoArray_Pack_fn)(_PATH_INFO_ARRAY_**, uint8_t*, UINT*);
typedef int32_t (*Mlvr_PathInfoArray_Free_fn)(_PATH_INFO_ARRAY_**);
typedef int32_t (*Mlvr_PathInfoArray_Clone_fn)(_PATH_INFO_ARRAY_**, const _PATH_INFO_ARRAY_*,
                                               UINT*);
typedef int32_t (*Mlvr_OpenSavePathInfo_fn)(const char*, BOOL, _PATH_INFO_ARRAY_**);
typedef int32_t (*Mlvr_DataBase_Lock_fn)(void);
typedef int32_t (*Mlvr_DataBase_Unlock_fn)(void);

static void* load(void* lib, const char* name) {
  void* p = dlsym(lib, name);
  if (p == NULL) {
    fprintf(stderr, "missing export %s\n", name);
    exit(2);
  }
  return p;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: c_host LIBRARY SCRATCH_FOLDER\n");
    return 2;
  }
  void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (lib == NULL) {
    fprintf(stderr, "dlopen: %s\n", dlerror());
    return 2;
  }
  LOAD(lib, Mlvr_PathInfo_AssignGUID);
  LOAD(lib, Mlvr_PathInfo_PathNodeAppend);
  LOAD(lib, Mlvr_PathInfoArray_Unpack);
  LOAD(lib, Mlvr_PathInfoArray_Pack);
  LOAD(lib, Mlvr_PathInfoArray_Free);
  LOAD(lib, Mlvr_PathInfoArray_Clone);
  LOAD(lib, Mlvr_OpenSavePathInfo);
  LOAD(lib, Mlvr_DataBase_Lock);
  LOAD(lib, Mlvr_DataBase_Unlock);
  CHECK(dlsym(lib, "_ZN5mlvns16PathInfo_FreeInfosEPPNS_11_PATH_INFO_Ei") == NULL);

  /* A list of one empty path, built by hand as a packed buffer. */
  uint8_t buffer[PACKED_ONE_EMPTY_PATH_BYTES];
  put_one_empty_path(buffer);
  _PATH_INFO_ARRAY_* list = NULL;
  CHECK(Mlvr_PathInfoArray_Unpack(buffer, sizeof buffer, &list) == 1);
  CHECK(list != NULL && list->nNumOfPathInfos == 1);
  if (list == NULL || list->nNumOfPathInfos != 1) return 1;

  _PATH_INFO_* path = list->ppPathInfos[0];
  CHECK(path->dwSize == 544);
  CHECK(path->nTrackType == 401);
  CHECK(Mlvr_PathInfo_AssignGUID(path) == 1);
  CHECK(strlen(path->szGUID) == 38);

  _PATH_NODE_ nodes[3];
  put_nodes(nodes, 3, 0, 0, 0.25f, 0.25f);
  CHECK(Mlvr_PathInfo_PathNodeAppend(path, nodes, 3, 0) == 1);
  CHECK(path->nTotalPathNodeNum == 3);
  CHECK(path->nPathInIndex == 0 && path->nPathOutIndex == 2);

  UINT size = 0;
  CHECK(Mlvr_PathInfoArray_Pack(&list, NULL, &size) == 1);
  CHECK(size == 88 + 528 + 3 * 60);
  UINT measured = 0;
  CHECK(Mlvr_PathInfoArray_Clone(NULL, list, &measured) == 1);
  CHECK(measured == size);

  char name[4096];
  snprintf(name, sizeof name, "%s/c_host.otp", argv[2]);
  CHECK(Mlvr_OpenSavePathInfo(name, 1, &list) == 1);
  _PATH_INFO_ARRAY_* back = NULL;
  CHECK(Mlvr_OpenSavePathInfo(name, 0, &back) == 1);
  CHECK(back != NULL && back->nNumOfPathInfos == 1);
  if (back != NULL && back->nNumOfPathInfos == 1) {
    CHECK(strcmp(back->ppPathInfos[0]->szGUID, path->szGUID) == 0);
    CHECK(back->ppPathInfos[0]->pPathNodes[2].fXPos == 0.75f);
  }
  unlink(name);

  CHECK(Mlvr_DataBase_Lock() == 1);
  CHECK(Mlvr_DataBase_Lock() == 1);
  CHECK(Mlvr_DataBase_Unlock() == 1);
  CHECK(Mlvr_DataBase_Unlock() == 1);

  CHECK(Mlvr_PathInfoArray_Free(&back) == 1 && back == NULL);
  CHECK(Mlvr_PathInfoArray_Free(&list) == 1 && list == NULL);
  CHECK(dlclose(lib) == 0);
  if (failures == 0) printf("c_host: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
