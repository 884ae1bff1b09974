// KAVCollec: what the collections share, the memory-handling mode of
// RemoveAll.
#ifndef KAVCollec_h
#define KAVCollec_h

#include "KAVPlatformExport.h"

class KAV_PLATFORM_API KAVCollec {
 public:
  // RemoveAll(KeepMemory) empties a collection and keeps its storage for the
  // next appends; RemoveAll(ReleaseMemory), the mode 1 the library uses,
  // empties it and gives its items and storage back. Any other mode value
  // behaves as KeepMemory.
  enum MemoryHandling { KeepMemory = 0, ReleaseMemory = 1 };
};

#endif
