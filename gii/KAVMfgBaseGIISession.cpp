// KAVMfgBaseGII: the class's state, the identifier cache and its index, and
// session control (error, order, events, modification state).
#include <string>
#include <unordered_map>

#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseGII.h"
#include "KAVMfgBaseGIIForms.h"
#include "KAVMfgBaseGIIInternals.h"
#include "KAVTrace.h"

using namespace kavgii;

KAVListValKAVUnicodeString* KAVMfgBaseGII::_GIINames = nullptr;
KAVRawCollint* KAVMfgBaseGII::_GIIIds = nullptr;
int KAVMfgBaseGII::_BatchInterGII = 0;

KAVMfgBaseGII::KAVMfgBaseGII() {}
KAVMfgBaseGII::KAVMfgBaseGII(const KAVMfgBaseGII&) {}
KAVMfgBaseGII& KAVMfgBaseGII::operator=(const KAVMfgBaseGII&) { return *this; }
KAVMfgBaseGII::~KAVMfgBaseGII() {}

namespace kavgii {

int NameIndex::Locate(const KAVListValKAVUnicodeString& iNames,
                      std::string_view iName) {
  CatchUp(iNames);
  int position = Find(iName);
  if (position != 0 && iNames[position].ToStdString() != iName) {
    Clear();
    CatchUp(iNames);
    position = Find(iName);
  }
  return position;
}

void NameIndex::Clear() {
  _first.clear();
  _names.clear();
  _covered = 0;
}

void NameIndex::CatchUp(const KAVListValKAVUnicodeString& iNames) {
  if (iNames.Size() < _covered) Clear();
  while (_covered < iNames.Size()) {
    ++_covered;
    const std::string& name = iNames[_covered].ToStdString();
    if (_first.count(name) != 0) continue;  // the first one stays
    _names.push_back(name);
    _first.emplace(_names.back(), _covered);
  }
}

int NameIndex::Find(std::string_view iName) const {
  const auto found = _first.find(iName);
  return found == _first.end() ? 0 : found->second;
}

NameIndex& CacheIndex() {
  static NameIndex* index = new NameIndex;  // lives as long as the cache
  return *index;
}

}  // namespace kavgii

namespace {

// SetGIIIdList's treatment of one name: query it, and cache it or report
// it. The report is printed whatever the trace switch says.
void QueryAndCache(int iTraced, const KAVUnicodeString& iName,
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
  if (iTraced) KAVTrace::Line(name.Text() + " est memorise : ", id);
}

bool IsErrorName(const KAVUnicodeString& iName) {
  return iName == kErrorVariable || iName == kErrorEvent;
}

}  // namespace

void KAVMfgBaseGII::ResetGIIIdList() {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (_GIINames != nullptr) {
    delete _GIINames;
    _GIINames = nullptr;
  }
  if (_GIIIds != nullptr) {
    delete _GIIIds;
    _GIIIds = nullptr;
  }
  CacheIndex().Clear();
  if (traced) {
    KAVTrace::Text("");
    KAVTrace::Text("###############################");
    KAVTrace::Text("# ResetGIIIdList, DONE        #");
    KAVTrace::Text("###############################");
    KAVTrace::Text("");
  }
}

// Relies on: GMIQID takes the name unpadded with its length and answers
// the identifier when ier is 0. A cached identifier of 0 is no answer: the
// kernel is asked again. The cache is never filled here.
int KAVMfgBaseGII::GetGIIId(const KAVUnicodeString& iName, const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "GetGIIId, start");
    BannerBottom(38);
  }
  const std::string_view stripped = StrippedView(iName);
  int result = 0;
  if (_GIINames != nullptr && _GIIIds != nullptr && iBuffer == 1) {
    if (traced) KAVTrace::Text("J'utilise le buffer");
    const int position = CacheIndex().Locate(*_GIINames, stripped);
    if (position > 0) {
      result = (*_GIIIds)[position];
      if (traced) KAVTrace::Text("Victoire");
    }
  }
  if (result == 0) {
    const KAVUnicodeString name(stripped.data(),
                                static_cast<int>(stripped.size()));
    KAVKernelText text(name);
    if (traced)
      KAVTrace::Line("varnam, lg : ",
                     name + " " + std::to_string(text.Length()).c_str());
    int id = 0, ier = 0;
    GMIQID(&text.Length(), text.Data(), &id, &ier);
    if (traced)
      KAVTrace::Line("gmiqid, ier, jeton : ",
                     (std::to_string(ier) + " " + std::to_string(id)).c_str());
    if (ier == 0)
      result = id;
    else if (!IsErrorName(name))
      SetGIIError(ier, 0);
  }
  if (traced) {
    KAVTrace::Blank();
    KAVTrace::Dashes(38);
    KAVTrace::Line("GetGIIId, end ID = ", result);
    KAVTrace::Dashes(38);
    KAVTrace::Blank();
  }
  return result;
}

// Relies on: the cache lists are emptied in place, so a second call
// replaces the contents; the index is cleared with them and catches up on
// the next lookup. "IERZORVEN" and "OUTER" are looked for in the list
// itself, which is the truth.
void KAVMfgBaseGII::SetGIIIdList(const KAVListValKAVUnicodeString& iNames) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "SetGIIIdList, start");
    BannerBottom(38);
  }
  const int count = iNames.Size();
  if (_GIINames == nullptr) _GIINames = new KAVListValKAVUnicodeString;
  if (_GIIIds == nullptr) _GIIIds = new KAVRawCollint(0);
  _GIINames->RemoveAll(1);
  _GIIIds->RemoveAll(1);
  CacheIndex().Clear();
  for (int i = 1; i <= count; ++i)
    QueryAndCache(traced, iNames[i], *_GIINames, *_GIIIds);
  for (const char* fixed : {kErrorVariable, kErrorEvent})
    if (_GIINames->Locate(fixed, 1) == 0)
      QueryAndCache(traced, fixed, *_GIINames, *_GIIIds);
  if (traced) KAVTrace::Close(38, "SetGIIIdList, end");
}

// Relies on: the integer writer ignores a failure on "IERZORVEN" and the
// event recorder one on "OUTER", and GetGIIId raises nothing for either,
// so nothing called from here calls SetGIIError again.
void KAVMfgBaseGII::SetGIIError(const int& iIer, const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "SetGIIError, start");
    KAVTrace::Line("ier : ", iIer);
    BannerBottom(38);
  }
  if (OdtOn()) return;
  SetGIIIntVariable(kErrorVariable, iIer, iBuffer);
  SetGIIEventVariable(kErrorEvent, iBuffer);
  if (traced) KAVTrace::Close(38, "SetGIIError, end");
}

// Relies on: LBATCH takes a null address and answers 1 in batch. In
// record mode the order is given once per recorded event: a second order
// with nothing recorded would bring the recorded session down, so it is
// refused with a warning instead. MRCGII's outputs are not read.
void KAVMfgBaseGII::SetGIIOrder() {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(18, "SetGIIOrder, start");
    BannerBottom(18);
  }
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
  if (traced) KAVTrace::Close(16, "SetGIIOrder, end");
}

// Relies on: a failed GMOEVT on "OUTER" is taken as recorded: the flag is
// set and the order given, so the error event still reaches the monitor.
void KAVMfgBaseGII::SetGIIEventVariable(const KAVUnicodeString& iName,
                                        const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "SetGIIEventVariable, start");
    KAVTrace::Line("variable : ", iName);
    BannerBottom(38);
  }
  if (OdtOn()) return;
  const KAVUnicodeString name = Stripped(iName);
  int id = GetGIIId(name, iBuffer);
  if (id == 0) return;
  int ier = 0;
  GMOEVT(&id, &ier);
  if (traced) KAVTrace::Line("gmoevt, ier : ", ier);
  if (ier != 0 && name != kErrorEvent) {
    SetGIIError(ier, 0);
    return;
  }
  _BatchInterGII = 1;
  SetGIIOrder();
  if (traced) KAVTrace::Close(38, "SetGIIEventVariable, end");
}

// SetGIIEventVariable without the order; it prints the same banners.
void KAVMfgBaseGII::SetGIIEventBisVariable(const KAVUnicodeString& iName,
                                           const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "SetGIIEventVariable, start");
    KAVTrace::Line("variable : ", iName);
    BannerBottom(38);
  }
  if (OdtOn()) return;
  const KAVUnicodeString name = Stripped(iName);
  int id = GetGIIId(name, iBuffer);
  if (id == 0) return;
  int ier = 0;
  GMOEVT(&id, &ier);
  if (traced) KAVTrace::Line("gmoevt, ier : ", ier);
  if (ier != 0 && name != kErrorEvent) {
    SetGIIError(ier, 0);
    return;
  }
  _BatchInterGII = 1;
  if (traced) KAVTrace::Close(38, "SetGIIEventVariable, end");
}

void KAVMfgBaseGII::ResetGIIVarModifState(const KAVUnicodeString& iName,
                                          const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "ResetGIIVarModifState,           start");
    KAVTrace::Line("variable : ", iName);
    BannerBottom(38);
  }
  if (OdtOn()) return;
  int id = GetGIIId(Stripped(iName), iBuffer);
  if (id == 0) return;
  int ier = 0;
  GMOMDR(&id, &ier);
  if (traced) KAVTrace::Line("gmomdr, ier : ", ier);
  if (ier != 0) {
    SetGIIError(ier, iBuffer);
    return;
  }
  if (traced) KAVTrace::Close(38, "ResetGIIVarModifState,             end");
}

bool KAVMfgBaseGII::Internals::CacheAgrees() {
  if ((_GIINames == nullptr) != (_GIIIds == nullptr)) return false;
  if (_GIINames == nullptr) return true;
  if (_GIINames->Size() != _GIIIds->Size()) return false;
  std::unordered_map<std::string, int> first;
  for (int i = 1; i <= _GIINames->Size(); ++i)
    first.emplace((*_GIINames)[i].ToStdString(), i);
  for (int i = 1; i <= _GIINames->Size(); ++i) {
    const std::string& name = (*_GIINames)[i].ToStdString();
    if (CacheIndex().Locate(*_GIINames, name) != first[name]) return false;
  }
  std::string absent = "\x01";
  while (first.count(absent) != 0) absent += '\x01';
  return CacheIndex().Locate(*_GIINames, absent) == 0;
}

void KAVMfgBaseGII::Internals::Forget() {
  delete _GIINames;
  _GIINames = nullptr;
  delete _GIIIds;
  _GIIIds = nullptr;
  CacheIndex().Clear();
  _BatchInterGII = 0;
}
