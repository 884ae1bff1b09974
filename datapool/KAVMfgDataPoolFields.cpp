// KAVMfgDataPool: creating a field with its values and reading them back,
// in the general form and for a single integer, real or text.
#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVMfgDataPool.h"
#include "KAVMfgDataPoolForms.h"
#include "KAVTrace.h"

using namespace kavdatapool;

// Relies on: GUSINI starts a list whose record width tells GNSCFI the kind
// of the values; GNSCFI copies them into the field and leaves the list to
// its owner, who ends it. Any failure returns at once: after GUSINI the
// list then stays open.
void KAVMfgDataPool::CreateField(const KAVUnicodeString& iPool,
                                 const int& iNumObj, const int& iType,
                                 const KAVUnicodeString& iField,
                                 const KAVRawCollint& iInts,
                                 const KAVRawColldouble& iDoubles,
                                 const KAVListValKAVUnicodeString& iTexts) {
  const int traced = GetDebug("KAVMfgDataPool");
  if (traced) {
    KAVTrace::Open(20, "CreateField, start");
    KAVTrace::Blank();
  }
  KAVKernelField pool = PoolField(iPool);
  KAVKernelField field = FieldName(iField);
  // The first collection holding a value decides; with none, an empty
  // text list still creates the field.
  const int width = iInts.Size() > 0      ? kIntWidth
                    : iDoubles.Size() > 0 ? kDoubleWidth
                                          : kTextValueWidth;
  int valuesList = 0;
  KAVKernelList::Start(width, valuesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (width == kIntWidth) {
    for (int i = 1; i <= iInts.Size(); ++i) {
      KAVKernelList::PushInt(valuesList, iInts[i], _ErrorNumber);
      if (_ErrorNumber != 0) return;
    }
  } else if (width == kDoubleWidth) {
    for (int i = 1; i <= iDoubles.Size(); ++i) {
      KAVKernelList::PushDouble(valuesList, iDoubles[i], _ErrorNumber);
      if (_ErrorNumber != 0) return;
    }
  } else {
    for (int i = 1; i <= iTexts.Size(); ++i) {
      KAVKernelList::PushText(valuesList, iTexts[i], _ErrorNumber);
      if (_ErrorNumber != 0) return;
    }
  }
  int number = iNumObj, type = iType;
  GNSCFI(pool.Data(), &number, &type, field.Data(), &valuesList, &_ErrorNumber);
  if (traced) KAVTrace::Line("ier (gnscfi) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  KAVKernelList::End(valuesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Close(17, "CreateField, end ");
}

void KAVMfgDataPool::CreateIntField(const KAVUnicodeString& iPool,
                                    const int& iNumObj, const int& iType,
                                    const KAVUnicodeString& iField,
                                    const int& iValue) {
  const int traced = GetDebug("KAVMfgDataPool");
  if (traced) {
    KAVTrace::Open(20, "CreateIntField, start");
    KAVTrace::Blank();
  }
  KAVRawCollint ints(0);
  KAVRawColldouble doubles(0);
  KAVListValKAVUnicodeString texts;
  ints.Append(iValue);
  CreateField(iPool, iNumObj, iType, iField, ints, doubles, texts);
  if (traced) KAVTrace::Close(20, "CreateIntField, end ");
}

void KAVMfgDataPool::CreateDblField(const KAVUnicodeString& iPool,
                                    const int& iNumObj, const int& iType,
                                    const KAVUnicodeString& iField,
                                    const double& iValue) {
  const int traced = GetDebug("KAVMfgDataPool");
  if (traced) {
    KAVTrace::Open(20, "CreateDblField, start");
    KAVTrace::Blank();
  }
  KAVRawCollint ints(0);
  KAVRawColldouble doubles(0);
  KAVListValKAVUnicodeString texts;
  doubles.Append(iValue);
  CreateField(iPool, iNumObj, iType, iField, ints, doubles, texts);
  if (traced) KAVTrace::Close(20, "CreateDblField, end ");
}

void KAVMfgDataPool::CreateStrField(const KAVUnicodeString& iPool,
                                    const int& iNumObj, const int& iType,
                                    const KAVUnicodeString& iField,
                                    const KAVUnicodeString& iValue) {
  const int traced = GetDebug("KAVMfgDataPool");
  if (traced) {
    KAVTrace::Open(20, "CreateStrField, start");
    KAVTrace::Blank();
  }
  KAVRawCollint ints(0);
  KAVRawColldouble doubles(0);
  KAVListValKAVUnicodeString texts;
  texts.Append(iValue);
  CreateField(iPool, iNumObj, iType, iField, ints, doubles, texts);
  if (traced) KAVTrace::Close(20, "CreateStrField, end ");
}

// Relies on: GNSRFI opens one list in a handle that was 0, whose record
// width is the kind of the field's values (4 int, 8 double, 72 text); a
// list of any other width is ended without being read. A failing read
// returns at once and leaves the list open.
void KAVMfgDataPool::ReadField(const KAVUnicodeString& iPool,
                               const int& iNumObj,
                               const KAVUnicodeString& iField,
                               KAVRawCollint& oInts, KAVRawColldouble& oDoubles,
                               KAVListValKAVUnicodeString& oTexts) {
  const int traced = GetDebug("KAVMfgDataPool");
  if (traced) {
    KAVTrace::Open(20, "ReadField, start");
    KAVTrace::Line("Pool   : ", iPool);
    KAVTrace::Line("Numobj : ", iNumObj);
    KAVTrace::Line("Field  : ", iField);
    KAVTrace::Blank();
  }
  oInts.RemoveAll(KAVCollec::ReleaseMemory);
  oDoubles.RemoveAll(KAVCollec::ReleaseMemory);
  oTexts.RemoveAll(KAVCollec::ReleaseMemory);
  KAVKernelField pool = PoolField(iPool);
  KAVKernelField field = FieldName(iField);
  int number = iNumObj;
  int valuesList = 0;
  GNSRFI(pool.Data(), &number, field.Data(), &valuesList, &_ErrorNumber);
  if (traced) KAVTrace::Line("ier (gnsrfi) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  int width = 0, count = 0;
  KAVKernelList::Info(valuesList, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  const KAVValueKind kind = KAVValueKindOfWidth(width);
  if (traced) {
    if (kind == KAVValueKind::kInt) KAVTrace::Text("Field Type is Integer");
    if (kind == KAVValueKind::kDouble) KAVTrace::Text("Field Type is Double");
    if (kind == KAVValueKind::kText) KAVTrace::Text("Field Type is String");
  }
  for (int i = 1; kind != KAVValueKind::kNone && i <= count; ++i) {
    const KAVKernelValue value = KAVKernelList::ReadValue(
        valuesList, i, kind, kTextValueWidth, _ErrorNumber);
    if (_ErrorNumber != 0) return;
    value.AppendTo(oInts, oDoubles, oTexts);
    if (traced) {
      if (kind == KAVValueKind::kInt)
        KAVTrace::Line("Field Value : ", value.intValue);
      if (kind == KAVValueKind::kDouble)
        KAVTrace::Line("Field Value : ", value.doubleValue);
      if (kind == KAVValueKind::kText)
        KAVTrace::Line("Field Value : ", value.text);
    }
  }
  KAVKernelList::End(valuesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Close(17, "ReadField, end ");
}

int KAVMfgDataPool::ReadIntField(const KAVUnicodeString& iPool,
                                 const int& iNumObj,
                                 const KAVUnicodeString& iField) {
  const int traced = GetDebug("KAVMfgDataPool");
  if (traced) {
    KAVTrace::Open(20, "ReadIntField, start");
    KAVTrace::Line("Pool   : ", iPool);
    KAVTrace::Line("Numobj : ", iNumObj);
    KAVTrace::Line("Field  : ", iField);
    KAVTrace::Blank();
  }
  KAVRawCollint ints(0);
  KAVRawColldouble doubles(0);
  KAVListValKAVUnicodeString texts;
  ReadField(iPool, iNumObj, iField, ints, doubles, texts);
  const int value = ints.Size() > 0 ? ints[1] : 0;
  if (traced) {
    KAVTrace::Blank();
    KAVTrace::Line("Value : ", value);
    KAVTrace::Dashes(20);
    KAVTrace::Text("ReadIntField, end ");
    KAVTrace::Dashes(20);
    KAVTrace::Blank();
  }
  return value;
}

double KAVMfgDataPool::ReadDblField(const KAVUnicodeString& iPool,
                                    const int& iNumObj,
                                    const KAVUnicodeString& iField) {
  const int traced = GetDebug("KAVMfgDataPool");
  if (traced) {
    KAVTrace::Open(20, "ReadDblField, start");
    KAVTrace::Line("Pool   : ", iPool);
    KAVTrace::Line("Numobj : ", iNumObj);
    KAVTrace::Line("Field  : ", iField);
    KAVTrace::Blank();
  }
  KAVRawCollint ints(0);
  KAVRawColldouble doubles(0);
  KAVListValKAVUnicodeString texts;
  ReadField(iPool, iNumObj, iField, ints, doubles, texts);
  const double value = doubles.Size() > 0 ? doubles[1] : 0.0;
  if (traced) {
    KAVTrace::Blank();
    KAVTrace::Line("Value : ", value);
    KAVTrace::Dashes(20);
    KAVTrace::Text("ReadDblField, end ");
    KAVTrace::Dashes(20);
    KAVTrace::Blank();
  }
  return value;
}

KAVUnicodeString KAVMfgDataPool::ReadStrField(const KAVUnicodeString& iPool,
                                              const int& iNumObj,
                                              const KAVUnicodeString& iField) {
  const int traced = GetDebug("KAVMfgDataPool");
  if (traced) {
    KAVTrace::Open(20, "ReadStrField, start");
    KAVTrace::Line("Pool   : ", iPool);
    KAVTrace::Line("Numobj : ", iNumObj);
    KAVTrace::Line("Field  : ", iField);
    KAVTrace::Blank();
  }
  KAVRawCollint ints(0);
  KAVRawColldouble doubles(0);
  KAVListValKAVUnicodeString texts;
  ReadField(iPool, iNumObj, iField, ints, doubles, texts);
  KAVUnicodeString value;
  if (texts.Size() > 0) value = texts[1];
  if (traced) {
    KAVTrace::Blank();
    KAVTrace::Line("Value : ", value);
    KAVTrace::Dashes(20);
    KAVTrace::Text("ReadStrField, end ");
    KAVTrace::Dashes(20);
    KAVTrace::Blank();
  }
  return value;
}
