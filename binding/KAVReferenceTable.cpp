// The module image as static data: header, attribute records, one
// reference entry per row of KAVRoutines.def, and the resolver cell.
#include "KAVReferenceTable.h"

#include <cstddef>

extern "C" KAVReferenceEntry* kavsybnd(KAVReferenceEntry* iEntry);

namespace {

#ifndef KAV_BUILD_STAMP
#define KAV_BUILD_STAMP "0000.00000.00.00"
#endif
#ifndef KAV_TIMSTAMP
#define KAV_TIMSTAMP "00/00/00 00.00.00"
#endif

constexpr int kFieldWidth = 8;
using kavabi::PutField;

template <int N>
constexpr KAVAttributeRecord<N> MakeRecord(void* next, const char* key,
                                           const char* value, int length) {
  KAVAttributeRecord<N> record{};
  record.next = next;
  PutField(record.key, key, kFieldWidth);
  record.length = length;
  for (int i = 0; i < length; ++i) record.value[i] = value[i];
  return record;
}

constexpr KAVModuleHeader MakeHeader() {
  KAVModuleHeader header{};
  PutField(header.buildStamp, KAV_BUILD_STAMP, 16);
  header.flags[0] = 2;
  header.chainAnchor = &kavModuleImage.header.firstAttribute;
  header.firstAttribute = &kavModuleImage.timstamp;
  PutField(header.binderBlock.name, "BINDER", kFieldWidth);
  header.binderBlock.length = sizeof(KAVBinderBlock);
  header.binderBlock.flags = 0x80000000u;
  header.binderBlock.entryCount = &kavModuleImage.header.entryCount;
  header.binderBlock.binder = &kavsybnd;
  header.entryCount = KAV_ROUTINE_COUNT;
  return header;
}

constexpr char kModuleName[] = "T4711BAS";
constexpr char kProductBytes[8] = {0x47, 0x11, 0x00, 0x01,
                                   0x00, 0x00, 0x00, 0x00};

}  // namespace

extern "C" {

__attribute__((visibility("hidden"))) KAVModuleImage kavModuleImage = {
    MakeHeader(),
    MakeRecord<17>(&kavModuleImage.loginame, "TIMSTAMP", KAV_TIMSTAMP, 17),
    MakeRecord<8>(&kavModuleImage.mdfname, "LOGINAME", kModuleName, 8),
    MakeRecord<8>(&kavModuleImage.loadname, "MDFNAME", kModuleName, 8),
    MakeRecord<8>(&kavModuleImage.prodname, "LOADNAME", kModuleName, 8),
    MakeRecord<8>(nullptr, "PRODNAME", kProductBytes, 8),
    {
#define KAV_ROUTINE(num, name, ret, params, module, library, args)        \
  KAVMakeReferenceEntry(&kavModuleImage.header.emptyCell, #name, #module, \
                        #library),
#include "KAVRoutines.def"
#undef KAV_ROUTINE
    },
    nullptr,
};

}  // extern "C"

// The rows must be numbered 1, 2, 3 ... in order: the stubs address their
// entry by number, the table by position.
namespace {
constexpr int kRowNumbers[] = {
#define KAV_ROUTINE(num, name, ret, params, module, library, args) num,
#include "KAVRoutines.def"
#undef KAV_ROUTINE
};
constexpr bool RowsInOrder() {
  for (int i = 0;
       i < static_cast<int>(sizeof kRowNumbers / sizeof *kRowNumbers); ++i)
    if (kRowNumbers[i] != i + 1) return false;
  return true;
}
#define KAV_ROUTINE(num, name, ret, params, module, library, args)    \
  static_assert(sizeof(#name) - 1 <= 8 && sizeof(#module) - 1 <= 8 && \
                    sizeof(#library) - 1 <= 8,                        \
                "routine, module and library names are 8 characters at most");
#include "KAVRoutines.def"
#undef KAV_ROUTINE
}  // namespace

static_assert(sizeof kRowNumbers / sizeof *kRowNumbers == KAV_ROUTINE_COUNT,
              "KAVRoutines.def must have KAV_ROUTINE_COUNT rows");
static_assert(RowsInOrder(),
              "KAVRoutines.def rows must be numbered 1, 2, 3 ...");
static_assert(sizeof(KAVReferenceEntry) == KAV_ENTRY_SIZE, "entry layout");
static_assert(offsetof(KAVReferenceEntry, routine) == 12, "entry layout");
static_assert(offsetof(KAVReferenceEntry, tail) == 60, "entry layout");
static_assert(offsetof(KAVModuleImage, table) == KAV_TABLE_OFFSET,
              "the stubs address the table at KAV_TABLE_OFFSET");
static_assert(offsetof(KAVModuleImage, header.binderBlock.binder) ==
                  KAV_BINDER_SLOT_OFFSET,
              "the stubs call the binder at KAV_BINDER_SLOT_OFFSET");
static_assert(sizeof(KAVAttributeRecord<17>) % 8 == 0 &&
                  sizeof(KAVAttributeRecord<8>) % 8 == 0,
              "attribute records end on 8-byte boundaries");
