// KAVMfgBaseNLS: national-language names of NC dictionary items (the names
// shown to the user) from their standard names, and back, for four kinds:
// 1 attributes, 2 blocks (both 16-character standard names), 3 classes and
// 4 values (32 characters). The kernel (GNFNL1) translates one way only.
//
// Trace key "KAVMfgBaseNLS"; its trace has no dashed lines. No error is
// reported: a failed translation answers the name given.
//
// State: eight lists, one pair per kind, filled in step: entry i of a
// standard list is a key (standard name blank-padded or cut to the kind's
// width) and entry i of the national list beside it is its translation.
// Entries are only appended, never removed or changed, so the first match
// of a name is the one cached first. They are constructed empty when the
// library is loaded and destroyed when it is unloaded; nothing else ever
// empties them, not even a change of dictionary.
//
// The lists are private: only GetNlsName appends to them. Beside each list
// the library keeps an index from an entry's text to its first position, so
// a lookup costs the same with 100 names cached as with 100,000. An index
// picks up any entries appended since it last looked (and starts over if a
// list got shorter); an entry changed in place would not be seen, which the
// append-only rule above excludes.
#ifndef KAVMfgBaseNLS_h
#define KAVMfgBaseNLS_h

#include "KAVExport.h"
#include "KAVListValKAVUnicodeString.h"
#include "KAVUnicodeString.h"

class ExportedByT4711BAS KAVMfgBaseNLS {
 public:
  KAVMfgBaseNLS();
  KAVMfgBaseNLS(const KAVMfgBaseNLS&);
  KAVMfgBaseNLS& operator=(const KAVMfgBaseNLS&);
  virtual ~KAVMfgBaseNLS();

  // The national-language name of iStdName (blanks around it do not
  // matter) for the kind iType (1 to 4). The kernel is asked once per
  // standard name in the process; its answer, or the name given when it
  // fails, is cached and returned from then on. An empty or all-blank name,
  // and any type outside 1 to 4, answer iStdName unchanged.
  static KAVUnicodeString GetNlsName(const int& iType,
                                     const KAVUnicodeString& iStdName);

  // The standard name whose translation, cached by an earlier GetNlsName,
  // is iNlsName (blanks around it do not matter; the first one cached
  // wins), blank-padded to the kind's width. A name not in the cache
  // answers itself padded or cut to that width. An empty or all-blank
  // name, and any type outside 1 to 4, answer iNlsName unchanged. Never
  // calls the kernel.
  static KAVUnicodeString GetStdName(const int& iType,
                                     const KAVUnicodeString& iNlsName);

  // GetNlsName and GetStdName for one kind.
  static KAVUnicodeString GetAttNlsName(const KAVUnicodeString& iStdName);
  static KAVUnicodeString GetBlkNlsName(const KAVUnicodeString& iStdName);
  static KAVUnicodeString GetClaNlsName(const KAVUnicodeString& iStdName);
  static KAVUnicodeString GetValNlsName(const KAVUnicodeString& iStdName);
  static KAVUnicodeString GetAttStdName(const KAVUnicodeString& iNlsName);
  static KAVUnicodeString GetBlkStdName(const KAVUnicodeString& iNlsName);
  static KAVUnicodeString GetClaStdName(const KAVUnicodeString& iNlsName);
  static KAVUnicodeString GetValStdName(const KAVUnicodeString& iNlsName);

  // Consistency checks and state resets for the library's own fuzzing
  // harness, defined in an internal header; nothing of it is exported.
  struct __attribute__((visibility("hidden"))) Internals;

 private:
  // One kind's pair of lists and their indexes (defined with the lists).
  struct __attribute__((visibility("hidden"))) Cache;

  static KAVListValKAVUnicodeString _MfgAttNlsNames;
  static KAVListValKAVUnicodeString _MfgAttStdNames;
  static KAVListValKAVUnicodeString _MfgBlkNlsNames;
  static KAVListValKAVUnicodeString _MfgBlkStdNames;
  static KAVListValKAVUnicodeString _MfgClaNlsNames;
  static KAVListValKAVUnicodeString _MfgClaStdNames;
  static KAVListValKAVUnicodeString _MfgValNlsNames;
  static KAVListValKAVUnicodeString _MfgValStdNames;
};

#endif
