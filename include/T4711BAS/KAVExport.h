// Marks what libT4711BAS.so exports: the wrapper classes, the trace
// switches and the C entry points. Everything else stays hidden.
#ifndef KAVExport_h
#define KAVExport_h

// Each public header includes this one or its twin (KAVExport.h,
// KAVPlatformExport.h). They need C++17: say so plainly rather than fail
// somewhere inside them.
#if defined(__cplusplus) && __cplusplus < 201703L
#error "T4711BAS needs C++17 or later (-std=c++17)"
#endif

#define ExportedByT4711BAS __attribute__((visibility("default")))

#endif
