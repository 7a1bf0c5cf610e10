/* Records written byte by byte, as a host that knows only the record layout
 * writes them. Plain C11 without platform calls, shared by the C hosts. */
#ifndef MOLVAREN_TESTS_SUPPORT_PACKED_BUFFERS_H_
#define MOLVAREN_TESTS_SUPPORT_PACKED_BUFFERS_H_

#include <stdint.h>
#include <string.h>

#include "molvaren/molvaren.h"

/* A packed list header, a stored path record and a node record. */
#define PACKED_LIST_BYTES 88
#define PACKED_PATH_BYTES 528
#define PACKED_NODE_BYTES 60
#define PACKED_ONE_EMPTY_PATH_BYTES (PACKED_LIST_BYTES + PACKED_PATH_BYTES)

static inline void put_u32(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = (uint8_t)(v >> (8 * i));
}

/* A packed list of one path without nodes: no in or out frame, track type
 * 401 and track parameter 20. */
static inline void put_one_empty_path(uint8_t buffer[PACKED_ONE_EMPTY_PATH_BYTES]) {
  memset(buffer, 0, PACKED_ONE_EMPTY_PATH_BYTES);
  put_u32(buffer, PACKED_LIST_BYTES);
  put_u32(buffer + 56, 1);
  uint8_t* path = buffer + PACKED_LIST_BYTES;
  put_u32(path, PACKED_PATH_BYTES);
  put_u32(path + 404, 0xFFFFFFFFu);
  put_u32(path + 408, 0xFFFFFFFFu);
  put_u32(path + 516, 401);
  put_u32(path + 520, 20);
}

/* n nodes at frames frame0, frame0 + frameStep, ... with box centres x0,
 * x0 + xStep, ... at height 0.5, each box 0.125 wide and high. */
static inline void put_nodes(_PATH_NODE_* nodes, int n, int32_t frame0, int32_t frameStep,
                             float x0, float xStep) {
  memset(nodes, 0, sizeof *nodes * (size_t)n);
  for (int i = 0; i < n; ++i) {
    nodes[i].dwSize = PACKED_NODE_BYTES;
    nodes[i].nFrameIndex = frame0 + frameStep * i;
    nodes[i].fXPos = x0 + xStep * (float)i;
    nodes[i].fYPos = 0.5f;
    nodes[i].fWidth = nodes[i].fHeight = 0.125f;
  }
}

#endif /* MOLVAREN_TESTS_SUPPORT_PACKED_BUFFERS_H_ */
