// The kernel-call journal: with T4711_JOURNAL set, every kernel call the
// library makes is written as one line (KAVCallLog.h) to a file ("-":
// standard error; "json:FILE" or "json:-": JSON lines).
#ifndef KAVJournal_h
#define KAVJournal_h

#include "KAVResolverABI.h"

// Called by the binder, under its lock, once the resolver has bound the
// entry of routine iRow (0-based). Reads T4711_JOURNAL at the first call.
// With the journal on, keeps the cell the kernel answered and points the
// entry at the journaling thunk of the routine, whose cell this library
// owns: the kernel's own cells are never written. Off, it does nothing.
void KAVJournalInterpose(KAVReferenceEntry* ioEntry, int iRow);

#endif
