// KAVMfgDataPool: gathering the values of a whole object (GetValues) and
// printing a whole pool (DumpDataPool). Both are built on the class's own
// operations; GetValues is the one place the data pool asks the dictionary.
#include <optional>
#include <string_view>
#include <unordered_map>

#include "KAVMfgDataPool.h"
#include "KAVMfgDictionary.h"
#include "KAVMfgDictionaryCode.h"
#include "KAVTrace.h"

namespace {

// Fields GetValues passes over when it is given no attribute list: they
// describe how a tool or an assembly is put together, not its values.
const char* const kSkippedFields[] = {
    "MFG_NB_OF_COMP",   "MFG_ASS_NATURE", "MFG_SELECT_ASS",  "MFG_HOLDER_JELE",
    "MFG_ADAPTER_JELE", "MFG_ATTACHMENT", "MFG_TOOL_NATURE", "MFG_SELECT_TOOL"};

bool IsSkipped(const KAVUnicodeString& iField) {
  for (const char* skipped : kSkippedFields)
    if (iField == skipped) return true;
  return false;
}

// The object's field names by name, first position per name (positions
// from 1, 0: none), built once per call so that matching n attributes
// against m fields costs n + m lookups, not n * m comparisons. The views
// point into the names list, which must outlive the index unchanged: an
// index that lives for one call over a list nothing changes, so it needs
// neither the copies nor the stale-hit rule of KAVListIndex.
class FieldIndex {
 public:
  explicit FieldIndex(const KAVListValKAVUnicodeString& iNames) {
    _positions.reserve(static_cast<size_t>(iNames.Size()));
    for (int i = 1; i <= iNames.Size(); ++i)
      _positions.emplace(iNames[i].ToStdString(), i);
  }
  int Find(const KAVUnicodeString& iName) const {
    auto it = _positions.find(iName.ToStdString());
    return it == _positions.end() ? 0 : it->second;
  }

 private:
  std::unordered_map<std::string_view, int> _positions;
};

// The five outputs of GetValues, one entry per attribute handled.
struct Gathered {
  KAVRawCollint& types;
  KAVRawCollint& nbValues;
  KAVRawCollint& ints;
  KAVRawColldouble& doubles;
  KAVListValKAVUnicodeString& texts;
};

// Reads field iField and appends its entry by the first kind that has
// values. False when ReadField failed: GetValues then stops, its code in
// GetError(). Integer fields take their type from the dictionary's facet
// 3; when the dictionary does not know the attribute, GetAttributeFacets
// stops before setting it and the field reports 0, an integer type. The
// dictionary is asked as the data pool's: its code stays on this thread
// and never reaches the _ErrorNumber a dictionary caller on another thread
// reads.
bool GatherField(const KAVUnicodeString& iPool, const int& iNumObj,
                 const KAVUnicodeString& iField,
                 const KAVOperationTrace& iTrace, Gathered& ioOut) {
  KAVRawCollint ints(0);
  KAVRawColldouble doubles(0);
  KAVListValKAVUnicodeString texts;
  KAVMfgDataPool::ReadField(iPool, iNumObj, iField, ints, doubles, texts);
  if (KAVMfgDataPool::GetError() != 0) return false;
  if (ints.Size() > 0) {
    int f[11] = {};
    KAVRawCollint facetInts(0);
    KAVRawColldouble facetDoubles(0);
    KAVListValKAVUnicodeString facetTexts;
    {
      const KAVDictionaryAskedByDataPool asked;
      KAVMfgDictionary::GetAttributeFacets(iField, f[0], f[1], f[2], f[3], f[4],
                                           f[5], f[6], f[7], f[8], f[9], f[10],
                                           facetInts, facetDoubles, facetTexts);
    }
    ioOut.types.Append(f[2]);
    ioOut.nbValues.Append(ints.Size());
    ioOut.ints.Append(ints);
    iTrace.Line("type : ", f[2]);
    iTrace.Line("Integer Field, NbVals : ", ints.Size());
  } else if (doubles.Size() > 0) {
    ioOut.types.Append(2);
    ioOut.nbValues.Append(doubles.Size());
    ioOut.doubles.Append(doubles);
    iTrace.Line("Double Field, NbVals : ", doubles.Size());
  } else if (texts.Size() > 0) {
    ioOut.types.Append(3);
    ioOut.nbValues.Append(texts.Size());
    ioOut.texts.Append(texts);
    iTrace.Line("String Field, NbVals : ", texts.Size());
  } else {
    ioOut.nbValues.Append(0);
    ioOut.types.Append(0);
    iTrace.Text("Unvaluated Field");
  }
  return true;
}

// One half of the dump: the title, the objects of kind iKind and their
// fields. Read failures are not looked at: an object prints the fields
// read before its failure, a listing the numbers listed before its own.
void DumpObjects(const KAVUnicodeString& iPool, int iKind, const char* iTitle) {
  KAVTrace::Open(KAVOpening::Listed(32), iTitle);
  KAVRawCollint* numbers = KAVMfgDataPool::ListObjects(iPool, iKind);
  KAVTrace::Blank();
  KAVTrace::Line("Number of Objects : ", numbers->Size());
  for (int i = 1; i <= numbers->Size(); ++i) {
    const int number = (*numbers)[i];
    int objectInt = 0;
    KAVListValKAVUnicodeString names;
    KAVRawCollint nbValues(0), types(0);
    KAVMfgDataPool::ReadObject(iPool, number, objectInt, names, nbValues,
                               types);
    KAVTrace::Blank();
    KAVTrace::Line("   Object Number   : ", number);
    KAVTrace::Line("   Number of Field : ", names.Size());
    // A read that failed between a name and its counts leaves the counts
    // short: the const subscript reads those as 0.
    const KAVRawCollint& readTypes = types;
    const KAVRawCollint& readNbValues = nbValues;
    for (int f = 1; f <= names.Size(); ++f) {
      KAVTrace::Blank();
      KAVTrace::Line("      Name of Field    : ", names[f]);
      KAVTrace::Line("      Type of Values   : ", readTypes[f]);
      KAVTrace::Line("      Number of Values : ", readNbValues[f]);
    }
  }
  delete numbers;
}

}  // namespace

// Relies on: ReadObject and ReadField leave their codes in _ErrorNumber,
// and the field names ReadObject gives are stripped, so an attribute name
// with blanks around it never matches. Traced, every field compared is
// printed, so the search walks the fields; untraced it looks the name up
// in an index of the field names built once for the call. Both find the
// first field of that name.
void KAVMfgDataPool::GetValues(const KAVUnicodeString& iPool,
                               const int& iNumObj,
                               KAVListValKAVUnicodeString& ioAttributes,
                               KAVRawCollint& oTypes, KAVRawCollint& oNbValues,
                               KAVRawCollint& oInts, KAVRawColldouble& oDoubles,
                               KAVListValKAVUnicodeString& oTexts) {
  const KAVOperationTrace trace("KAVMfgDataPool");
  trace.Open(KAVOpening::Listed(20), "GetValues, start",
             {{"Pool    : ", iPool},
              {"Numobj  : ", iNumObj},
              {"ListAtt : ", ioAttributes}});
  oTypes.RemoveAll(KAVCollec::ReleaseMemory);
  oNbValues.RemoveAll(KAVCollec::ReleaseMemory);
  oInts.RemoveAll(KAVCollec::ReleaseMemory);
  oDoubles.RemoveAll(KAVCollec::ReleaseMemory);
  oTexts.RemoveAll(KAVCollec::ReleaseMemory);
  Gathered out{oTypes, oNbValues, oInts, oDoubles, oTexts};
  int objectInt = 0;
  KAVListValKAVUnicodeString fields;
  KAVRawCollint fieldNbValues(0), fieldTypes(0);
  ReadObject(iPool, iNumObj, objectInt, fields, fieldNbValues, fieldTypes);
  if (_ErrorNumber != 0) return;
  const int attributeCount = ioAttributes.Size();
  if (attributeCount > 0) {
    trace.Text("Search For List Of Attributes");
    std::optional<FieldIndex> index;
    if (!trace) index.emplace(fields);
    for (int a = 1; a <= attributeCount; ++a) {
      const KAVUnicodeString& attribute = ioAttributes[a];
      int match = 0;
      if (trace) {
        KAVTrace::Line("Attribute : ", attribute + "---");
        KAVTrace::Text("  ");
        for (int f = 1; f <= fields.Size(); ++f) {
          KAVTrace::Line("Field : ", fields[f] + "---");
          if (fields[f] == attribute) {
            match = f;
            break;
          }
        }
      } else {
        match = index->Find(attribute);
      }
      if (match == 0) {
        oNbValues.Append(0);
        oTypes.Append(0);
        trace.Text("Unvaluated Attribute");
        continue;
      }
      if (!GatherField(iPool, iNumObj, fields[match], trace, out)) return;
    }
  } else {
    trace.Text("No Specified List Of Attributes");
    for (int f = 1; f <= fields.Size(); ++f) {
      if (IsSkipped(fields[f])) continue;
      trace.Blank();
      trace.Line("Field : ", fields[f]);
      ioAttributes.Append(fields[f]);
      if (!GatherField(iPool, iNumObj, fields[f], trace, out)) return;
    }
  }
  trace.Close(KAVClosing::Framed(16), "GetValues, end");
}

void KAVMfgDataPool::DumpDataPool(const KAVUnicodeString& iPool) {
  const KAVOperationTrace trace("KAVMfgDataPool");
  trace.Open(KAVOpening::Listed(20), "DumpDataPool, Start ",
             {{"Pool   : ", iPool}});
  DumpObjects(iPool, 1, "Dump of Data Pool Input Objects ");
  DumpObjects(iPool, 2, "Dump of Data Pool Output Objects ");
  trace.Close(KAVClosing::Framed(20), "DumpDataPool, End   ");
}
