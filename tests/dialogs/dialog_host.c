/* A host that shows the library's file dialog, for the real-window tests:
 * a script answers the window and then looks at what the host reports and
 * at the files.
 *
 *   dialog_host make N FILE   writes a list of N paths to FILE (no dialog)
 *   dialog_host save FILE     reads FILE, then shows the save dialog
 *   dialog_host open [OUT]    shows the open dialog; writes what it read to OUT
 *
 * Prints "result R paths N" (N is -1 when the host holds no list) and exits 0
 * when the calls themselves behaved. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "molvaren/molvaren.h"
#include "tests/support/packed_buffers.h"

enum { kMaxPaths = 8 };

/* N empty paths as a packed buffer, then a few nodes each, so that the
 * saved file has content that a wrong save would change. */
static _PATH_INFO_ARRAY_* make_list(int count) {
  static uint8_t buffer[PACKED_LIST_BYTES + kMaxPaths * PACKED_PATH_BYTES];
  uint8_t one[PACKED_ONE_EMPTY_PATH_BYTES];
  put_one_empty_path(one);
  memcpy(buffer, one, PACKED_LIST_BYTES);
  put_u32(buffer + 56, (uint32_t)count);
  for (int p = 0; p < count; ++p) {
    memcpy(buffer + PACKED_LIST_BYTES + p * PACKED_PATH_BYTES, one + PACKED_LIST_BYTES,
           PACKED_PATH_BYTES);
  }
  _PATH_INFO_ARRAY_* list = NULL;
  UINT bytes = (UINT)(PACKED_LIST_BYTES + count * PACKED_PATH_BYTES);
  if (Mlvr_PathInfoArray_Unpack(buffer, bytes, &list) != 1 || list == NULL) return NULL;
  for (int p = 0; p < count; ++p) {
    _PATH_NODE_ nodes[4];
    put_nodes(nodes, 4, 0, 1, 0.125f * (float)(p + 1), 0.125f);
    if (Mlvr_PathInfo_PathNodeAppend(list->ppPathInfos[p], nodes, 4, 0) != 1) return NULL;
  }
  return list;
}

static int report(int result, const _PATH_INFO_ARRAY_* list) {
  printf("result %d paths %d\n", result, list == NULL ? -1 : list->nNumOfPathInfos);
  fflush(stdout);
  return 0;
}

int main(int argc, char** argv) {
  if (argc >= 4 && strcmp(argv[1], "make") == 0) {
    int count = atoi(argv[2]);
    if (count < 0 || count > kMaxPaths) return 2;
    _PATH_INFO_ARRAY_* list = make_list(count);
    if (list == NULL) return 1;
    int ok = Mlvr_OpenSavePathInfo(argv[3], 1, &list);
    Mlvr_PathInfoArray_Free(&list);
    return ok == 1 ? 0 : 1;
  }
  if (argc >= 3 && strcmp(argv[1], "save") == 0) {
    _PATH_INFO_ARRAY_* list = NULL;
    if (Mlvr_OpenSavePathInfo(argv[2], 0, &list) != 1 || list == NULL) return 1;
    int result = Mlvr_OpenSavePathInfoDialog(1, &list, NULL);
    report(result, list);
    Mlvr_PathInfoArray_Free(&list);
    return 0;
  }
  if (argc >= 2 && strcmp(argv[1], "open") == 0) {
    _PATH_INFO_ARRAY_* list = NULL;
    int result = Mlvr_OpenSavePathInfoDialog(0, &list, NULL);
    report(result, list);
    int ok = 1;
    if (list != NULL && argc >= 3) ok = Mlvr_OpenSavePathInfo(argv[2], 1, &list);
    Mlvr_PathInfoArray_Free(&list);
    return ok == 1 ? 0 : 1;
  }
  fprintf(stderr, "usage: dialog_host make N FILE | save FILE | open [OUT]\n");
  return 2;
}
