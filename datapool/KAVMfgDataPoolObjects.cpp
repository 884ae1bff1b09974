// KAVMfgDataPool: the class's state, initialising and deleting pools, and
// creating, reading, deleting and listing objects.
#include "KAVKernelForm.h"
#include "KAVKernelList.h"
#include "KAVLegacyRoutines.h"
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
  const KAVOperationTrace trace("KAVMfgDataPool");
  trace.Open(KAVOpening::Listed(20), "Initialize, start");
  GNSCTS(&_ErrorNumber);
  trace.Line("ier (gnscts) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Close(KAVClosing::Framed(17), "Initialize, end  ");
}

void KAVMfgDataPool::DeleteDataPool(const KAVUnicodeString& iPool) {
  const KAVOperationTrace trace("KAVMfgDataPool");
  trace.Open(KAVOpening::Listed(20), "DeleteDataPool, start");
  KAVKernelField pool(iPool, kPoolWidth);
  GNSEDP(pool.Data(), &_ErrorNumber);
  trace.Line("ier (gnsedp) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Close(KAVClosing::Framed(17), "DeleteDataPool, end  ");
}

// The ints go by address to copies: the routine takes int* and the
// caller's are const.
void KAVMfgDataPool::CreateObject(const KAVUnicodeString& iPool,
                                  const int& iInt1, const int& iInt2,
                                  const int& iInt3) {
  const KAVOperationTrace trace("KAVMfgDataPool");
  trace.Open(KAVOpening::Listed(20), "CreateObject, start");
  KAVKernelField pool(iPool, kPoolWidth);
  int first = iInt1, second = iInt2, third = iInt3;
  GNSCOB(pool.Data(), &first, &second, &third, &_ErrorNumber);
  trace.Line("ier (gnscob) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Close(KAVClosing::Framed(17), "CreateObject, end  ");
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
  const KAVOperationTrace trace("KAVMfgDataPool");
  trace.Open(KAVOpening::Listed(20), "ReadObject, start");
  KAVKernelField pool(iPool, kPoolWidth);
  int number = iNumObj;
  int namesList = 0, nbValuesList = 0, typesList = 0;
  GNSROB(pool.Data(), &number, &oInt, &namesList, &nbValuesList, &typesList,
         &_ErrorNumber);
  trace.Line("ier (gnsrob) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  int width = 0, count = 0;
  KAVKernelList::Info(namesList, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  for (int i = 1; i <= count; ++i) {
    // The name as read is kept only for the trace; untraced it is read
    // stripped straight away (one GUSREA either way, no copy of the
    // record: GetValues reads every field name through here).
    KAVUnicodeString asRead, name;
    if (trace) {
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
    trace.Line("field : ", asRead);
    trace.Line("type  : ", type);
    trace.Line("nbval : ", nbValues);
  }
  if (!KAVKernelList::EndInOrder({&namesList, &nbValuesList, &typesList},
                                 _ErrorNumber))
    return;
  trace.Close(KAVClosing::Framed(17), "ReadObject, end  ");
}

void KAVMfgDataPool::DeleteObject(const KAVUnicodeString& iPool,
                                  const int& iNumObj) {
  const KAVOperationTrace trace("KAVMfgDataPool");
  trace.Open(KAVOpening::Listed(20), "DeleteObject, start");
  KAVKernelField pool(iPool, kPoolWidth);
  int number = iNumObj;
  GNSEOB(pool.Data(), &number, &_ErrorNumber);
  trace.Line("ier (gnseob) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Close(KAVClosing::Framed(17), "DeleteObject, end  ");
}

// Relies on: GNSXOB opens one list of object numbers (ints) in a handle
// that was 0. The collection is allocated before the first kernel call so
// that every path, failures included, hands one back.
KAVRawCollint* KAVMfgDataPool::ListObjects(const KAVUnicodeString& iPool,
                                           const int& iKind) {
  const KAVOperationTrace trace("KAVMfgDataPool");
  trace.Open(KAVOpening::Listed(20), "ListObjects, start");
  KAVRawCollint* numbers = new KAVRawCollint(0);
  KAVKernelField pool(iPool, kPoolWidth);
  int kind = iKind;
  int handle = 0;
  GNSXOB(pool.Data(), &kind, &handle, &_ErrorNumber);
  trace.Line("ier (gnsxob) : ", _ErrorNumber);
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
  trace.Close(KAVClosing::Framed(17), "ListObjects, end  ");
  return numbers;
}
