/* A host as an editor would be one: loads Molvaren.dll by name, twice, finds
 * the exports by their plain names, calls them across the DLL boundary and
 * frees the library again (the last FreeLibrary unloads it). Between the
 * loads and the last FreeLibrary it runs a database session in WORK\Tracks:
 * update, fetch, lookups by identity, import and relink; after each
 * write-back, and after the last FreeLibrary, it reads the index and the
 * path files from disk.
 *
 *   host.exe EXPORTS_LIST WORK_FOLDER
 * Exit status 0 when every check held; each failed check prints a line. */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "molvaren/molvaren.h"
#include "tests/support/packed_buffers.h"

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

/* ---- A database session through the exports only ---------------------- */

typedef int32_t (*StampFn)(_PATH_INFO_*);
typedef int32_t (*GetListFn)(const char*, const char*, _PATH_INFO_ARRAY_**);
typedef int32_t (*UpdateFn)(const char*, const char*, const _PATH_INFO_ARRAY_*);
typedef int32_t (*ByGuidFn)(const char*, const char*, _PATH_INFO_**, char*);
typedef int32_t (*NodeByGuidFn)(const char*, const char*, int32_t, SIZE, float, _PATH_NODE_*,
                                char*, int32_t);
typedef int32_t (*ImportFn)(const char*, const char*, const _PATH_INFO_*, CString*);
typedef int32_t (*RelinkFn)(const char*, const char*, const char*);

#define MEDIA_SIZE 1234
#define PATH_FILE_BYTES(paths, nodes) \
  (46 + PACKED_LIST_BYTES + (paths) * PACKED_PATH_BYTES + (nodes) * PACKED_NODE_BYTES)

static const char* const none[] = {""};

/* What the session leaves behind, for the checks after each FreeLibrary. */
typedef struct Session {
  char db[MAX_PATH];
  char clipKey[MAX_PATH], clip2Key[MAX_PATH], otherKey[MAX_PATH], addedKey[MAX_PATH];
  char clip[MAX_PATH], other[MAX_PATH], added[MAX_PATH]; /* as the host wrote them */
  char g1[39], g2[39], g3[39], g4[39];
  char otherName[39], clip2Name[39], addedName[39];
} Session;

static void lower_copy(char* to, const char* from) {
  size_t i = 0;
  for (; from[i] != '\0'; ++i) to[i] = (char)tolower((unsigned char)from[i]);
  to[i] = '\0';
}

static void write_bytes(const char* name, size_t n) {
  FILE* f = fopen(name, "wb");
  CHECK(f != NULL);
  if (f == NULL) return;
  for (size_t i = 0; i < n; ++i) fputc((int)(i & 0xff), f);
  fclose(f);
}

/* The whole file, NUL-terminated; *n its size. NULL when it cannot be read. */
static char* read_all(const char* name, long* n) {
  FILE* f = fopen(name, "rb");
  if (f == NULL) return NULL;
  fseek(f, 0, SEEK_END);
  *n = ftell(f);
  fseek(f, 0, SEEK_SET);
  char* data = (char*)malloc((size_t)*n + 1);
  if (data != NULL && fread(data, 1, (size_t)*n, f) != (size_t)*n) {
    free(data);
    data = NULL;
  }
  fclose(f);
  if (data != NULL) data[*n] = '\0';
  return data;
}

static int file_exists(const char* folder, const char* base) {
  char name[MAX_PATH];
  snprintf(name, sizeof name, "%s\\%s.otp", folder, base);
  return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
}

static int is_guid_text(const char* s) {
  if (strlen(s) != 38 || s[0] != '{' || s[37] != '}') return 0;
  for (int i = 1; i < 37; ++i) {
    int dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? s[i] != '-' : !(isdigit((unsigned char)s[i]) || (s[i] >= 'A' && s[i] <= 'F')))
      return 0;
  }
  return 1;
}

/* The index must hold exactly these lines, each ended by CR LF. An expected
 * line "DataBaseName=*" takes any GUID text, which is stored in *names (one
 * per such line, in order); "DataBaseName=" followed by text must match. */
static void check_index(const Session* s, const char* const* want, int count, char (*names)[39]) {
  char file[MAX_PATH];
  snprintf(file, sizeof file, "%s\\Molvaren.ini", s->db);
  long n = 0;
  char* text = read_all(file, &n);
  CHECK(text != NULL);
  if (text == NULL) return;
  char* at = text;
  int line = 0;
  int named = 0;
  for (; *at != '\0' && line < count; ++line) {
    char* end = strstr(at, "\r\n");
    CHECK(end != NULL);
    if (end == NULL) break;
    *end = '\0';
    if (strcmp(want[line], "DataBaseName=*") == 0) {
      int ok = strncmp(at, "DataBaseName=", 13) == 0 && is_guid_text(at + 13);
      if (!ok) fprintf(stderr, "index line %d: \"%s\", want a DataBaseName GUID\n", line, at);
      CHECK(ok);
      if (ok) strcpy(names[named], at + 13);
      ++named;
    } else if (strcmp(at, want[line]) != 0) {
      fprintf(stderr, "index line %d: \"%s\", want \"%s\"\n", line, at, want[line]);
      ++failures;
    }
    at = end + 2;
  }
  CHECK(line == count);
  CHECK(*at == '\0'); /* nothing after the last expected line */
  free(text);
}

/* A path file: header text, version 101, the list header, then per path the
 * 528-byte stored record and its nodes. Checks the size, the fixed bytes and
 * the fields the session set (an origin of "" for a path never imported
 * under a new identity). */
static void check_path_file(const Session* s, const char* base, int paths, int nodesEach,
                            const char* const* guids, const char* const* associates,
                            const char* const* origins) {
  static const char head[] = "\x29" "Brask QN 15 Point Tracking Path File Head" "\x65\0\0\0";
  char name[MAX_PATH];
  snprintf(name, sizeof name, "%s\\%s.otp", s->db, base);
  long n = 0;
  char* data = read_all(name, &n);
  CHECK(data != NULL);
  if (data == NULL) return;
  CHECK(n == PATH_FILE_BYTES(paths, paths * nodesEach));
  if (n == PATH_FILE_BYTES(paths, paths * nodesEach)) {
    const unsigned char* b = (const unsigned char*)data;
    CHECK(memcmp(b, head, 46) == 0);
    CHECK(b[46] == 88 && b[47] == 0 && b[46 + 56] == paths);
    for (int i = 0; i < paths; ++i) {
      const unsigned char* rec = b + 46 + 88 + i * (528 + 60 * nodesEach);
      CHECK(rec[0] == 0x10 && rec[1] == 0x02); /* dwSize 528 */
      CHECK(strcmp((const char*)rec + 288, guids[i]) == 0);
      CHECK(strcmp((const char*)rec + 16, associates[i]) == 0);
      CHECK(strcmp((const char*)rec + 468, origins[i]) == 0);
      CHECK(rec[280] == (MEDIA_SIZE & 0xff) && rec[281] == (MEDIA_SIZE >> 8));
      CHECK(rec[412] == nodesEach);
      CHECK(rec[528] == 60 && rec[528 + 4] == 10); /* first node: size, frame 10 */
    }
  }
  free(data);
}

static void check_one_path_file(const Session* s, const char* base, const char* guid,
                                const char* associate) {
  check_path_file(s, base, 1, 2, &guid, &associate, none);
}

/* A list of one path with two nodes, at frames 10 and 30, as the host makes
 * one: from a packed buffer, then through the exports. */
static _PATH_INFO_ARRAY_* make_list(HMODULE dll, const char* associate) {
  UnpackFn unpack = (UnpackFn)(void (*)(void))Need(dll, "Mlvr_PathInfoArray_Unpack");
  GuidFn guid = (GuidFn)(void (*)(void))Need(dll, "Mlvr_PathInfo_AssignGUID");
  StampFn stamp = (StampFn)(void (*)(void))Need(dll, "Mlvr_PathInfo_AssignTimeStamp");
  AppendFn append = (AppendFn)(void (*)(void))Need(dll, "Mlvr_PathInfo_PathNodeAppend");
  uint8_t buffer[PACKED_ONE_EMPTY_PATH_BYTES];
  put_one_empty_path(buffer);
  _PATH_INFO_ARRAY_* list = NULL;
  CHECK(unpack(buffer, sizeof buffer, &list) == 1);
  if (list == NULL || list->nNumOfPathInfos != 1) return list;
  _PATH_INFO_* path = list->ppPathInfos[0];
  CHECK(guid(path) == 1 && stamp(path) == 1 && is_guid_text(path->szGUID));
  snprintf(path->szAssociateFile, sizeof path->szAssociateFile, "%s", associate);
  path->qwAssociateFileSize = MEDIA_SIZE;
  _PATH_NODE_ nodes[2];
  put_nodes(nodes, 2, 10, 20, 0.25f, 0.5f);
  CHECK(append(path, nodes, 2, 1) == 1);
  return list;
}

/* After the relink: Clip-2.mp4 under a new path file, Other.mp4 under the
 * one it had. The first call learns Clip-2.mp4's name, later ones hold the
 * index to it. */
static void check_index_after_relink(Session* s) {
  char k0[MAX_PATH + 16], n1[64], k1[MAX_PATH + 16];
  snprintf(k0, sizeof k0, "AssiciateFile=%s", s->clip2Key);
  snprintf(k1, sizeof k1, "AssiciateFile=%s", s->otherKey);
  snprintf(n1, sizeof n1, "DataBaseName=%s", s->otherName);
  const char* lines[] = {"[File_0]", k0, "DataBaseName=*", "[File_1]", k1, n1,
                         "[Setting]", "NumOfFiles=2"};
  char names[1][39] = {""};
  check_index(s, lines, 8, names);
  if (s->clip2Name[0] == '\0') strcpy(s->clip2Name, names[0]);
  CHECK(strcmp(s->clip2Name, names[0]) == 0);
  check_one_path_file(s, s->clip2Name, s->g1, s->clip);
}

/* Other.mp4's two paths: the one imported under its own identity, and the
 * copy of Clip.MP4's path that remembers it. */
static void check_other_path_file(const Session* s) {
  const char* guids[] = {s->g2, s->g3};
  const char* assocs[] = {s->other, s->other};
  const char* origins[] = {"", s->g1};
  check_path_file(s, s->otherName, 2, 2, guids, assocs, origins);
}

/* After the last unload: Added.mp4 sorts first, so the sections are
 * renumbered; the platform appends File_2, new to the file, at its end. */
static void check_index_after_unload(Session* s) {
  char k0[MAX_PATH + 16], k1[MAX_PATH + 16], n1[64], k2[MAX_PATH + 16], n2[64];
  snprintf(k0, sizeof k0, "AssiciateFile=%s", s->addedKey);
  snprintf(k1, sizeof k1, "AssiciateFile=%s", s->clip2Key);
  snprintf(n1, sizeof n1, "DataBaseName=%s", s->clip2Name);
  snprintf(k2, sizeof k2, "AssiciateFile=%s", s->otherKey);
  snprintf(n2, sizeof n2, "DataBaseName=%s", s->otherName);
  const char* lines[] = {"[File_0]", k0, "DataBaseName=*", "[File_1]", k1, n1,
                         "[Setting]", "NumOfFiles=3", "[File_2]", k2, n2};
  char names[1][39] = {""};
  check_index(s, lines, 11, names);
  strcpy(s->addedName, names[0]);
  check_one_path_file(s, s->addedName, s->g4, s->added);
  check_one_path_file(s, s->clip2Name, s->g1, s->clip);
  check_other_path_file(s);
  /* Nothing else: the path file of Clip.MP4 went with the relink. */
  char pattern[MAX_PATH];
  snprintf(pattern, sizeof pattern, "%s\\*.otp", s->db);
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA(pattern, &found);
  int count = 0;
  if (h != INVALID_HANDLE_VALUE) {
    do ++count;
    while (FindNextFileA(h, &found));
    FindClose(h);
  }
  CHECK(count == 3);
}

static void run_session(HMODULE dll, const char* work, Session* s) {
  GetListFn get = (GetListFn)(void (*)(void))Need(dll, "Mlvr_DataBase_GetPathInfoArrayByAssociateFileName");
  UpdateFn update = (UpdateFn)(void (*)(void))Need(dll, "Mlvr_DataBase_UpdatePathInfoArrayByAssociateFileName");
  ByGuidFn byGuid = (ByGuidFn)(void (*)(void))Need(dll, "Mlvr_DataBase_GetPathInfoByGUID");
  NodeByGuidFn nodeByGuid = (NodeByGuidFn)(void (*)(void))Need(dll, "Mlvr_DataBase_GetPathNodeByGUID");
  ImportFn import = (ImportFn)(void (*)(void))Need(dll, "Mlvr_DataBase_ImportPathInfo");
  RelinkFn relink = (RelinkFn)(void (*)(void))Need(dll, "Mlvr_DataBase_RelinkAssociateFile");
  FreeFn freeList = (FreeFn)(void (*)(void))Need(dll, "Mlvr_PathInfoArray_Free");
  OpenSaveFn openSave = (OpenSaveFn)(void (*)(void))Need(dll, "Mlvr_OpenSavePathInfo");
  if (failures != 0) return;

  char media[MAX_PATH], clip2[MAX_PATH], missing[MAX_PATH];
  char* other = s->other;
  char* added = s->added;
  char source[MAX_PATH], sourceFile[MAX_PATH], assoc[260];
  snprintf(s->db, sizeof s->db, "%s\\Tracks", work);
  snprintf(media, sizeof media, "%s\\Media", work);
  snprintf(s->clip, sizeof s->clip, "%s\\Clip.MP4", media);
  snprintf(clip2, sizeof clip2, "%s\\Clip-2.mp4", media);
  snprintf(other, sizeof s->other, "%s\\Other.mp4", media);
  snprintf(added, sizeof s->added, "%s\\Added.mp4", media);
  snprintf(missing, sizeof missing, "%s\\Missing.mp4", media);
  snprintf(source, sizeof source, "%s\\Source", work);
  snprintf(sourceFile, sizeof sourceFile, "%s\\imported.otp", source);
  lower_copy(s->clipKey, s->clip);
  lower_copy(s->clip2Key, clip2);
  lower_copy(s->otherKey, other);
  lower_copy(s->addedKey, added);
  CHECK(CreateDirectoryA(media, NULL) && CreateDirectoryA(source, NULL));
  write_bytes(s->clip, MEDIA_SIZE);
  write_bytes(clip2, MEDIA_SIZE);

  /* Update, then fetch by the name in other letter case: a deep copy. */
  _PATH_INFO_ARRAY_* mine = make_list(dll, s->clip);
  if (mine == NULL || mine->nNumOfPathInfos != 1) return;
  strcpy(s->g1, mine->ppPathInfos[0]->szGUID);
  CHECK(update(s->db, s->clip, mine) == 1);
  _PATH_INFO_ARRAY_* got = NULL;
  CHECK(get(s->db, s->clipKey, &got) == 1);
  CHECK(got != NULL && got != mine && got->nNumOfPathInfos == 1);
  if (got != NULL && got->nNumOfPathInfos == 1) {
    CHECK(strcmp(got->ppPathInfos[0]->szGUID, s->g1) == 0);
    CHECK(got->ppPathInfos[0]->nTotalPathNodeNum == 2);
  }
  got = NULL;
  CHECK(get(s->db, other, &got) == 1 && got == NULL); /* not known yet */

  /* By identity: the path and its associate key; the box at frame 20 lies
   * halfway, the node's other fields stay the caller's. */
  _PATH_INFO_* found = NULL;
  memset(assoc, 0, sizeof assoc);
  CHECK(byGuid(s->db, s->g1, &found, assoc) == 1);
  CHECK(found != NULL && strcmp(found->szGUID, s->g1) == 0);
  CHECK(strcmp(assoc, s->clipKey) == 0);
  char lowerGuid[39];
  lower_copy(lowerGuid, s->g1);
  CHECK(byGuid(s->db, lowerGuid, &found, NULL) == 0);
  _PATH_NODE_ node;
  memset(&node, 0, sizeof node);
  node.nFrameIndex = 999;
  SIZE full = {1920, 1080};
  CHECK(nodeByGuid(s->db, s->g1, 20, full, 0.0f, &node, NULL, 0) == 1);
  CHECK(node.fXPos == 0.5f && node.fYPos == 0.5f && node.fWidth == 0.125f);
  CHECK(node.nFrameIndex == 999);

  /* Import a path from a path file in another folder into Other.mp4, which
   * has no list: it keeps its identity. Then import the path of Clip.MP4
   * there too: a copy under a new identity, its origin the source's. */
  _PATH_INFO_ARRAY_* theirs = make_list(dll, "D:\\Elsewhere\\source.mp4");
  if (theirs == NULL || theirs->nNumOfPathInfos != 1) return;
  strcpy(s->g2, theirs->ppPathInfos[0]->szGUID);
  CHECK(openSave(sourceFile, 1, &theirs) == 1);
  CHECK(freeList(&theirs) == 1);
  CHECK(openSave(sourceFile, 0, &theirs) == 1);
  if (theirs == NULL || theirs->nNumOfPathInfos != 1) return;
  CString identity = {NULL};
  CHECK(import(s->db, other, theirs->ppPathInfos[0], &identity) == 1);
  CHECK(identity.m_pszData != NULL && strcmp(identity.m_pszData, s->g2) == 0);
  CHECK(import(s->db, other, mine->ppPathInfos[0], &identity) == 1);
  CHECK(identity.m_pszData != NULL && is_guid_text(identity.m_pszData));
  if (identity.m_pszData != NULL) strcpy(s->g3, identity.m_pszData);
  CHECK(strcmp(s->g3, s->g1) != 0 && strcmp(s->g3, s->g2) != 0);
  free(identity.m_pszData);
  got = NULL;
  CHECK(get(s->db, other, &got) == 1);
  CHECK(got != NULL && got->nNumOfPathInfos == 2);
  if (got != NULL && got->nNumOfPathInfos == 2) {
    CHECK(strcmp(got->ppPathInfos[0]->szGUID, s->g2) == 0);
    CHECK(strcmp(got->ppPathInfos[1]->szGUID, s->g3) == 0);
    CHECK(strcmp(got->ppPathInfos[1]->szOriginGUID, s->g1) == 0);
    CHECK(strcmp(got->ppPathInfos[1]->szAssociateFile, other) == 0);
  }

  /* The import wrote the folder back: both entries in key order. */
  char names[3][39];
  const char* const afterImport[] = {
      "[File_0]", "", "DataBaseName=*", "[File_1]", "", "DataBaseName=*",
      "[Setting]", "NumOfFiles=2"};
  char key0[MAX_PATH + 16], key1[MAX_PATH + 16];
  snprintf(key0, sizeof key0, "AssiciateFile=%s", s->clipKey);
  snprintf(key1, sizeof key1, "AssiciateFile=%s", s->otherKey);
  const char* lines[8];
  memcpy(lines, afterImport, sizeof lines);
  lines[1] = key0;
  lines[4] = key1;
  memset(names, 0, sizeof names);
  check_index(s, lines, 8, names);
  char clipName[39];
  strcpy(clipName, names[0]);
  strcpy(s->otherName, names[1]);
  check_one_path_file(s, clipName, s->g1, s->clip);

  /* Relink: refused for a file that does not exist, then Clip.MP4 moves to
   * Clip-2.mp4 (same size): the list unchanged, under a new path file. */
  CHECK(relink(s->db, s->clip, missing) == 0);
  CHECK(relink(s->db, s->clip, clip2) == 1);
  got = NULL;
  CHECK(get(s->db, s->clip, &got) == 1 && got == NULL);
  CHECK(get(s->db, clip2, &got) == 1);
  CHECK(got != NULL && got->nNumOfPathInfos == 1);
  if (got != NULL && got->nNumOfPathInfos == 1) {
    CHECK(strcmp(got->ppPathInfos[0]->szGUID, s->g1) == 0);
    CHECK(strcmp(got->ppPathInfos[0]->szAssociateFile, s->clip) == 0);
  }
  CHECK(!file_exists(s->db, clipName));
  check_index_after_relink(s);
  check_other_path_file(s);

  /* One more list, in memory only until the library is unloaded. */
  _PATH_INFO_ARRAY_* later = make_list(dll, added);
  if (later != NULL && later->nNumOfPathInfos == 1) strcpy(s->g4, later->ppPathInfos[0]->szGUID);
  CHECK(update(s->db, added, later) == 1);
  CHECK(freeList(&later) == 1 && later == NULL);
  CHECK(freeList(&theirs) == 1);
  CHECK(freeList(&mine) == 1);
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: host EXPORTS_LIST WORK_FOLDER\n");
    return 2;
  }
  CHECK(GetModuleHandleA("Molvaren.dll") == NULL);
  Session session;
  memset(&session, 0, sizeof session);
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
  if (failures != 0) return 1;

  /* The two lines that a node append with null arguments always writes; the
   * harness reads them from the debug-string channel. */
  CHECK(append(NULL, NULL, 0, 0) == 0);

  run_session(first, argv[2], &session);

  /* The first FreeLibrary only counts down: the database object lives on
   * and nothing more is written. The last one writes the folder back. */
  CHECK(FreeLibrary(second));
  CHECK(GetModuleHandleA("Molvaren.dll") == first); /* still loaded once more */
  check_index_after_relink(&session);
  CHECK(!file_exists(session.db, session.addedName));
  CHECK(FreeLibrary(first));
  CHECK(GetModuleHandleA("Molvaren.dll") == NULL);
  check_index_after_unload(&session);
  if (failures == 0) printf("host: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
