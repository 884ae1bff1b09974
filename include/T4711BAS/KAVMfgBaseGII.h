// KAVMfgBaseGII: the application's door to the variables of the kernel's
// GII interactive session, and to the session itself (its error, its
// events, its order).
//
// The kernel knows each GII variable by name and hands out an integer
// identifier for it (GMIQID); every variable operation first turns the
// caller's name, stripped of blanks at both ends, into that identifier
// (GetGIIId) and then calls a GM routine with it. A name reaches the kernel
// unpadded: its characters and, separately, its length.
//
// Trace key: "KAVMfgBaseGII" (MfgBaseDebug). Two reports are printed
// whatever the switch says: the '#' block of a name SetGIIIdList could not
// query, and the warning box of SetGIIOrder in record mode.
//
// Outcomes: the class has no error number. A kernel failure is reported
// into the session itself: SetGIIError writes the code into the integer
// variable "IERZORVEN" and records "OUTER" as an event, which gives the
// session its order. The operations that serve SetGIIError raise nothing
// when their own call fails for one of those two names, so reporting an
// error can never call itself. A failing operation returns its default
// (0, 0.0, empty text, empty list) except where its comment says
// otherwise. With MFGODT "OUI" every operation does nothing and returns its
// default.
//
// State:
//  - _GIINames / _GIIIds: the identifier cache, two parallel lists (entry i
//    of one belongs to entry i of the other). Null at load; created and
//    filled only by SetGIIIdList, destroyed only by ResetGIIIdList. A name
//    given twice is cached twice; a lookup finds the first. Beside them the
//    library keeps an index from a cached name to its first position, so a
//    lookup costs the same with 100 names cached as with 100,000; the lists
//    stay the truth, and the index is rebuilt whenever it disagrees with
//    them.
//  - _BatchInterGII: 1 once an event has been recorded since the order was
//    last given in record mode (GIIBatchRecordV5 "OUI"), else 0.
//
// Buffer flag: the trailing int of every variable operation. With 1 an
// identifier is taken from the cache when the cache holds a non-zero one
// for the name; any other value asks the kernel.
//
// Read buffers and what a kernel can answer:
//  - Every text read (GetGIIStringVariable, GetGIITextVariable,
//    GetGIIPromptVariable, GetGIIVariable) goes through a buffer of 80
//    characters, the width of a GII text in the kernel, blank-filled before
//    the call, with a terminating zero byte past the 80th. GetGIIVariable
//    hands GMIKEY a text length of 0: the kernel learns nothing from it and
//    is relied on to write no more than a GII text's 80 characters.
//  - A returned length is brought into 0..80 before it is used: a kernel
//    saying it wrote 1,000 characters is read as 80, a negative length as
//    none. Nothing is ever read outside a buffer.
//  - SetGIIVariable passes nfield type codes (nfield = number of integer,
//    real and text values): type codes past the nfield-th are not passed,
//    and a field the caller gave no type code for goes with type code 0.
//    Integer and real entries past the caller's values are 0 and 0.0, and
//    every text length is 0.
#ifndef KAVMfgBaseGII_h
#define KAVMfgBaseGII_h

#include "KAVExport.h"
#include "KAVListValKAVUnicodeString.h"
#include "KAVRawColldouble.h"
#include "KAVRawCollint.h"
#include "KAVUnicodeString.h"

class ExportedByT4711BAS KAVMfgBaseGII {
 public:
  KAVMfgBaseGII();
  KAVMfgBaseGII(const KAVMfgBaseGII&);
  KAVMfgBaseGII& operator=(const KAVMfgBaseGII&);
  virtual ~KAVMfgBaseGII();

  // --- Identifier cache and session control -----------------------------

  // Destroys the identifier cache (nothing when there is none).
  static void ResetGIIIdList();
  // The identifier of the variable iName (stripped), or 0. With iBuffer 1
  // a non-zero cached identifier answers; otherwise the kernel is asked,
  // and a failure is raised with SetGIIError (buffer flag 0) unless the
  // name is "IERZORVEN" or "OUTER". Never adds to the cache.
  static int GetGIIId(const KAVUnicodeString& iName, const int iBuffer);
  // Empties the cache (creating it if absent) and caches the identifier of
  // each name the kernel knows, in order, then of "IERZORVEN" and "OUTER"
  // unless already cached. A name the kernel refuses is reported in a '#'
  // block on standard output, the GII error journal is cleared
  // (GUERJO) and the next name is taken.
  static void SetGIIIdList(const KAVListValKAVUnicodeString& iNames);
  // Reports the kernel code iIer into the session: "IERZORVEN" takes the
  // code, "OUTER" is recorded as an event (and the order given).
  static void SetGIIError(const int& iIer, const int iBuffer);
  // Gives the session its order (MRCGII), except when the session runs in
  // batch (LBATCH answers 1) or, in record mode, when no event has been
  // recorded since the last order (a warning box is printed instead).
  static void SetGIIOrder();
  // Records iName as an event, then gives the order. A failure on "OUTER"
  // is ignored.
  static void SetGIIEventVariable(const KAVUnicodeString& iName,
                                  const int iBuffer);
  // The same without giving the order.
  static void SetGIIEventBisVariable(const KAVUnicodeString& iName,
                                     const int iBuffer);
  // Resets the modification state of iName.
  static void ResetGIIVarModifState(const KAVUnicodeString& iName,
                                    const int iBuffer);

  // --- Typed variables --------------------------------------------------

  // Writers. A failure on "IERZORVEN" is ignored by the integer, real and
  // text writers (they serve SetGIIError).
  static void SetGIIIntVariable(const KAVUnicodeString& iName,
                                const int& iValue, const int iBuffer);
  static void SetGIIDoubleVariable(const KAVUnicodeString& iName,
                                   const double& iValue, const int iBuffer);
  static void SetGIIElemVariable(const KAVUnicodeString& iName,
                                 const int& iValue, const int iBuffer);
  // The value stripped at both ends, with its own length.
  static void SetGIIStringVariable(const KAVUnicodeString& iName,
                                   const KAVUnicodeString& iValue,
                                   const int iBuffer);
  // The value stripped, then cut or blank-padded to exactly 80 characters.
  static void SetGIITextVariable(const KAVUnicodeString& iName,
                                 const KAVUnicodeString& iValue,
                                 const int iBuffer);
  // The value as given, blanks included, with its own length.
  static void SetGIIPromptVariable(const KAVUnicodeString& iName,
                                   const KAVUnicodeString& iValue,
                                   const int iBuffer);

  // Readers. A value of another type than the reader's reads as its
  // default, with no error.
  static int GetGIIIntVariable(const KAVUnicodeString& iName,
                               const int iBuffer);
  static double GetGIIDoubleVariable(const KAVUnicodeString& iName,
                                     const int iBuffer);
  // The element value, also after a failure (what the kernel left, 0 if
  // it wrote nothing).
  static int GetGIIElemVariable(const KAVUnicodeString& iName,
                                const int iBuffer);
  // Stripped at both ends.
  static KAVUnicodeString GetGIIStringVariable(const KAVUnicodeString& iName,
                                               const int iBuffer);
  // The 80-character text, stripped; on a failure for "IERZORVEN" the
  // buffer is still converted and returned.
  static KAVUnicodeString GetGIITextVariable(const KAVUnicodeString& iName,
                                             const int iBuffer);
  // The returned length of text, blanks kept; also returned after a
  // failure (which is still raised).
  static KAVUnicodeString GetGIIPromptVariable(const KAVUnicodeString& iName,
                                               const int iBuffer);
  // The integer values of a list variable, in order; other types are
  // skipped. A failure part way returns what was gathered.
  static KAVRawCollint GetGIIIntListVariable(const KAVUnicodeString& iName,
                                             const int iBuffer);

  // --- Queries and erasing ----------------------------------------------

  // The kernel's valued flag (1: the variable holds a value).
  static int IsValuatedGIIVariable(const KAVUnicodeString& iName,
                                   const int iBuffer);
  // 1 when the name is known. With iBuffer 1 only the cache answers (0
  // when there is no cache); otherwise the kernel, whose failure is
  // cleared (GUERJO) and raises nothing.
  static int IsExistingGIIVariable(const KAVUnicodeString& iName,
                                   const int iBuffer);
  // Erases the value of a variable that holds one (GMORAZ); the list form
  // erases a list variable (GMORAL).
  static void UnsetGIIVariable(const KAVUnicodeString& iName,
                               const int iBuffer);
  static void UnsetGIIListVariable(const KAVUnicodeString& iName,
                                   const int iBuffer);

  // --- Generic access ---------------------------------------------------

  // Writes one value per field in a single GMOKEY call: nfield is the
  // number of integer, real and text values together; text values count
  // as fields of length 0 and their characters are not passed. See the
  // top of this file for type codes given in surplus or missing.
  static void SetGIIVariable(const KAVUnicodeString& iName,
                             const KAVRawCollint& iTypes,
                             const KAVRawCollint& iInts,
                             const KAVRawColldouble& iReals,
                             const KAVListValKAVUnicodeString& iTexts,
                             const int iBuffer);
  // Reads field iField of iName into the caller's variables: its type code
  // (1 real, 2 integer, 3 text), and the value of that type (the others 0,
  // 0.0, empty). Unknown name or ODT: the outputs are not touched; a
  // kernel failure leaves what the kernel wrote after the presets.
  static void GetGIIVariable(const KAVUnicodeString& iName, const int& iField,
                             int& oType, int& oInt, double& oReal,
                             KAVUnicodeString& oText, const int iBuffer);

  // Consistency checks and state resets for the library's own fuzzing
  // harness, defined in an internal header; nothing of it is exported.
  struct __attribute__((visibility("hidden"))) Internals;

 private:
  // The identifier cache; null until SetGIIIdList, deleted by
  // ResetGIIIdList. Owned by the class.
  static KAVListValKAVUnicodeString* _GIINames;
  static KAVRawCollint* _GIIIds;
  // 0 at load; set by the event recorders, cleared by SetGIIOrder in
  // record mode.
  static int _BatchInterGII;
};

#endif
