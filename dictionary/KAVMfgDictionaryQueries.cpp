// KAVMfgDictionary: queries on the loaded dictionary (attributes of a
// class, possible values, facets, all classes, all attributes).
#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVMfgDictionary.h"
#include "KAVMfgDictionaryCode.h"
#include "KAVMfgDictionaryForms.h"
#include "KAVTrace.h"

using namespace kavdictionary;

namespace {

// One value line, labelled by the value's kind.
void TraceValue(const KAVKernelValue& iValue, const char* iIntLabel,
                const char* iDoubleLabel, const char* iTextLabel) {
  switch (iValue.kind) {
    case KAVValueKind::kInt:
      KAVTrace::Line(iIntLabel, iValue.intValue);
      break;
    case KAVValueKind::kDouble:
      KAVTrace::Line(iDoubleLabel, iValue.doubleValue);
      break;
    case KAVValueKind::kText:
      KAVTrace::Line(iTextLabel, iValue.text);
      break;
    case KAVValueKind::kNone:
      break;
  }
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
  const int traced = GetDebug("KAVMfgDictionary");
  ReclaimCode();
  if (traced) {
    KAVTrace::Open(20, "KAVMfgDictionary::GetAttributes, start");
    KAVTrace::Line("classe : ", iClass);
    KAVTrace::Blank();
  }
  KAVKernelField className = NameField(iClass, kClassWidth);
  int namesList = 0, versionsList = 0, blocksList = 0, statusesList = 0;
  GNFRC1(className.Data(), &iMode, &namesList, &versionsList, &blocksList,
         &statusesList, &_ErrorNumber);
  if (traced) KAVTrace::Line("gnfrc1(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  int width = 0, count = 0;
  KAVKernelList::Info(namesList, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) {
    KAVTrace::Line("nb attrs : ", count);
    KAVTrace::Blank();
  }
  for (int i = 1; i <= count; ++i) {
    KAVUnicodeString name =
        KAVKernelList::ReadText(namesList, i, kAttributeWidth, _ErrorNumber);
    if (_ErrorNumber != 0) return;
    oNames.Append(name);
    if (traced) KAVTrace::Line("attr : ", name);
    int version = KAVKernelList::ReadInt(versionsList, i, _ErrorNumber);
    if (_ErrorNumber != 0) return;
    oVersions.Append(version);
    if (traced) KAVTrace::Line("version : ", version);
    KAVUnicodeString block =
        KAVKernelList::ReadText(blocksList, i, kBlockWidth, _ErrorNumber);
    if (_ErrorNumber != 0) return;
    oBlocks.Append(block);
    if (traced) KAVTrace::Line("block : ", block);
    int status = KAVKernelList::ReadInt(statusesList, i, _ErrorNumber);
    if (_ErrorNumber != 0) return;
    oStatuses.Append(status);
    if (traced) KAVTrace::Line("status : ", status);
  }
  KAVKernelList::End(namesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  KAVKernelList::End(versionsList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  KAVKernelList::End(blocksList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  KAVKernelList::End(statusesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Close(18, "KAVMfgDictionary::GetAttributes, end");
}

// Relies on: GNFRC2 gives one list whose record width is the value type
// (4 int, 8 double, 72 text); each value is followed by a companion record
// that is not read, hence the step of 2. Any other width yields nothing.
void KAVMfgDictionary::GetAttributeValues(const KAVUnicodeString& iClass,
                                          const KAVUnicodeString& iAttribute,
                                          KAVRawCollint& oInts,
                                          KAVRawColldouble& oDoubles,
                                          KAVListValKAVUnicodeString& oTexts) {
  const int traced = GetDebug("KAVMfgDictionary");
  ReclaimCode();
  if (traced) {
    KAVTrace::Open(41, "KAVMfgDictionary::GetAttributeValues, start");
    KAVTrace::Line("ClassName : ", iClass);
    KAVTrace::Line("AttrName  : ", iAttribute);
    KAVTrace::Blank();
  }
  KAVKernelField className = NameField(iClass, kClassWidth);
  KAVKernelField attribute = NameField(iAttribute, kAttributeWidth);
  if (traced) {
    KAVTrace::Line("Clas  : ", className.Text());
    KAVTrace::Line("Attr  : ", attribute.Text());
  }
  int unused = 0, valuesList = 0;
  GNFRC2(className.Data(), &unused, attribute.Data(), &valuesList,
         &_ErrorNumber);
  if (traced) KAVTrace::Line("gnfrc2(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  int width = 0, count = 0;
  KAVKernelList::Info(valuesList, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) {
    KAVTrace::Line("ilon : ", width);
    KAVTrace::Line("nb attrs : ", count);
  }
  const KAVValueKind kind = KAVValueKindOfWidth(width);
  for (int i = 1; kind != KAVValueKind::kNone && i <= count; i += 2) {
    const KAVKernelValue value = KAVKernelList::ReadValue(
        valuesList, i, kind, kTextValueWidth, _ErrorNumber);
    if (_ErrorNumber != 0) return;
    value.AppendTo(oInts, oDoubles, oTexts);
    if (traced) TraceValue(value, "intval : ", "doubleval : ", "attr : ");
  }
  KAVKernelList::End(valuesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Close(41, "KAVMfgDictionary::GetAttributeValues, end");
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
  const int traced = GetDebug("KAVMfgDictionary");
  int& code = FacetsCode(_ErrorNumber);
  if (traced) {
    KAVTrace::Open(25, "KAVMfgDictionary::GetAttributeFacets, start");
    KAVTrace::Blank();
  }
  KAVKernelField attribute = NameField(iAttribute, kAttributeWidth);
  int valuesList = 0;
  GNFRAT(attribute.Data(), &oFacet1, &oFacet2, &oFacet3, &oFacet4, &oFacet5,
         &oFacet6, &oFacet7, &oFacet8, &oFacet9, &oFacet10, &oFacet11,
         &valuesList, &code);
  if (traced) KAVTrace::Line("gnfrat(ier) : ", code);
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
    if (traced) TraceValue(value, "i4 : ", "r8 : ", "Str : ");
  }
  KAVKernelList::End(valuesList, code);
  if (code != 0) return;
  if (traced) KAVTrace::Close(23, "KAVMfgDictionary::GetAttributeFacets, end");
}

// Relies on: GNFLCL opens two lists (names, ints) whose handles were 0. A
// failing name read only leaves the loop: both lists are still ended and
// the end banner still printed, so _ErrorNumber ends with the last GUSEND
// code and the read failure shows only in the trace.
void KAVMfgDictionary::GetClasses(KAVListValKAVUnicodeString& oNames,
                                  KAVRawCollint& oInts) {
  const int traced = GetDebug("KAVMfgDictionary");
  ReclaimCode();
  if (traced) {
    KAVTrace::Open(20, "KAVMfgDictionary::GetClasses, start");
    KAVTrace::Blank();
  }
  int namesList = 0, intsList = 0;
  GNFLCL(&namesList, &intsList, &_ErrorNumber);
  if (traced) KAVTrace::Line("gnflcl(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  int width = 0, count = 0;
  KAVKernelList::Info(namesList, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Line("NbClass : ", count);
  for (int i = 1; i <= count; ++i) {
    KAVUnicodeString name =
        KAVKernelList::ReadText(namesList, i, kClassWidth, _ErrorNumber);
    if (traced) KAVTrace::Line("gusrea(ier) : ", _ErrorNumber);
    if (_ErrorNumber != 0) break;
    int value = KAVKernelList::ReadInt(intsList, i, _ErrorNumber);
    if (traced) {
      KAVTrace::Line("gusrea(ier) : ", _ErrorNumber);  // deliberately untested
      KAVTrace::Line("StrClass : ", name);
    }
    oNames.Append(name);
    oInts.Append(value);
  }
  // The int list is ended even if ending the name list failed: the kernel
  // still holds it open and the caller cannot end it later.
  KAVKernelList::End(namesList, _ErrorNumber);
  KAVKernelList::End(intsList, _ErrorNumber);
  if (traced) KAVTrace::Close(17, "KAVMfgDictionary::GetClasses, end");
}

// The twin of GetClasses over attribute names (16 characters).
void KAVMfgDictionary::GetAllAttributes(KAVListValKAVUnicodeString& oNames,
                                        KAVRawCollint& oInts) {
  const int traced = GetDebug("KAVMfgDictionary");
  ReclaimCode();
  if (traced) {
    KAVTrace::Open(41, "KAVMfgDictionary::GetAllAttributes, start");
    KAVTrace::Blank();
  }
  int namesList = 0, intsList = 0;
  GNFLAT(&namesList, &intsList, &_ErrorNumber);
  if (traced) KAVTrace::Line("gnflat(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  int width = 0, count = 0;
  KAVKernelList::Info(namesList, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Line("NbAtt : ", count);
  for (int i = 1; i <= count; ++i) {
    KAVUnicodeString name =
        KAVKernelList::ReadText(namesList, i, kAttributeWidth, _ErrorNumber);
    if (traced) KAVTrace::Line("gusrea(ier) : ", _ErrorNumber);
    if (_ErrorNumber != 0) break;
    int value = KAVKernelList::ReadInt(intsList, i, _ErrorNumber);
    if (traced) {
      KAVTrace::Line("gusrea(ier) : ", _ErrorNumber);  // deliberately untested
      KAVTrace::Line("StrAtt : ", name);
    }
    oNames.Append(name);
    oInts.Append(value);
  }
  KAVKernelList::End(namesList, _ErrorNumber);
  KAVKernelList::End(intsList, _ErrorNumber);
  if (traced) KAVTrace::Close(17, "KAVMfgDictionary::GetAllAttributes, end");
}
