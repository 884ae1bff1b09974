/* Layout constants of the module image shared by C++ and the call stubs.
 * Only #defines: KAVStubs.S includes this file through the C preprocessor.
 * KAVReferenceTable.cpp checks every value against the C++ structures. */
#ifndef KAVBindingLayout_h
#define KAVBindingLayout_h

/* Number of rows of KAVRoutines.def. */
#define KAV_ROUTINE_COUNT 75

/* One reference entry on LP64: cell pointer, kind, seven 8-byte fields. */
#define KAV_ENTRY_SIZE 72

/* Offsets inside the module image (struct KAVModuleImage). */
#define KAV_BINDER_SLOT_OFFSET 104
#define KAV_TABLE_OFFSET 312

/* Address of reference entry number n (1-based), as an assembler
 * expression relative to the image symbol. */
#define KAV_ENTRY(n) \
  kavModuleImage + KAV_TABLE_OFFSET + ((n)-1) * KAV_ENTRY_SIZE
#define KAV_BINDER_SLOT kavModuleImage + KAV_BINDER_SLOT_OFFSET

#endif
