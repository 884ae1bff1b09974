// The library's journal: with T4711_JOURNAL set, every kernel call the
// library makes is written as one line (KAVCallLog.h) to a file ("-":
// standard error; "json:FILE" or "json:-": JSON lines).
#ifndef KAVJournal_h
#define KAVJournal_h

#include "KAVResolverABI.h"

// Called by the binder, under its lock, once the resolver has answered
// iKernelCell for routine iRow (0-based); returns the cell the entry is to
// lead to. Reads T4711_JOURNAL at the first call. With the journal on,
// keeps the kernel's cell and returns the cell of the routine's journaling
// thunk, which this library owns: the kernel's own cells are never
// written. Off, it returns the kernel's cell.
void** KAVJournalCell(void** iKernelCell, int iRow);

// Tells the journal, on the calling thread, that the record argument of
// this thread's next GUSREA or GUSPUS has iBytes of storage. The routine's
// thunk only sees a void*, and the list width a kernel answered is no
// measure of the caller's buffer: the list helpers, which own the record,
// say how large it is, and the line shows no more of it. A record the
// journal was told nothing about is shown by the list's width. Costs one
// test when the journal is off.
void KAVJournalRecordBytes(int iBytes);

#endif
