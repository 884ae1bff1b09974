// The library's journal (or a boundary log, same format) as a picture: the
// Trace Event format that trace viewers open (`t4711 journal FILE
// --trace-events OUT.json`).
#ifndef KAVCliTraceEvents_h
#define KAVCliTraceEvents_h

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// One call of the journal as the picture shows it.
struct KAVCliTracedCall {
  std::string routine;
  long line = 0;                     // of the journal, from 1
  long long ns = 0;                  // in the kernel; 0 when the line says none
  long long thread = 1;              // as the journal numbers threads
  std::vector<std::string> in, out;  // as the line writes them
  nlohmann::json code;               // null for a routine without one
  // The kernel lists the call names (list handles among its inputs) and
  // those it hands out (handles among its outputs, a failed call's left
  // out); whether it ends the lists it names (GUSEND).
  std::vector<long long> used, opened;
  bool ends = false;
};

// The Trace Event document of iCalls, journal iJournal: one complete
// event per call on the track of its thread, tracks named by metadata
// events. The journal holds durations, neither clock times nor the library
// operation that made a call: a thread's calls are laid end to end on its
// track (kernel time), and what the journal does know of an operation,
// the kernel lists it works on, groups calls: a call that hands out lists
// and the calls that use them until the last one (overlapping groups made
// one) are nested under one slice "lists of <routine>". oOperations: the
// number of such slices.
nlohmann::json KAVCliTraceEvents(const std::string& iJournal,
                                 const std::vector<KAVCliTracedCall>& iCalls,
                                 int& oOperations);

#endif
