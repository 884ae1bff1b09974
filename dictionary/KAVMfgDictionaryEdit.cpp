// KAVMfgDictionary: editing the loaded dictionary (current class, new
// classes, new attributes, attributes added to the current class).
#include "KAVKernelForm.h"
#include "KAVKernelList.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgDictionary.h"
#include "KAVMfgDictionaryCode.h"
#include "KAVMfgDictionaryForms.h"
#include "KAVTrace.h"

using namespace kavdictionary;

// The kernel takes every int by address, and the callers' ints are const:
// each goes through a local copy, which the kernel may overwrite freely.

void KAVMfgDictionary::SetCurrentClass(const KAVUnicodeString& iClass,
                                       const int& iMode) {
  const KAVOperationTrace trace("KAVMfgDictionary");
  ReclaimCode();
  trace.Open(KAVOpening::Listed(22),
             "KAVMfgDictionary::SetCurrentClass, start");
  KAVKernelField className = KAVStrippedField(iClass, kClassWidth);
  int mode = iMode;
  GNFMCL(className.Data(), &mode, &_ErrorNumber);
  if (_ErrorNumber != 0) return;  // no trace line carries this code
  trace.Close(KAVClosing::Framed(20), "SetCurrentClass, end");
}

void KAVMfgDictionary::CreateClass(const KAVUnicodeString& iClass,
                                   const int& iInt1,
                                   const KAVUnicodeString& iSecondName,
                                   const int& iInt2) {
  const KAVOperationTrace trace("KAVMfgDictionary");
  ReclaimCode();
  trace.Open(KAVOpening::Listed(18), "CreateClass, start");
  KAVKernelField className = KAVStrippedField(iClass, kClassWidth);
  KAVKernelField secondName = KAVStrippedField(iSecondName, kClassWidth);
  int int1 = iInt1, int2 = iInt2;
  GNFCCL(className.Data(), &int1, secondName.Data(), &int2, &_ErrorNumber);
  trace.Line("ier (gnfccl) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Close(KAVClosing::Framed(16), "KAVMfgDictionary::CreateClass, end");
}

namespace {

// The text values of CreateAttribute, each in its 72-character form (cut,
// stripped, padded again), pushed in order; false at the first failure.
bool PushCut(int& ioList, const KAVListValKAVUnicodeString& iTexts, int& oIer) {
  for (int i = 1; i <= iTexts.Size(); ++i) {
    KAVKernelList::PushText(
        ioList, KAVCutField(iTexts[i], kTextValueWidth).Text(), oIer);
    if (oIer != 0) return false;
  }
  return true;
}

}  // namespace

// Relies on: GNFCAT reads the possible values from a list built here with
// GUSINI/GUSPUS and leaves it open; it is ended after GNFCAT succeeds. A
// failing GUSPUS or GNFCAT leaves it open (the kernel drops it at reset).
// For a facet 3 outside 0..3 no value is sent and the list holds ints.
void KAVMfgDictionary::CreateAttribute(
    const KAVUnicodeString& iAttribute, const int& iFacet1, const int& iFacet2,
    const int& iFacet3, const int& iFacet4, const int& iFacet5,
    const int& iFacet6, const int& iFacet7, const int& iFacet8,
    const int& iFacet9, const int& iFacet10, const int& iFacet11,
    const KAVRawCollint& iInts, const KAVRawColldouble& iDoubles,
    const KAVListValKAVUnicodeString& iTexts) {
  const KAVOperationTrace trace("KAVMfgDictionary");
  ReclaimCode();
  trace.Open(KAVOpening::Listed(25),
             "KAVMfgDictionary::CreateAttribute, start");
  int valuesList = 0;
  const int type = iFacet3;
  const int width = type == 2   ? kDoubleWidth
                    : type == 3 ? kTextValueWidth
                                : kIntWidth;
  KAVKernelList::Start(width, valuesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  bool pushed = true;
  if (type == 0 || type == 1)
    pushed = KAVKernelList::PushAll(valuesList, iInts, _ErrorNumber);
  else if (type == 2)
    pushed = KAVKernelList::PushAll(valuesList, iDoubles, _ErrorNumber);
  else if (type == 3)
    pushed = PushCut(valuesList, iTexts, _ErrorNumber);
  if (!pushed) return;
  KAVKernelField attribute = KAVStrippedField(iAttribute, kAttributeWidth);
  int facets[11] = {iFacet1, iFacet2, iFacet3, iFacet4,  iFacet5, iFacet6,
                    iFacet7, iFacet8, iFacet9, iFacet10, iFacet11};
  GNFCAT(attribute.Data(), &facets[0], &facets[1], &facets[2], &facets[3],
         &facets[4], &facets[5], &facets[6], &facets[7], &facets[8], &facets[9],
         &facets[10], &valuesList, &_ErrorNumber);
  trace.Line("gnfcat(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  KAVKernelList::End(valuesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Close(KAVClosing::Framed(20), "KAVMfgDictionary::CreateAttribute, end");
}

void KAVMfgDictionary::AddAttribute(const KAVUnicodeString& iAttribute,
                                    const int& iVersion,
                                    const KAVUnicodeString& iBlock,
                                    const int& iStatus) {
  const KAVOperationTrace trace("KAVMfgDictionary");
  ReclaimCode();
  trace.Open(KAVOpening::Listed(19), "KAVMfgDictionary::AddAttribute, start",
             {{"attribute : ", iAttribute},
              {"version   : ", iVersion},
              {"block     : ", iBlock},
              {"status    : ", iStatus}});
  KAVKernelField attribute = KAVStrippedField(iAttribute, kAttributeWidth);
  KAVKernelField block = KAVStrippedField(iBlock, kBlockWidth);
  int version = iVersion, status = iStatus;
  GNFMC1(attribute.Data(), &version, block.Data(), &status, &_ErrorNumber);
  trace.Line("ier (gnfmc1) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Close(KAVClosing::Framed(17), "KAVMfgDictionary::AddAttribute, end");
}
