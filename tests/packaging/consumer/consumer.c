/* A host built against an installed Molvaren: unpacks a one-path list made
 * by hand and packs it again. */
#include <stdio.h>
#include <string.h>

#include <molvaren/molvaren.h>

int main(void) {
  /* A header of 88 bytes naming one path, a path record of 528 bytes. */
  uint8_t stream[88 + 528];
  _PATH_INFO_ARRAY_* list = NULL;
  UINT size = 0;
  memset(stream, 0, sizeof stream);
  stream[0] = 88;
  stream[56] = 1;
  stream[88] = 0x10;
  stream[89] = 0x02;
  if (Mlvr_PathInfoArray_Unpack(stream, sizeof stream, &list) != 1 || list == NULL) return 1;
  if (Mlvr_PathInfoArray_Pack(&list, NULL, &size) != 1 || size != sizeof stream) return 2;
  Mlvr_PathInfoArray_Free(&list);
  printf("consumer: unpacked and measured %u bytes\n", (unsigned)size);
  return 0;
}
