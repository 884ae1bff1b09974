// KAVMfgDictionary: the application's door to the NC dictionary the kernel
// holds (the classes of manufacturing objects and their attributes).
//
// The kernel has one current dictionary, the one last loaded, named by a
// model and a member of 8 characters each. This class keeps no copy of it:
// every operation asks the kernel afresh (GNFLOD ... GNFMC1) and reads the
// kernel's lists back into the caller's collections.
//
// Trace key: "KAVMfgDictionary" (MfgBaseDebug).
// State: _ErrorNumber, 0 at load. Every kernel call made by an operation
// takes it as its return code, so after an operation it holds the last
// kernel code; callers read it with GetError(). An operation that meets a
// nonzero code stops there, keeps what it had appended, and prints no end
// banner (GetClasses and GetAllAttributes still end their lists).
// KAVMfgDataPool::GetValues asks GetAttributeFacets too: that code is kept
// for the thread that ran GetValues (GetError() there answers it until the
// thread's next operation of this class) and never written into the
// _ErrorNumber that other threads read.
#ifndef KAVMfgDictionary_h
#define KAVMfgDictionary_h

#include "KAVExport.h"
#include "KAVListValKAVUnicodeString.h"
#include "KAVRawColldouble.h"
#include "KAVRawCollint.h"
#include "KAVUnicodeString.h"

class ExportedByT4711BAS KAVMfgDictionary {
 public:
  KAVMfgDictionary();
  KAVMfgDictionary(const KAVMfgDictionary&);
  KAVMfgDictionary& operator=(const KAVMfgDictionary&);
  virtual ~KAVMfgDictionary();

  // --- Loading and state -------------------------------------------------

  // Loads the member iName; the model comes from the name as given (the
  // members MSPECFR2, MVIEWFR2 and MGEOPFR2 each select their own model,
  // anything else "NC MODEL"). With iComplete 1 the kernel's completion
  // step runs after a successful load; any other value skips it.
  static void Load(const KAVUnicodeString& iName, const int& iComplete);
  // Writes the loaded dictionary under the member iName; it stays loaded.
  static void Store(const KAVUnicodeString& iName);
  // The member name of the loaded dictionary as the kernel reports it,
  // stripped ("" when the kernel reports blanks). Leaves _ErrorNumber.
  static KAVUnicodeString GetCurrent();
  // Makes "DICOFR2" of "NC MODEL" the loaded dictionary: nothing happens
  // when it already is; otherwise unloads first and stops if that fails.
  static void LoadDefault();
  // Releases the loaded dictionary (GNFRST, then GNFZDS).
  static void Unload();
  // The last kernel return code.
  static int GetError();

  // --- Queries (values are appended; nothing is cleared) -----------------

  // Appends the attributes of class iClass: name, version, block, status.
  // iMode passes to the kernel unchanged. Stops at the first failing read,
  // leaving the four lists open.
  static void GetAttributes(const KAVUnicodeString& iClass, int& iMode,
                            KAVListValKAVUnicodeString& oNames,
                            KAVRawCollint& oVersions,
                            KAVListValKAVUnicodeString& oBlocks,
                            KAVRawCollint& oStatuses);
  // Appends the possible values of attribute iAttribute in class iClass
  // to the collection of their type (records 1, 3, 5 ... of the kernel's
  // list; the others are not read).
  static void GetAttributeValues(const KAVUnicodeString& iClass,
                                 const KAVUnicodeString& iAttribute,
                                 KAVRawCollint& oInts,
                                 KAVRawColldouble& oDoubles,
                                 KAVListValKAVUnicodeString& oTexts);
  // Fills the eleven facets of iAttribute (facet 3: value type, 0/1 int,
  // 2 real, 3 text) and appends its possible values by that type.
  static void GetAttributeFacets(const KAVUnicodeString& iAttribute,
                                 int& oFacet1, int& oFacet2, int& oFacet3,
                                 int& oFacet4, int& oFacet5, int& oFacet6,
                                 int& oFacet7, int& oFacet8, int& oFacet9,
                                 int& oFacet10, int& oFacet11,
                                 KAVRawCollint& oInts,
                                 KAVRawColldouble& oDoubles,
                                 KAVListValKAVUnicodeString& oTexts);
  // Appends every class name and the kernel's int for it. A failing read
  // only ends the loop: both lists are still ended and the end banner
  // printed, so _ErrorNumber then holds the last GUSEND code.
  static void GetClasses(KAVListValKAVUnicodeString& oNames,
                         KAVRawCollint& oInts);
  // Same as GetClasses for every attribute of the dictionary.
  static void GetAllAttributes(KAVListValKAVUnicodeString& oNames,
                               KAVRawCollint& oInts);

  // --- Editing -----------------------------------------------------------

  // Selects the class that AddAttribute changes; iMode passes unchanged.
  static void SetCurrentClass(const KAVUnicodeString& iClass, const int& iMode);
  // Creates class iClass; the ints and the second name (class width)
  // pass to the kernel as given.
  static void CreateClass(const KAVUnicodeString& iClass, const int& iInt1,
                          const KAVUnicodeString& iSecondName,
                          const int& iInt2);
  // Creates attribute iAttribute with its eleven facets and, by facet 3,
  // the integer, real or text values (the other collections are ignored).
  // A failure between GUSINI and GUSEND leaves the kernel list open.
  static void CreateAttribute(const KAVUnicodeString& iAttribute,
                              const int& iFacet1, const int& iFacet2,
                              const int& iFacet3, const int& iFacet4,
                              const int& iFacet5, const int& iFacet6,
                              const int& iFacet7, const int& iFacet8,
                              const int& iFacet9, const int& iFacet10,
                              const int& iFacet11, const KAVRawCollint& iInts,
                              const KAVRawColldouble& iDoubles,
                              const KAVListValKAVUnicodeString& iTexts);
  // Adds attribute iAttribute to the current class.
  // Requires: SetCurrentClass (or CreateClass) earlier.
  static void AddAttribute(const KAVUnicodeString& iAttribute,
                           const int& iVersion, const KAVUnicodeString& iBlock,
                           const int& iStatus);

 private:
  // Last kernel return code; 0 at load; written by every kernel call.
  static int _ErrorNumber;
};

#endif
