// KAVMfgDictionary: the class's state, loading, storing, reporting and
// unloading the kernel's current dictionary.
#include "KAVKernelForm.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVMfgDictionary.h"
#include "KAVMfgDictionaryCode.h"
#include "KAVMfgDictionaryForms.h"
#include "KAVTrace.h"

using namespace kavdictionary;

int KAVMfgDictionary::_ErrorNumber = 0;

KAVMfgDictionary::KAVMfgDictionary() {}
KAVMfgDictionary::KAVMfgDictionary(const KAVMfgDictionary&) {}
KAVMfgDictionary& KAVMfgDictionary::operator=(const KAVMfgDictionary&) {
  return *this;
}
KAVMfgDictionary::~KAVMfgDictionary() {}

namespace {

// The calling thread's dictionary code while the data pool asks the
// dictionary (KAVMfgDictionaryCode.h). Trivial, so no thread pays for a
// constructor; asking counts nested askers.
struct ThreadCode {
  int asking = 0;
  bool lent = false;
  int code = 0;
};
thread_local ThreadCode tCode;

}  // namespace

KAVDictionaryAskedByDataPool::KAVDictionaryAskedByDataPool() { ++tCode.asking; }
KAVDictionaryAskedByDataPool::~KAVDictionaryAskedByDataPool() {
  --tCode.asking;
}

// A lent code starts at 0 and then carries over from one query to the
// next, as _ErrorNumber would: the kernel writes every ier it is given.
int& kavdictionary::FacetsCode(int& ioOwn) {
  if (tCode.asking == 0) {
    ReclaimCode();
    return ioOwn;
  }
  if (!tCode.lent) {
    tCode.lent = true;
    tCode.code = 0;
  }
  return tCode.code;
}

void kavdictionary::ReclaimCode() { tCode.lent = false; }

const int* kavdictionary::LentCode() {
  return tCode.lent ? &tCode.code : nullptr;
}

int KAVMfgDictionary::GetError() {
  const int* lent = LentCode();
  return lent != nullptr ? *lent : _ErrorNumber;
}

namespace {

// The model a member name selects. The comparison is exact and made on
// the name as the caller gave it: a lower-case or blank-led "mspecfr2"
// goes to the kernel under "NC MODEL".
const char* ModelOf(const KAVUnicodeString& iMember) {
  if (iMember == "MSPECFR2") return "MFG SPEC";
  if (iMember == "MVIEWFR2") return "MFG VIEW";
  if (iMember == "MGEOPFR2") return "GEO PACK";
  return "NC MODEL";
}

// GNFINF has no return code: it always answers, with blanks when nothing
// is loaded. Only the model and member are used here.
void AskCurrent(KAVUnicodeString& oModel, KAVUnicodeString& oMember) {
  KAVKernelField model(kModelWidth), member(kMemberWidth);
  KAVKernelField third(kInfoWidth), text(kInfoTextWidth);
  GNFINF(model.Data(), member.Data(), third.Data(), text.Data());
  oModel = model.Stripped();
  oMember = member.Stripped();
}

// AskCurrent, then the two lines that report the answer when traced.
void ReportCurrent(const KAVOperationTrace& iTrace, KAVUnicodeString& oModel,
                   KAVUnicodeString& oMember) {
  AskCurrent(oModel, oMember);
  iTrace.Line("Name courant : ", oModel);
  iTrace.Line("Member courant : ", oMember);
}

}  // namespace

void KAVMfgDictionary::Load(const KAVUnicodeString& iName,
                            const int& iComplete) {
  const KAVOperationTrace trace("KAVMfgDictionary");
  ReclaimCode();
  trace.Open(KAVOpening::Listed(13), "Load, start", {{"Name : ", iName}});
  KAVKernelField model = KAVStrippedField(ModelOf(iName), kModelWidth);
  KAVKernelField member = KAVCutField(iName, kMemberWidth);
  KAVKernelField message(kMessageWidth);
  GNFLOD(model.Data(), member.Data(), message.Data(), &_ErrorNumber);
  trace.Line("ier (gnflod) ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (iComplete == 1) {
    GNFIDS(&_ErrorNumber);
    trace.Line("ier (gnfids) ", _ErrorNumber);
    if (_ErrorNumber != 0) return;
  }
  trace.Close(KAVClosing::Framed(10), "Load, end ");
}

void KAVMfgDictionary::Store(const KAVUnicodeString& iName) {
  const KAVOperationTrace trace("KAVMfgDictionary");
  ReclaimCode();
  trace.Open(KAVOpening::Listed(13), "Store, start", {{"Name : ", iName}});
  KAVKernelField member = KAVCutField(iName, kMemberWidth);
  KAVKernelField message(kMessageWidth);
  GNFZTR(member.Data(), message.Data(), &_ErrorNumber);
  trace.Line("ier (gnfztr) ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Close(KAVClosing::Framed(10), "Store, end ");
}

KAVUnicodeString KAVMfgDictionary::GetCurrent() {
  const KAVOperationTrace trace("KAVMfgDictionary");
  trace.Open(KAVOpening::Listed(13), "KAVMfgDictionary::GetCurrent, start");
  KAVUnicodeString model, member;
  ReportCurrent(trace, model, member);
  trace.Close(KAVClosing::Framed(10), "KAVMfgDictionary::GetCurrent, end ");
  return member;
}

// Relies on: Unload() leaves its code in _ErrorNumber and prints its own
// banners, nested inside ours. The closing report asks GNFINF again, inside
// the end banner, only when traced, so an untraced call makes one GNFINF
// fewer.
void KAVMfgDictionary::LoadDefault() {
  const KAVOperationTrace trace("KAVMfgDictionary");
  trace.Open(KAVOpening::Listed(13), "KAVMfgDictionary::LoadDefault, start");
  KAVUnicodeString model, member;
  ReportCurrent(trace, model, member);
  if (member == "DICOFR2") {
    trace.Text("Default dico deja charge !");
  } else {
    Unload();
    if (_ErrorNumber != 0) return;
    KAVKernelField defaultModel = KAVStrippedField("NC MODEL", kModelWidth);
    KAVKernelField defaultMember = KAVCutField("DICOFR2", kMemberWidth);
    KAVKernelField message(kMessageWidth);
    GNFLOD(defaultModel.Data(), defaultMember.Data(), message.Data(),
           &_ErrorNumber);
    trace.Line("ier (gnflod) ", _ErrorNumber);
    if (_ErrorNumber != 0) return;
    GNFIDS(&_ErrorNumber);
    trace.Line("ier (gnfids) ", _ErrorNumber);
    if (_ErrorNumber != 0) return;
  }
  trace.Close(KAVClosing::Framed(10), "KAVMfgDictionary::LoadDefault, end ",
              [&] { ReportCurrent(trace, model, member); });
}

void KAVMfgDictionary::Unload() {
  const KAVOperationTrace trace("KAVMfgDictionary");
  ReclaimCode();
  trace.Open(KAVOpening::Listed(13), "KAVMfgDictionary::Unload, start");
  GNFRST(&_ErrorNumber);
  trace.Line("ier (gnfrst) ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  GNFZDS(&_ErrorNumber);
  trace.Line("ier (gnfzds) ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Close(KAVClosing::Framed(13), "KAVMfgDictionary::Unload, end  ");
}
