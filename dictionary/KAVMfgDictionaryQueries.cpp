// KAVMfgDictionary: queries on the loaded dictionary (attributes of a
// class, possible values, facets, all classes, all attributes).
#include "KAVKernelForm.h"
#include "KAVKernelList.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgDictionary.h"
#include "KAVMfgDictionaryCode.h"
#include "KAVMfgDictionaryForms.h"
#include "KAVTrace.h"

using namespace kavdictionary;

namespace {

// One value line, labelled by the value's kind.
void TraceValue(const KAVOperationTrace& iTrace, const KAVKernelValue& iValue,
                const char* iIntLabel, const char* iDoubleLabel,
                const char* iTextLabel) {
  switch (iValue.kind) {
    case KAVValueKind::kInt:
      iTrace.Line(iIntLabel, iValue.intValue);
      break;
    case KAVValueKind::kDouble:
      iTrace.Line(iDoubleLabel, iValue.doubleValue);
      break;
    case KAVValueKind::kText:
      iTrace.Line(iTextLabel, iValue.text);
      break;
    case KAVValueKind::kNone:
      break;
  }
}

// What tells GetClasses and GetAllAttributes apart besides the routine and
// the name width: their trace texts.
struct NameListTexts {
  int startDashes;
  const char* startTitle;
  const char* codeLabel;
  const char* countLabel;
  const char* nameLabel;
  const char* endTitle;
};

// GetClasses and GetAllAttributes, twins.
//
// Relies on: iOpen (GNFLCL, GNFLAT) opens two lists (names of iWidth
// characters, ints) whose handles were 0. A failing name read only leaves
// the loop: both lists are still ended and the end banner still printed,
// so the error number ends with the last GUSEND code and the read failure
// shows only in the trace.
void ReadNamesAndInts(void (*iOpen)(int*, int*, int*), int iWidth,
                      const NameListTexts& iTexts,
                      KAVListValKAVUnicodeString& oNames, KAVRawCollint& oInts,
                      int& ioErrorNumber) {
  const KAVOperationTrace trace("KAVMfgDictionary");
  ReclaimCode();
  trace.Open(KAVOpening::Listed(iTexts.startDashes), iTexts.startTitle);
  int namesList = 0, intsList = 0;
  iOpen(&namesList, &intsList, &ioErrorNumber);
  trace.Line(iTexts.codeLabel, ioErrorNumber);
  if (ioErrorNumber != 0) return;
  int width = 0, count = 0;
  KAVKernelList::Info(namesList, width, count, ioErrorNumber);
  if (ioErrorNumber != 0) return;
  trace.Line(iTexts.countLabel, count);
  for (int i = 1; i <= count; ++i) {
    KAVUnicodeString name =
        KAVKernelList::ReadText(namesList, i, iWidth, ioErrorNumber);
    trace.Line("gusrea(ier) : ", ioErrorNumber);
    if (ioErrorNumber != 0) break;
    int value = KAVKernelList::ReadInt(intsList, i, ioErrorNumber);
    trace.Line("gusrea(ier) : ", ioErrorNumber);  // deliberately untested
    trace.Line(iTexts.nameLabel, name);
    oNames.Append(name);
    oInts.Append(value);
  }
  // The int list is ended even if ending the name list failed: the kernel
  // still holds it open and the caller cannot end it later.
  KAVKernelList::End(namesList, ioErrorNumber);
  KAVKernelList::End(intsList, ioErrorNumber);
  trace.Close(KAVClosing::Framed(17), iTexts.endTitle);
}

}  // namespace

// Relies on: GNFRC1 opens four lists of equal length (names, versions,
// blocks, statuses). A failing read returns at once and leaves all four
// open; a failing GUSEND leaves the lists after it open.
void KAVMfgDictionary::GetAttributes(const KAVUnicodeString& iClass, int& iMode,
                                     KAVListValKAVUnicodeString& oNames,
                                     KAVRawCollint& oVersions,
                                     KAVListValKAVUnicodeString& oBlocks,
                                     KAVRawCollint& oStatuses) {
  const KAVOperationTrace trace("KAVMfgDictionary");
  ReclaimCode();
  trace.Open(KAVOpening::Listed(20), "KAVMfgDictionary::GetAttributes, start",
             {{"classe : ", iClass}});
  KAVKernelField className = KAVStrippedField(iClass, kClassWidth);
  int namesList = 0, versionsList = 0, blocksList = 0, statusesList = 0;
  GNFRC1(className.Data(), &iMode, &namesList, &versionsList, &blocksList,
         &statusesList, &_ErrorNumber);
  trace.Line("gnfrc1(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  int width = 0, count = 0;
  KAVKernelList::Info(namesList, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Line("nb attrs : ", count);
  trace.Blank();
  for (int i = 1; i <= count; ++i)
    if (!KAVKernelList::AppendText(trace, "attr : ", namesList, i,
                                   kAttributeWidth, oNames, _ErrorNumber) ||
        !KAVKernelList::AppendInt(trace, "version : ", versionsList, i,
                                  oVersions, _ErrorNumber) ||
        !KAVKernelList::AppendText(trace, "block : ", blocksList, i,
                                   kBlockWidth, oBlocks, _ErrorNumber) ||
        !KAVKernelList::AppendInt(trace, "status : ", statusesList, i,
                                  oStatuses, _ErrorNumber))
      return;
  if (!KAVKernelList::EndInOrder(
          {&namesList, &versionsList, &blocksList, &statusesList},
          _ErrorNumber))
    return;
  trace.Close(KAVClosing::Framed(18), "KAVMfgDictionary::GetAttributes, end");
}

// Relies on: GNFRC2 gives one list whose record width is the value type
// (4 int, 8 double, 72 text); each value is followed by a companion record
// that is not read, hence the step of 2. Any other width yields nothing.
void KAVMfgDictionary::GetAttributeValues(const KAVUnicodeString& iClass,
                                          const KAVUnicodeString& iAttribute,
                                          KAVRawCollint& oInts,
                                          KAVRawColldouble& oDoubles,
                                          KAVListValKAVUnicodeString& oTexts) {
  const KAVOperationTrace trace("KAVMfgDictionary");
  ReclaimCode();
  trace.Open(KAVOpening::Listed(41),
             "KAVMfgDictionary::GetAttributeValues, start",
             {{"ClassName : ", iClass}, {"AttrName  : ", iAttribute}});
  KAVKernelField className = KAVStrippedField(iClass, kClassWidth);
  KAVKernelField attribute = KAVStrippedField(iAttribute, kAttributeWidth);
  if (trace) {
    KAVTrace::Line("Clas  : ", className.Text());
    KAVTrace::Line("Attr  : ", attribute.Text());
  }
  int unused = 0, valuesList = 0;
  GNFRC2(className.Data(), &unused, attribute.Data(), &valuesList,
         &_ErrorNumber);
  trace.Line("gnfrc2(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  int width = 0, count = 0;
  KAVKernelList::Info(valuesList, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Line("ilon : ", width);
  trace.Line("nb attrs : ", count);
  const KAVValueKind kind = KAVValueKindOfWidth(width);
  for (int i = 1; kind != KAVValueKind::kNone && i <= count; i += 2) {
    const KAVKernelValue value = KAVKernelList::ReadValue(
        valuesList, i, kind, kTextValueWidth, _ErrorNumber);
    if (_ErrorNumber != 0) return;
    value.AppendTo(oInts, oDoubles, oTexts);
    TraceValue(trace, value, "intval : ", "doubleval : ", "attr : ");
  }
  KAVKernelList::End(valuesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Close(KAVClosing::Framed(41),
              "KAVMfgDictionary::GetAttributeValues, end");
}

// Relies on: GNFRAT writes the eleven facets straight into the caller's
// ints and opens one list of possible values, read here by facet 3 as
// GNFRAT left it (any other code: the count is fetched, nothing is read).
// Asked by the data pool, the codes go to the asking thread's own cell,
// never into _ErrorNumber (KAVMfgDictionaryCode.h).
void KAVMfgDictionary::GetAttributeFacets(
    const KAVUnicodeString& iAttribute, int& oFacet1, int& oFacet2,
    int& oFacet3, int& oFacet4, int& oFacet5, int& oFacet6, int& oFacet7,
    int& oFacet8, int& oFacet9, int& oFacet10, int& oFacet11,
    KAVRawCollint& oInts, KAVRawColldouble& oDoubles,
    KAVListValKAVUnicodeString& oTexts) {
  const KAVOperationTrace trace("KAVMfgDictionary");
  int& code = FacetsCode(_ErrorNumber);
  trace.Open(KAVOpening::Listed(25),
             "KAVMfgDictionary::GetAttributeFacets, start");
  KAVKernelField attribute = KAVStrippedField(iAttribute, kAttributeWidth);
  int valuesList = 0;
  GNFRAT(attribute.Data(), &oFacet1, &oFacet2, &oFacet3, &oFacet4, &oFacet5,
         &oFacet6, &oFacet7, &oFacet8, &oFacet9, &oFacet10, &oFacet11,
         &valuesList, &code);
  trace.Line("gnfrat(ier) : ", code);
  if (code != 0) return;
  int width = 0, count = 0;
  KAVKernelList::Info(valuesList, width, count, code);
  if (code != 0) return;
  const KAVValueKind kind = KAVValueKindOfType(oFacet3);
  for (int i = 1; kind != KAVValueKind::kNone && i <= count; ++i) {
    const KAVKernelValue value =
        KAVKernelList::ReadValue(valuesList, i, kind, kTextValueWidth, code);
    if (code != 0) return;
    value.AppendTo(oInts, oDoubles, oTexts);
    TraceValue(trace, value, "i4 : ", "r8 : ", "Str : ");
  }
  KAVKernelList::End(valuesList, code);
  if (code != 0) return;
  trace.Close(KAVClosing::Framed(23),
              "KAVMfgDictionary::GetAttributeFacets, end");
}

void KAVMfgDictionary::GetClasses(KAVListValKAVUnicodeString& oNames,
                                  KAVRawCollint& oInts) {
  ReadNamesAndInts(
      &GNFLCL, kClassWidth,
      {20, "KAVMfgDictionary::GetClasses, start", "gnflcl(ier) : ",
       "NbClass : ", "StrClass : ", "KAVMfgDictionary::GetClasses, end"},
      oNames, oInts, _ErrorNumber);
}

void KAVMfgDictionary::GetAllAttributes(KAVListValKAVUnicodeString& oNames,
                                        KAVRawCollint& oInts) {
  ReadNamesAndInts(
      &GNFLAT, kAttributeWidth,
      {41, "KAVMfgDictionary::GetAllAttributes, start", "gnflat(ier) : ",
       "NbAtt : ", "StrAtt : ", "KAVMfgDictionary::GetAllAttributes, end"},
      oNames, oInts, _ErrorNumber);
}
