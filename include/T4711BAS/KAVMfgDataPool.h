// KAVMfgDataPool: the application's door to the data pools the kernel
// keeps: named pools of numbered objects (input objects, kind 1, and output
// objects, kind 2), each carrying named fields that hold a list of integer,
// real or text values.
//
// The kernel owns the pools; this class keeps no copy of them. A pool name
// goes to the kernel as 8 characters and a field name as 16, cut or
// blank-padded but never stripped; texts go as 72 characters. Field names
// read back are stripped of blanks at both ends.
//
// Trace key: "KAVMfgDataPool" (MfgBaseDebug). DumpDataPool prints its dump
// whether or not the key is on; only its two banners depend on it.
// State: _ErrorNumber, 0 at load. Every kernel call takes it as its return
// code, so after an operation it holds the last kernel code; callers read
// it with GetError(). An operation that meets a nonzero code stops there,
// keeps what it had appended, prints no end banner and leaves the kernel
// lists it was reading open (the single-value operations still print
// theirs). GetValues also calls KAVMfgDictionary::GetAttributeFacets, whose
// code goes to the dictionary's error number, not to this one, and there
// for the calling thread alone: KAVMfgDictionary::GetError() on that thread
// answers it until the thread's next dictionary operation, while a
// dictionary caller on another thread never sees it.
#ifndef KAVMfgDataPool_h
#define KAVMfgDataPool_h

#include "KAVExport.h"
#include "KAVListValKAVUnicodeString.h"
#include "KAVRawColldouble.h"
#include "KAVRawCollint.h"
#include "KAVUnicodeString.h"

class ExportedByT4711BAS KAVMfgDataPool {
 public:
  KAVMfgDataPool();
  KAVMfgDataPool(const KAVMfgDataPool&);
  KAVMfgDataPool& operator=(const KAVMfgDataPool&);
  virtual ~KAVMfgDataPool();

  // --- Pools and objects -------------------------------------------------

  // The kernel's initialisation of the pools (GNSCTS).
  static void Initialize();
  // Removes pool iPool with all its objects.
  static void DeleteDataPool(const KAVUnicodeString& iPool);
  // Adds an object to iPool; the three ints pass to the kernel in their
  // order and unchanged (the reference kernel reads them as object number,
  // kind, and the number of fields to make room for).
  static void CreateObject(const KAVUnicodeString& iPool, const int& iInt1,
                           const int& iInt2, const int& iInt3);
  // Appends, per field of object iNumObj, its stripped name, its number of
  // values and its type of values; nothing is cleared. oInt receives the
  // int the kernel reports for the object (its kind in the reference
  // kernel). A failing read stops at once, leaving the three lists open.
  static void ReadObject(const KAVUnicodeString& iPool, const int& iNumObj,
                         int& oInt, KAVListValKAVUnicodeString& oFieldNames,
                         KAVRawCollint& oNbValues, KAVRawCollint& oTypes);
  // Removes object iNumObj from iPool.
  static void DeleteObject(const KAVUnicodeString& iPool, const int& iNumObj);
  // The numbers of the objects of kind iKind (1 input, 2 output) in iPool.
  // Always a new collection, allocated with new, failures included; the
  // caller deletes it. After a failure it holds the numbers read before.
  static KAVRawCollint* ListObjects(const KAVUnicodeString& iPool,
                                    const int& iKind);
  // The last kernel return code.
  static int GetError();

  // --- Fields ------------------------------------------------------------

  // Creates field iField of object iNumObj with the values of the first
  // collection holding any, in the order ints, reals, texts (texts when all
  // three are empty: an empty 72-wide list, still sent). iType passes to
  // the kernel unchanged. A failure between GUSINI and GUSEND leaves the
  // kernel list open.
  static void CreateField(const KAVUnicodeString& iPool, const int& iNumObj,
                          const int& iType, const KAVUnicodeString& iField,
                          const KAVRawCollint& iInts,
                          const KAVRawColldouble& iDoubles,
                          const KAVListValKAVUnicodeString& iTexts);
  // CreateField with one value. Their end banner is printed whatever
  // CreateField met; GetError() tells.
  static void CreateIntField(const KAVUnicodeString& iPool, const int& iNumObj,
                             const int& iType, const KAVUnicodeString& iField,
                             const int& iValue);
  static void CreateDblField(const KAVUnicodeString& iPool, const int& iNumObj,
                             const int& iType, const KAVUnicodeString& iField,
                             const double& iValue);
  static void CreateStrField(const KAVUnicodeString& iPool, const int& iNumObj,
                             const int& iType, const KAVUnicodeString& iField,
                             const KAVUnicodeString& iValue);
  // Empties the three outputs, then fills the one the field's record width
  // names (4 ints, 8 reals, 72 texts, stripped); any other width yields
  // nothing and no error. A failing read stops at once: the values read
  // before stay, the list stays open.
  static void ReadField(const KAVUnicodeString& iPool, const int& iNumObj,
                        const KAVUnicodeString& iField, KAVRawCollint& oInts,
                        KAVRawColldouble& oDoubles,
                        KAVListValKAVUnicodeString& oTexts);
  // The field's first value of that kind, else 0, 0.0 or "" (a field of
  // another kind included). Failures show only through GetError().
  static int ReadIntField(const KAVUnicodeString& iPool, const int& iNumObj,
                          const KAVUnicodeString& iField);
  static double ReadDblField(const KAVUnicodeString& iPool, const int& iNumObj,
                             const KAVUnicodeString& iField);
  static KAVUnicodeString ReadStrField(const KAVUnicodeString& iPool,
                                       const int& iNumObj,
                                       const KAVUnicodeString& iField);

  // --- Value gathering and dump -----------------------------------------

  // Gathers, per attribute of ioAttributes (or, when it comes in empty,
  // per field of the object except eight reserved names, whose names are
  // then appended to it), five parallel entries: the type (the
  // dictionary's facet 3 for integer fields, 2 real, 3 text, 0 no values
  // or no such field), the number of values, and the values into the
  // output of their kind, one attribute after the other. The five outputs
  // are emptied first. Stops at the first data pool failure, keeping what
  // was appended. Attribute names match field names exactly: a name with
  // blanks around it matches nothing.
  static void GetValues(const KAVUnicodeString& iPool, const int& iNumObj,
                        KAVListValKAVUnicodeString& ioAttributes,
                        KAVRawCollint& oTypes, KAVRawCollint& oNbValues,
                        KAVRawCollint& oInts, KAVRawColldouble& oDoubles,
                        KAVListValKAVUnicodeString& oTexts);
  // Prints every input object and then every output object of iPool with
  // its fields on standard output, traced or not. Never stops: an object
  // or a listing that fails prints what was read before the failure.
  static void DumpDataPool(const KAVUnicodeString& iPool);

 private:
  // Last kernel return code; 0 at load; written by every kernel call.
  static int _ErrorNumber;
};

#endif
