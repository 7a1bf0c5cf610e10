/* A host as an editor would be one: loads Molvaren.dll by name, twice, finds
 * the exports by their plain names, calls a few of them across the DLL
 * boundary and frees the library again (the last FreeLibrary unloads it).
 *
 *   host.exe EXPORTS_LIST WORK_FOLDER
 * Exit status 0 when every check held; each failed check prints a line. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "molvaren/molvaren.h"

static int failures = 0;
#define CHECK(cond)                                              \
  do {                                                           \
    if (!(cond)) {                                               \
      fprintf(stderr, "host.c:%d: check failed: %s\n", __LINE__, #cond); \
      ++failures;                                                \
    }                                                            \
  } while (0)

typedef int32_t (*AppendFn)(_PATH_INFO_*, const _PATH_NODE_*, int32_t, BOOL);
typedef int32_t (*GuidFn)(_PATH_INFO_*);
typedef int32_t (*UnpackFn)(const uint8_t*, UINT, _PATH_INFO_ARRAY_**);
typedef int32_t (*FreeFn)(_PATH_INFO_ARRAY_**);
typedef int32_t (*OpenSaveFn)(const char*, BOOL, _PATH_INFO_ARRAY_**);

static FARPROC Need(HMODULE dll, const char* name) {
  FARPROC p = GetProcAddress(dll, name);
  if (p == NULL) {
    fprintf(stderr, "export %s not found\n", name);
    ++failures;
  }
  return p;
}

static void put_u32(uint8_t* at, uint32_t v) {
  at[0] = (uint8_t)v;
  at[1] = (uint8_t)(v >> 8);
  at[2] = (uint8_t)(v >> 16);
  at[3] = (uint8_t)(v >> 24);
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: host EXPORTS_LIST WORK_FOLDER\n");
    return 2;
  }
  CHECK(GetModuleHandleA("Molvaren.dll") == NULL);
  HMODULE first = LoadLibraryA("Molvaren.dll");
  HMODULE second = LoadLibraryA("Molvaren.dll");
  if (first == NULL || second == NULL) {
    fprintf(stderr, "LoadLibraryA failed: %lu\n", (unsigned long)GetLastError());
    return 1;
  }
  CHECK(first == second);

  /* Every listed export is there under its plain name. */
  FILE* list = fopen(argv[1], "r");
  CHECK(list != NULL);
  int listed = 0;
  char line[256];
  while (list != NULL && fgets(line, sizeof line, list) != NULL) {
    line[strcspn(line, "\r\n")] = '\0';
    if (strncmp(line, "Mlvr_", 5) != 0) continue;
    Need(first, line);
    ++listed;
  }
  if (list != NULL) fclose(list);
  CHECK(listed >= 15);
  CHECK(GetProcAddress(first, "DllMain") == NULL);

  AppendFn append = (AppendFn)(void (*)(void))Need(first, "Mlvr_PathInfo_PathNodeAppend");
  GuidFn guid = (GuidFn)(void (*)(void))Need(first, "Mlvr_PathInfo_AssignGUID");
  UnpackFn unpack = (UnpackFn)(void (*)(void))Need(first, "Mlvr_PathInfoArray_Unpack");
  FreeFn freeList = (FreeFn)(void (*)(void))Need(first, "Mlvr_PathInfoArray_Free");
  OpenSaveFn openSave = (OpenSaveFn)(void (*)(void))Need(first, "Mlvr_OpenSavePathInfo");
  if (failures != 0) return 1;

  /* The two lines that a node append with null arguments always writes; the
   * harness reads them from the debug-string channel. */
  CHECK(append(NULL, NULL, 0, 0) == 0);

  /* A list of one empty path, as a packed buffer built by hand; the library
   * allocates it, the host edits it through exports and saves and reopens
   * it, and only the library releases it. */
  uint8_t buffer[88 + 528];
  memset(buffer, 0, sizeof buffer);
  put_u32(buffer, 88);
  put_u32(buffer + 56, 1);
  put_u32(buffer + 88, 528);
  put_u32(buffer + 88 + 404, 0xFFFFFFFFu);
  put_u32(buffer + 88 + 408, 0xFFFFFFFFu);
  put_u32(buffer + 88 + 516, 401);
  put_u32(buffer + 88 + 520, 20);
  _PATH_INFO_ARRAY_* paths = NULL;
  CHECK(unpack(buffer, sizeof buffer, &paths) == 1);
  if (paths == NULL || paths->nNumOfPathInfos != 1) return 1;
  _PATH_INFO_* path = paths->ppPathInfos[0];
  CHECK(guid(path) == 1);
  CHECK(strlen(path->szGUID) == 38 && path->szGUID[0] == '{');
  _PATH_NODE_ nodes[2];
  memset(nodes, 0, sizeof nodes);
  nodes[0].dwSize = nodes[1].dwSize = 60;
  nodes[0].fXPos = 0.25f;
  nodes[1].fXPos = 0.75f;
  CHECK(append(path, nodes, 2, 0) == 1);

  char file[MAX_PATH];
  snprintf(file, sizeof file, "%s\\host.otp", argv[2]);
  CHECK(openSave(file, 1, &paths) == 1);
  _PATH_INFO_ARRAY_* back = NULL;
  CHECK(openSave(file, 0, &back) == 1);
  CHECK(back != NULL && back->nNumOfPathInfos == 1);
  if (back != NULL && back->nNumOfPathInfos == 1) {
    CHECK(strcmp(back->ppPathInfos[0]->szGUID, path->szGUID) == 0);
    CHECK(back->ppPathInfos[0]->nTotalPathNodeNum == 2);
    CHECK(back->ppPathInfos[0]->pPathNodes[1].fXPos == 0.75f);
  }
  CHECK(freeList(&back) == 1 && back == NULL);
  CHECK(freeList(&paths) == 1 && paths == NULL);
  DeleteFileA(file);

  CHECK(FreeLibrary(second));
  CHECK(GetModuleHandleA("Molvaren.dll") == first); /* still loaded once more */
  CHECK(FreeLibrary(first));
  CHECK(GetModuleHandleA("Molvaren.dll") == NULL);
  if (failures == 0) printf("host: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
