/* A host built against an installed Molvaren: unpacks a one-path list made
 * by hand, appends a node, packs it and unpacks the result again. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <molvaren/molvaren.h>

static void put_u32(uint8_t* at, uint32_t v) {
  at[0] = (uint8_t)v;
  at[1] = (uint8_t)(v >> 8);
  at[2] = (uint8_t)(v >> 16);
  at[3] = (uint8_t)(v >> 24);
}

int main(void) {
  uint8_t stream[88 + 528];
  _PATH_INFO_ARRAY_* list = NULL;
  _PATH_INFO_ARRAY_* back = NULL;
  _PATH_NODE_ node;
  uint8_t* buffer;
  UINT size = 0;
  int ok;

  /* A header with one path, a path record of 528 bytes without nodes. */
  memset(stream, 0, sizeof stream);
  put_u32(stream, 88);
  put_u32(stream + 56, 1);
  put_u32(stream + 88, 528);
  if (Mlvr_PathInfoArray_Unpack(stream, sizeof stream, &list) != 1 || list == NULL) return 1;

  memset(&node, 0, sizeof node);
  node.dwSize = sizeof node;
  node.fXPos = 0.5f;
  if (Mlvr_PathInfo_PathNodeAppend(list->ppPathInfos[0], &node, 1, 0) != 1) return 2;
  if (Mlvr_PathInfoArray_Pack(&list, NULL, &size) != 1 || size != 88 + 528 + 60) return 3;
  buffer = (uint8_t*)malloc(size);
  if (buffer == NULL) return 4;
  ok = Mlvr_PathInfoArray_Pack(&list, buffer, &size) == 1 &&
       Mlvr_PathInfoArray_Unpack(buffer, size, &back) == 1 && back != NULL &&
       back->nNumOfPathInfos == 1 && back->ppPathInfos[0]->nTotalPathNodeNum == 1 &&
       back->ppPathInfos[0]->pPathNodes[0].fXPos == 0.5f;
  free(buffer);
  Mlvr_PathInfoArray_Free(&list);
  Mlvr_PathInfoArray_Free(&back);
  if (!ok) return 5;
  printf("consumer: packed and unpacked %u bytes\n", (unsigned)size);
  return 0;
}
