// The interface between the library and a kernel module KAVSYMB: the
// reference entry a resolver reads and binds, the resolver's type and
// exported name, and the one way an entry is filled. A site's own kernel
// implements `kavsymb` against this header; t4711's pre-flight check fills
// throwaway entries with the same helper the library's image uses, so the
// check shows exactly what the binder will ask.
#ifndef KAVResolverABI_h
#define KAVResolverABI_h

#include <cstdint>

extern "C" {

// One reference entry. The resolver reads the names and writes `cell`: an
// ABI shared with every KAVSYMB module: natural alignment on LP64, nine
// fields in this order, 72 bytes.
struct KAVReferenceEntry {
  void** cell;      // points at the shared empty cell until bound
  int32_t kind;     // 2 in every entry
  char routine[8];  // upper case, blank-padded
  char loadModule[8];
  char listMarker[8];  // "$$LISTE "
  char release[8];     // "R6Q     "
  char library[8];
  char flagA[8];  // "       A"
  char tail[8];   // five blanks, three zero bytes
};

// The resolver a module exports under kKAVResolverSymbol: binds the
// routine named in the entry by pointing `cell` at a cell holding the
// routine's address, or leaves the entry as it was for a name it does not
// know.
typedef void (*KAVResolverFunction)(KAVReferenceEntry*);

}  // extern "C"

constexpr char kKAVResolverSymbol[] = "kavsymb";

namespace kavabi {

// Copies exactly `width` characters of `text` into `out`, padding with
// `filler` once the text ends. No terminator is written.
constexpr void PutField(char* out, const char* text, int width,
                        char filler = ' ') {
  int i = 0;
  for (; i < width && text[i] != '\0'; ++i) out[i] = text[i];
  for (; i < width; ++i) out[i] = filler;
}

}  // namespace kavabi

// An unbound entry for one routine, its cell pointing at iEmptyCell. The
// names are cut or blank-padded to their 8 characters.
constexpr KAVReferenceEntry KAVMakeReferenceEntry(void** iEmptyCell,
                                                  const char* iRoutine,
                                                  const char* iModule,
                                                  const char* iLibrary) {
  KAVReferenceEntry entry{};
  entry.cell = iEmptyCell;
  entry.kind = 2;
  kavabi::PutField(entry.routine, iRoutine, 8);
  kavabi::PutField(entry.loadModule, iModule, 8);
  kavabi::PutField(entry.listMarker, "$$LISTE ", 8);
  kavabi::PutField(entry.release, "R6Q", 8);
  kavabi::PutField(entry.library, iLibrary, 8);
  kavabi::PutField(entry.flagA, "       A", 8);
  kavabi::PutField(entry.tail, "     ", 8, '\0');
  return entry;
}

#endif
