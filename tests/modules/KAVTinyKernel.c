/* A kernel of its own, written in C against the reference-entry layout
 * only: it answers the four routines `t4711 tables` calls (GNSLTB, GUSINF,
 * GUSREA, GUSEND) with one list of two 72-character records, one of them
 * holding a byte outside ASCII, and refuses any other kind of table with
 * code 7. Every other routine is left unbound. The replay tests journal a
 * run against it and replay that journal: a journal of any kernel, not
 * only the reference one, must replay. */
#include <stdint.h>
#include <string.h>

struct Entry { /* nine fields in order, natural alignment: 72 bytes */
  void** cell;
  int32_t kind;
  char routine[8];
  char loadModule[8];
  char listMarker[8];
  char release[8];
  char library[8];
  char flagA[8];
  char tail[8];
};

static const char* const kRecords[] = {"TINY_TABLE_ONE", "TINY_TABLE_\xe9T\xe9"};
enum { kHandle = 41, kWidth = 72, kCount = 2 };

static void Gnsltb(int* kind, int* handle, int* ier) {
  *handle = *kind == 1 ? kHandle : 0;
  *ier = *kind == 1 ? 0 : 7;
}

static void Gusinf(int* handle, int* width, int* count, int* ier) {
  *width = kWidth;
  *count = kCount;
  *ier = *handle == kHandle ? 0 : 7;
}

static void Gusrea(int* handle, int* index, void* record, int* ier) {
  if (*handle != kHandle || *index < 1 || *index > kCount) {
    *ier = 7;
    return;
  }
  memset(record, ' ', kWidth);
  memcpy(record, kRecords[*index - 1], strlen(kRecords[*index - 1]));
  *ier = 0;
}

static void Gusend(int* handle, int* ier) { *ier = *handle == kHandle ? 0 : 7; }

static void* gCells[] = {(void*)Gnsltb, (void*)Gusinf, (void*)Gusrea, (void*)Gusend};
static const char kNames[][9] = {"GNSLTB  ", "GUSINF  ", "GUSREA  ", "GUSEND  "};

__attribute__((visibility("default"))) void kavsymb(struct Entry* entry) {
  for (int i = 0; entry != 0 && i < 4; ++i)
    if (memcmp(entry->routine, kNames[i], 8) == 0) entry->cell = &gCells[i];
}
