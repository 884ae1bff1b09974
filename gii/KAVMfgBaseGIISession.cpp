// KAVMfgBaseGII: the class's state, the identifier cache and its index, the
// opening every variable operation shares, and session control (error,
// order, events, modification state).
#include <string>

#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVMfgBaseGII.h"
#include "KAVMfgBaseGIIInternals.h"
#include "KAVMfgBaseGIIShared.h"
#include "KAVTrace.h"

using namespace kavgii;

KAVListValKAVUnicodeString* KAVMfgBaseGII::_GIINames = nullptr;
KAVRawCollint* KAVMfgBaseGII::_GIIIds = nullptr;
int KAVMfgBaseGII::_BatchInterGII = 0;

KAVMfgBaseGII::KAVMfgBaseGII() {}
KAVMfgBaseGII::KAVMfgBaseGII(const KAVMfgBaseGII&) {}
KAVMfgBaseGII& KAVMfgBaseGII::operator=(const KAVMfgBaseGII&) { return *this; }
KAVMfgBaseGII::~KAVMfgBaseGII() {}

bool kavgii::OdtOn() { return KAVMfgBaseAnalysisStatic::ReadODT() == "OUI"; }

int kavgii::Resolve(const KAVUnicodeString& iName, int iBuffer,
                    KAVUnicodeString& oName) {
  if (OdtOn()) return 0;
  oName = Stripped(iName);
  return KAVMfgBaseGII::GetGIIId(oName, iBuffer);
}

int kavgii::Resolve(const KAVUnicodeString& iName, int iBuffer) {
  KAVUnicodeString name;
  return Resolve(iName, iBuffer, name);
}

bool kavgii::RaiseIfFailed(int iIer, int iBuffer) {
  if (iIer == 0) return false;
  KAVMfgBaseGII::SetGIIError(iIer, iBuffer);
  return true;
}

KAVListIndex& kavgii::CacheIndex() {
  static KAVListIndex* index = new KAVListIndex;  // lives as long as the cache
  return *index;
}

namespace {

// SetGIIIdList's treatment of one name: query it, and cache it or report
// it. The report is printed whatever the trace switch says.
void QueryAndCache(const KAVOperationTrace& iTrace,
                   const KAVUnicodeString& iName,
                   KAVListValKAVUnicodeString& ioNames, KAVRawCollint& ioIds) {
  KAVKernelText name(Stripped(iName));
  int id = 0, ier = 0;
  GMIQID(&name.Length(), name.Data(), &id, &ier);
  if (ier != 0) {
    KAVTrace::Text("");
    KAVTrace::Text("##################################");
    KAVTrace::Line(" Variable ", name.Text());
    KAVTrace::Line(" GMIQID IER ", ier);
    KAVTrace::Text("##################################");
    KAVTrace::Text("");
    GUERJO();
    return;
  }
  ioNames.Append(name.Text());
  ioIds.Append(id);
  if (iTrace) KAVTrace::Line(name.Text() + " est memorise : ", id);
}

bool IsErrorName(const KAVUnicodeString& iName) {
  return iName == kErrorVariable || iName == kErrorEvent;
}

// The opening of both event recorders, which print the same banners:
// GMOEVT on the variable. False when the operation stops there (ODT, no
// identifier, or a failure raised); a failure on "OUTER" is taken as
// recorded.
bool RecordEvent(const KAVOperationTrace& iTrace, const KAVUnicodeString& iName,
                 int iBuffer) {
  iTrace.Open(KAVOpening::Framed(38), "SetGIIEventVariable, start",
              {{"variable : ", iName}});
  KAVUnicodeString name;
  int id = Resolve(iName, iBuffer, name);
  if (id == 0) return false;
  int ier = 0;
  GMOEVT(&id, &ier);
  iTrace.Line("gmoevt, ier : ", ier);
  if (name != kErrorEvent && RaiseIfFailed(ier, 0)) return false;
  return true;
}

}  // namespace

void KAVMfgBaseGII::ResetGIIIdList() {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  if (_GIINames != nullptr) {
    delete _GIINames;
    _GIINames = nullptr;
  }
  if (_GIIIds != nullptr) {
    delete _GIIIds;
    _GIIIds = nullptr;
  }
  CacheIndex().Clear();
  trace.Text("");
  trace.Text("###############################");
  trace.Text("# ResetGIIIdList, DONE        #");
  trace.Text("###############################");
  trace.Text("");
}

// Relies on: GMIQID takes the name unpadded with its length and answers
// the identifier when ier is 0. A cached identifier of 0 is no answer: the
// kernel is asked again. The cache is never filled here.
int KAVMfgBaseGII::GetGIIId(const KAVUnicodeString& iName, const int iBuffer) {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  trace.Open(KAVOpening::Framed(38), "GetGIIId, start");
  const std::string_view stripped = KAVStrippedView(iName);
  int result = 0;
  if (_GIINames != nullptr && _GIIIds != nullptr && iBuffer == 1) {
    trace.Text("J'utilise le buffer");
    const int position = CacheIndex().Locate(*_GIINames, stripped);
    if (position > 0) {
      result = (*_GIIIds)[position];
      trace.Text("Victoire");
    }
  }
  if (result == 0) {
    const KAVUnicodeString name(stripped.data(),
                                static_cast<int>(stripped.size()));
    KAVKernelText text(name);
    if (trace)
      KAVTrace::Line("varnam, lg : ",
                     name + " " + std::to_string(text.Length()).c_str());
    int id = 0, ier = 0;
    GMIQID(&text.Length(), text.Data(), &id, &ier);
    if (trace)
      KAVTrace::Line("gmiqid, ier, jeton : ",
                     (std::to_string(ier) + " " + std::to_string(id)).c_str());
    if (ier == 0)
      result = id;
    else if (!IsErrorName(name))
      SetGIIError(ier, 0);
  }
  trace.Close(KAVClosing::Framed(38), {"GetGIIId, end ID = ", result});
  return result;
}

// Relies on: the cache lists are emptied in place, so a second call
// replaces the contents; the index is cleared with them and catches up on
// the next lookup. "IERZORVEN" and "OUTER" are looked for in the list
// itself, which is the truth.
void KAVMfgBaseGII::SetGIIIdList(const KAVListValKAVUnicodeString& iNames) {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  trace.Open(KAVOpening::Framed(38), "SetGIIIdList, start");
  const int count = iNames.Size();
  if (_GIINames == nullptr) _GIINames = new KAVListValKAVUnicodeString;
  if (_GIIIds == nullptr) _GIIIds = new KAVRawCollint(0);
  _GIINames->RemoveAll(1);
  _GIIIds->RemoveAll(1);
  CacheIndex().Clear();
  for (int i = 1; i <= count; ++i)
    QueryAndCache(trace, iNames[i], *_GIINames, *_GIIIds);
  for (const char* fixed : {kErrorVariable, kErrorEvent})
    if (_GIINames->Locate(fixed, 1) == 0)
      QueryAndCache(trace, fixed, *_GIINames, *_GIIIds);
  trace.Close(KAVClosing::Framed(38), "SetGIIIdList, end");
}

// Relies on: the integer writer ignores a failure on "IERZORVEN" and the
// event recorder one on "OUTER", and GetGIIId raises nothing for either,
// so nothing called from here calls SetGIIError again.
void KAVMfgBaseGII::SetGIIError(const int& iIer, const int iBuffer) {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  trace.Open(KAVOpening::Framed(38), "SetGIIError, start", {{"ier : ", iIer}});
  if (OdtOn()) return;
  SetGIIIntVariable(kErrorVariable, iIer, iBuffer);
  SetGIIEventVariable(kErrorEvent, iBuffer);
  trace.Close(KAVClosing::Framed(38), "SetGIIError, end");
}

// Relies on: LBATCH takes a null address and answers 1 in batch. In
// record mode the order is given once per recorded event: a second order
// with nothing recorded would bring the recorded session down, so it is
// refused with a warning instead. MRCGII's outputs are not read.
void KAVMfgBaseGII::SetGIIOrder() {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  trace.Open(KAVOpening::Framed(18), "SetGIIOrder, start");
  if (OdtOn()) return;
  if (KAVMfgBaseAnalysisStatic::ReadGIIRV5() != "OUI") {
    if (LBATCH(nullptr) == 1) return;
  } else {
    if (_BatchInterGII == 0) {
      KAVTrace::Text(" ################################### ");
      KAVTrace::Text(" #                                 # ");
      KAVTrace::Text(" # ATTENTION                       # ");
      KAVTrace::Text(" # =========                       # ");
      KAVTrace::Text(" #                                 # ");
      KAVTrace::Text(" #  SetGIIOrder Demande et aucun   # ");
      KAVTrace::Text(" #  SetGIIEvent(Bis)Variable       # ");
      KAVTrace::Text(" #  enregistre !                   # ");
      KAVTrace::Text(" #                                 # ");
      KAVTrace::Text(" #  On ne fait pas mrcgii car ca   # ");
      KAVTrace::Text(" #  va planter MAGISTRALEMENT      # ");
      KAVTrace::Text(" #                                 # ");
      KAVTrace::Text(" #                                 # ");
      KAVTrace::Text(" #    VERIFIER LA VALIDITE         # ");
      KAVTrace::Text(" #    DE LA REQUETE  (VISU ?)      # ");
      KAVTrace::Text(" #                                 # ");
      KAVTrace::Text(" ################################### ");
      return;
    }
    _BatchInterGII = 0;
  }
  int first = 0, second = 0;
  MRCGII(&first, &second);
  trace.Close(KAVClosing::Framed(16), "SetGIIOrder, end");
}

void KAVMfgBaseGII::SetGIIEventVariable(const KAVUnicodeString& iName,
                                        const int iBuffer) {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  if (!RecordEvent(trace, iName, iBuffer)) return;
  _BatchInterGII = 1;
  SetGIIOrder();
  trace.Close(KAVClosing::Framed(38), "SetGIIEventVariable, end");
}

// SetGIIEventVariable without the order.
void KAVMfgBaseGII::SetGIIEventBisVariable(const KAVUnicodeString& iName,
                                           const int iBuffer) {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  if (!RecordEvent(trace, iName, iBuffer)) return;
  _BatchInterGII = 1;
  trace.Close(KAVClosing::Framed(38), "SetGIIEventVariable, end");
}

void KAVMfgBaseGII::ResetGIIVarModifState(const KAVUnicodeString& iName,
                                          const int iBuffer) {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  trace.Open(KAVOpening::Framed(38), "ResetGIIVarModifState,           start",
             {{"variable : ", iName}});
  int id = Resolve(iName, iBuffer);
  if (id == 0) return;
  int ier = 0;
  GMOMDR(&id, &ier);
  trace.Line("gmomdr, ier : ", ier);
  if (RaiseIfFailed(ier, iBuffer)) return;
  trace.Close(KAVClosing::Framed(38), "ResetGIIVarModifState,             end");
}

bool KAVMfgBaseGII::Internals::CacheAgrees() {
  if ((_GIINames == nullptr) != (_GIIIds == nullptr)) return false;
  if (_GIINames == nullptr) return true;
  if (_GIINames->Size() != _GIIIds->Size()) return false;
  return CacheIndex().Agrees(*_GIINames);
}

void KAVMfgBaseGII::Internals::Forget() {
  delete _GIINames;
  _GIINames = nullptr;
  delete _GIIIds;
  _GIIIds = nullptr;
  CacheIndex().Clear();
  _BatchInterGII = 0;
}
