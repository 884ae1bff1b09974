// The module image: header, attribute records, the reference table of the
// kernel routines and the resolver cell, laid out as one static object so
// that a resolver walking from the header finds everything in order.
// Private to the library; the entry and resolver types a kernel module
// shares are in KAVResolverABI.h.
#ifndef KAVReferenceTable_h
#define KAVReferenceTable_h

#include <cstdint>

#include "KAVBindingLayout.h"
#include "KAVResolverABI.h"

// Attribute record with a value of N bytes, padded to a multiple of 8.
template <int N>
struct KAVAttributeRecord {
  void* next;
  char key[8];
  int32_t length;
  char value[N];
};

extern "C" {

typedef KAVReferenceEntry* (*KAVBinderFunction)(KAVReferenceEntry*);

// BINDER block of the header. On LP64 its pointers are 8 bytes, so the
// block is 64 bytes long and its length field says so.
struct KAVBinderBlock {
  char name[8];  // "BINDER  "
  int32_t length;
  uint32_t flags;  // 0x80000000
  int32_t zeroA[2];
  const int32_t* entryCount;
  int32_t zeroB[2];
  KAVBinderFunction binder;
  int32_t zeroC[3];
};

struct KAVModuleHeader {
  uintptr_t reserved[3];
  char buildStamp[16];  // "YYYY.DDDHH.MM.SS"
  uint8_t flags[4];     // 2, 0, 0, 0
  void* chainAnchor;    // address of firstAttribute
  void* firstAttribute;
  KAVBinderBlock binderBlock;
  // The stubs read a whole pointer-sized word through an unbound entry's
  // cell pointer, so on LP64 the shared empty cell is 8 bytes of zero.
  void* emptyCell;
  int32_t entryCount;
  int32_t reserved2;
};

struct KAVModuleImage {
  KAVModuleHeader header;
  KAVAttributeRecord<17> timstamp;
  KAVAttributeRecord<8> loginame;
  KAVAttributeRecord<8> mdfname;
  KAVAttributeRecord<8> loadname;
  KAVAttributeRecord<8> prodname;
  KAVReferenceEntry table[KAV_ROUTINE_COUNT];
  KAVResolverFunction resolverCell;  // null until the first bind
};

// The image itself; hidden, read by the stubs and the binder.
extern KAVModuleImage kavModuleImage;

}  // extern "C"

#endif
