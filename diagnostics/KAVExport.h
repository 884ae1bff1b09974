// Marks what libT4711BAS.so exports: the wrapper classes, the trace
// switches and the C entry points. Everything else stays hidden.
#ifndef KAVExport_h
#define KAVExport_h

#define ExportedByT4711BAS __attribute__((visibility("default")))

#endif
