/* What only a Windows host shows: Molvaren.dll loaded twice by name with one
 * attach count (a thread's notifications not counted), every export found
 * by its plain name, and a list handed to the database written to disk only
 * at the last FreeLibrary. The node append with null arguments writes its
 * debug lines, which host_test.sh reads from the debug-string channel.
 *
 *   host.exe EXPORTS_LIST WORK_FOLDER
 * Exit status 0 when every check held; each failed check prints a line. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "molvaren/molvaren.h"
#include "tests/support/packed_buffers.h"

static int failures = 0;
#define CHECK(cond)                                                      \
  do {                                                                   \
    if (!(cond)) {                                                       \
      fprintf(stderr, "host.c:%d: check failed: %s\n", __LINE__, #cond); \
      ++failures;                                                        \
    }                                                                    \
  } while (0)

typedef int32_t (*AppendFn)(_PATH_INFO_*, const _PATH_NODE_*, int32_t, BOOL);
typedef int32_t (*UnpackFn)(const uint8_t*, UINT, _PATH_INFO_ARRAY_**);
typedef int32_t (*FreeFn)(_PATH_INFO_ARRAY_**);
typedef int32_t (*UpdateFn)(const char*, const char*, const _PATH_INFO_ARRAY_*);

static FARPROC Need(HMODULE dll, const char* name) {
  FARPROC p = GetProcAddress(dll, name);
  if (p == NULL) {
    fprintf(stderr, "export %s not found\n", name);
    ++failures;
  }
  return p;
}

static DWORD WINAPI idle(LPVOID unused) {
  (void)unused;
  return 0;
}

static int exists(const char* name) { return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES; }

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
  /* A thread's start and end reach DllMain too, and must not count. */
  HANDLE thread = CreateThread(NULL, 0, idle, NULL, 0, NULL);
  CHECK(thread != NULL && WaitForSingleObject(thread, INFINITE) == WAIT_OBJECT_0);
  if (thread != NULL) CloseHandle(thread);

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
  CHECK(listed == 30);
  CHECK(GetProcAddress(first, "DllMain") == NULL);

  AppendFn append = (AppendFn)(void (*)(void))Need(first, "Mlvr_PathInfo_PathNodeAppend");
  UnpackFn unpack = (UnpackFn)(void (*)(void))Need(first, "Mlvr_PathInfoArray_Unpack");
  FreeFn freeList = (FreeFn)(void (*)(void))Need(first, "Mlvr_PathInfoArray_Free");
  UpdateFn update =
      (UpdateFn)(void (*)(void))Need(first, "Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName");
  if (failures != 0) return 1;
  CHECK(append(NULL, NULL, 0, 0) == 0);

  /* One path of two nodes, handed to the database in WORK\Tracks. */
  char db[MAX_PATH], media[MAX_PATH], index[MAX_PATH];
  snprintf(db, sizeof db, "%s\\Tracks", argv[2]);
  snprintf(media, sizeof media, "%s\\Clip.mp4", argv[2]);
  snprintf(index, sizeof index, "%s\\Molvaren.ini", db);
  uint8_t buffer[PACKED_ONE_EMPTY_PATH_BYTES];
  put_one_empty_path(buffer);
  _PATH_INFO_ARRAY_* paths = NULL;
  CHECK(unpack(buffer, sizeof buffer, &paths) == 1);
  if (paths == NULL || paths->nNumOfPathInfos != 1) return 1;
  _PATH_NODE_ nodes[2];
  put_nodes(nodes, 2, 10, 20, 0.25f, 0.5f);
  CHECK(append(paths->ppPathInfos[0], nodes, 2, 1) == 1);
  CHECK(update(db, media, paths) == 1);
  CHECK(freeList(&paths) == 1 && paths == NULL);

  /* The first FreeLibrary only counts down: nothing is written yet. */
  CHECK(FreeLibrary(second));
  CHECK(GetModuleHandleA("Molvaren.dll") == first);
  CHECK(!exists(index));
  CHECK(FreeLibrary(first));
  CHECK(GetModuleHandleA("Molvaren.dll") == NULL);

  /* The last one wrote the folder back. */
  CHECK(exists(index));
  if (failures == 0) printf("host: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
