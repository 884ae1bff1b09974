// KAVMfgDataPool: the class's state, initialising and deleting pools, and
// creating, reading, deleting and listing objects.
#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVMfgDataPool.h"
#include "KAVMfgDataPoolForms.h"
#include "KAVTrace.h"

using namespace kavdatapool;

int KAVMfgDataPool::_ErrorNumber = 0;

KAVMfgDataPool::KAVMfgDataPool() {}
KAVMfgDataPool::KAVMfgDataPool(const KAVMfgDataPool&) {}
KAVMfgDataPool& KAVMfgDataPool::operator=(const KAVMfgDataPool&) {
  return *this;
}
KAVMfgDataPool::~KAVMfgDataPool() {}

int KAVMfgDataPool::GetError() { return _ErrorNumber; }

void KAVMfgDataPool::Initialize() {
  const int traced = GetDebug("KAVMfgDataPool");
  if (traced) {
    KAVTrace::Open(20, "Initialize, start");
    KAVTrace::Blank();
  }
  GNSCTS(&_ErrorNumber);
  if (traced) KAVTrace::Line("ier (gnscts) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Close(17, "Initialize, end  ");
}

void KAVMfgDataPool::DeleteDataPool(const KAVUnicodeString& iPool) {
  const int traced = GetDebug("KAVMfgDataPool");
  if (traced) {
    KAVTrace::Open(20, "DeleteDataPool, start");
    KAVTrace::Blank();
  }
  KAVKernelField pool = PoolField(iPool);
  GNSEDP(pool.Data(), &_ErrorNumber);
  if (traced) KAVTrace::Line("ier (gnsedp) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Close(17, "DeleteDataPool, end  ");
}

// The ints go by address to copies: the routine takes int* and the
// caller's are const.
void KAVMfgDataPool::CreateObject(const KAVUnicodeString& iPool,
                                  const int& iInt1, const int& iInt2,
                                  const int& iInt3) {
  const int traced = GetDebug("KAVMfgDataPool");
  if (traced) {
    KAVTrace::Open(20, "CreateObject, start");
    KAVTrace::Blank();
  }
  KAVKernelField pool = PoolField(iPool);
  int first = iInt1, second = iInt2, third = iInt3;
  GNSCOB(pool.Data(), &first, &second, &third, &_ErrorNumber);
  if (traced) KAVTrace::Line("ier (gnscob) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Close(17, "CreateObject, end  ");
}

// Relies on: GNSROB opens three lists of equal length (16-character field
// names, numbers of values, types of values) in handles that were 0 and
// writes its int straight into the caller's. The count comes from the name
// list. A failing read returns at once and leaves all three open; a
// failing GUSEND leaves the lists after it open.
void KAVMfgDataPool::ReadObject(const KAVUnicodeString& iPool,
                                const int& iNumObj, int& oInt,
                                KAVListValKAVUnicodeString& oFieldNames,
                                KAVRawCollint& oNbValues,
                                KAVRawCollint& oTypes) {
  const int traced = GetDebug("KAVMfgDataPool");
  if (traced) {
    KAVTrace::Open(20, "ReadObject, start");
    KAVTrace::Blank();
  }
  KAVKernelField pool = PoolField(iPool);
  int number = iNumObj;
  int namesList = 0, nbValuesList = 0, typesList = 0;
  GNSROB(pool.Data(), &number, &oInt, &namesList, &nbValuesList, &typesList,
         &_ErrorNumber);
  if (traced) KAVTrace::Line("ier (gnsrob) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  int width = 0, count = 0;
  KAVKernelList::Info(namesList, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  for (int i = 1; i <= count; ++i) {
    // The name as read is kept only for the trace; untraced it is read
    // stripped straight away (one GUSREA either way, no copy of the
    // record: GetValues reads every field name through here).
    KAVUnicodeString asRead, name;
    if (traced) {
      asRead =
          KAVKernelList::ReadRecord(namesList, i, kFieldWidth, _ErrorNumber);
      name = asRead.Strip(KAVStripBoth, ' ');
    } else {
      name = KAVKernelList::ReadText(namesList, i, kFieldWidth, _ErrorNumber);
    }
    if (_ErrorNumber != 0) return;
    oFieldNames.Append(name);
    const int nbValues = KAVKernelList::ReadInt(nbValuesList, i, _ErrorNumber);
    if (_ErrorNumber != 0) return;
    oNbValues.Append(nbValues);
    const int type = KAVKernelList::ReadInt(typesList, i, _ErrorNumber);
    if (_ErrorNumber != 0) return;
    oTypes.Append(type);
    if (traced) {
      KAVTrace::Line("field : ", asRead);
      KAVTrace::Line("type  : ", type);
      KAVTrace::Line("nbval : ", nbValues);
    }
  }
  KAVKernelList::End(namesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  KAVKernelList::End(nbValuesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  KAVKernelList::End(typesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Close(17, "ReadObject, end  ");
}

void KAVMfgDataPool::DeleteObject(const KAVUnicodeString& iPool,
                                  const int& iNumObj) {
  const int traced = GetDebug("KAVMfgDataPool");
  if (traced) {
    KAVTrace::Open(20, "DeleteObject, start");
    KAVTrace::Blank();
  }
  KAVKernelField pool = PoolField(iPool);
  int number = iNumObj;
  GNSEOB(pool.Data(), &number, &_ErrorNumber);
  if (traced) KAVTrace::Line("ier (gnseob) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Close(17, "DeleteObject, end  ");
}

// Relies on: GNSXOB opens one list of object numbers (ints) in a handle
// that was 0. The collection is allocated before the first kernel call so
// that every path, failures included, hands one back.
KAVRawCollint* KAVMfgDataPool::ListObjects(const KAVUnicodeString& iPool,
                                           const int& iKind) {
  const int traced = GetDebug("KAVMfgDataPool");
  if (traced) {
    KAVTrace::Open(20, "ListObjects, start");
    KAVTrace::Blank();
  }
  KAVRawCollint* numbers = new KAVRawCollint(0);
  KAVKernelField pool = PoolField(iPool);
  int kind = iKind;
  int handle = 0;
  GNSXOB(pool.Data(), &kind, &handle, &_ErrorNumber);
  if (traced) KAVTrace::Line("ier (gnsxob) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return numbers;
  int width = 0, count = 0;
  KAVKernelList::Info(handle, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return numbers;
  for (int i = 1; i <= count; ++i) {
    const int number = KAVKernelList::ReadInt(handle, i, _ErrorNumber);
    if (_ErrorNumber != 0) return numbers;
    numbers->Append(number);
  }
  KAVKernelList::End(handle, _ErrorNumber);
  if (_ErrorNumber != 0) return numbers;
  if (traced) KAVTrace::Close(17, "ListObjects, end  ");
  return numbers;
}
