// KAVMfgDataPool: creating a field with its values and reading them back,
// in the general form and for a single integer, real or text.
#include "KAVKernelForm.h"
#include "KAVKernelList.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgDataPool.h"
#include "KAVMfgDataPoolForms.h"
#include "KAVTrace.h"

using namespace kavdatapool;

namespace {

// The three collections of values CreateField takes and ReadField fills,
// one per kind.
struct FieldValues {
  KAVRawCollint ints = KAVRawCollint(0);
  KAVRawColldouble doubles = KAVRawColldouble(0);
  KAVListValKAVUnicodeString texts;

  void Append(int iValue) { ints.Append(iValue); }
  void Append(double iValue) { doubles.Append(iValue); }
  void Append(const KAVUnicodeString& iValue) { texts.Append(iValue); }
  // The first value of oValue's kind, if there is one; oValue is left as
  // it is otherwise.
  void First(int& oValue) const {
    if (ints.Size() > 0) oValue = ints[1];
  }
  void First(double& oValue) const {
    if (doubles.Size() > 0) oValue = doubles[1];
  }
  void First(KAVUnicodeString& oValue) const {
    if (texts.Size() > 0) oValue = texts[1];
  }
};

// CreateIntField, CreateDblField, CreateStrField: CreateField with one
// value of their kind and the other collections empty. Their end banner
// is printed whatever CreateField did.
template <typename Value>
void CreateOne(const KAVUnicodeString& iPool, const int& iNumObj,
               const int& iType, const KAVUnicodeString& iField,
               const Value& iValue, const char* iStartTitle,
               const char* iEndTitle) {
  const KAVOperationTrace trace("KAVMfgDataPool");
  trace.Open(KAVOpening::Listed(20), iStartTitle);
  FieldValues values;
  values.Append(iValue);
  KAVMfgDataPool::CreateField(iPool, iNumObj, iType, iField, values.ints,
                              values.doubles, values.texts);
  trace.Close(KAVClosing::Framed(20), iEndTitle);
}

// ReadIntField, ReadDblField, ReadStrField: ReadField into collections of
// their own, and the first value of their kind, or the default (0, 0.0,
// the empty text). Their end banner is printed whatever ReadField did.
template <typename Value>
Value ReadOne(const KAVUnicodeString& iPool, const int& iNumObj,
              const KAVUnicodeString& iField, const char* iStartTitle,
              const char* iEndTitle) {
  const KAVOperationTrace trace("KAVMfgDataPool");
  trace.Open(
      KAVOpening::Listed(20), iStartTitle,
      {{"Pool   : ", iPool}, {"Numobj : ", iNumObj}, {"Field  : ", iField}});
  FieldValues values;
  KAVMfgDataPool::ReadField(iPool, iNumObj, iField, values.ints, values.doubles,
                            values.texts);
  Value value = Value();
  values.First(value);
  trace.Blank();
  trace.Line("Value : ", value);
  trace.Close(KAVClosing::Footing(20), iEndTitle);
  return value;
}

}  // namespace

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
  const KAVOperationTrace trace("KAVMfgDataPool");
  trace.Open(KAVOpening::Listed(20), "CreateField, start");
  KAVKernelField pool(iPool, kPoolWidth);
  KAVKernelField field(iField, kFieldWidth);
  // The first collection holding a value decides; with none, an empty
  // text list still creates the field.
  const int width = iInts.Size() > 0      ? kIntWidth
                    : iDoubles.Size() > 0 ? kDoubleWidth
                                          : kTextValueWidth;
  int valuesList = 0;
  KAVKernelList::Start(width, valuesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  bool pushed = false;
  if (width == kIntWidth)
    pushed = KAVKernelList::PushAll(valuesList, iInts, _ErrorNumber);
  else if (width == kDoubleWidth)
    pushed = KAVKernelList::PushAll(valuesList, iDoubles, _ErrorNumber);
  else
    pushed = KAVKernelList::PushAll(valuesList, iTexts, _ErrorNumber);
  if (!pushed) return;
  int number = iNumObj, type = iType;
  GNSCFI(pool.Data(), &number, &type, field.Data(), &valuesList, &_ErrorNumber);
  trace.Line("ier (gnscfi) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  KAVKernelList::End(valuesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Close(KAVClosing::Framed(17), "CreateField, end ");
}

void KAVMfgDataPool::CreateIntField(const KAVUnicodeString& iPool,
                                    const int& iNumObj, const int& iType,
                                    const KAVUnicodeString& iField,
                                    const int& iValue) {
  CreateOne(iPool, iNumObj, iType, iField, iValue, "CreateIntField, start",
            "CreateIntField, end ");
}

void KAVMfgDataPool::CreateDblField(const KAVUnicodeString& iPool,
                                    const int& iNumObj, const int& iType,
                                    const KAVUnicodeString& iField,
                                    const double& iValue) {
  CreateOne(iPool, iNumObj, iType, iField, iValue, "CreateDblField, start",
            "CreateDblField, end ");
}

void KAVMfgDataPool::CreateStrField(const KAVUnicodeString& iPool,
                                    const int& iNumObj, const int& iType,
                                    const KAVUnicodeString& iField,
                                    const KAVUnicodeString& iValue) {
  CreateOne(iPool, iNumObj, iType, iField, iValue, "CreateStrField, start",
            "CreateStrField, end ");
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
  const KAVOperationTrace trace("KAVMfgDataPool");
  trace.Open(
      KAVOpening::Listed(20), "ReadField, start",
      {{"Pool   : ", iPool}, {"Numobj : ", iNumObj}, {"Field  : ", iField}});
  oInts.RemoveAll(KAVCollec::ReleaseMemory);
  oDoubles.RemoveAll(KAVCollec::ReleaseMemory);
  oTexts.RemoveAll(KAVCollec::ReleaseMemory);
  KAVKernelField pool(iPool, kPoolWidth);
  KAVKernelField field(iField, kFieldWidth);
  int number = iNumObj;
  int valuesList = 0;
  GNSRFI(pool.Data(), &number, field.Data(), &valuesList, &_ErrorNumber);
  trace.Line("ier (gnsrfi) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  int width = 0, count = 0;
  KAVKernelList::Info(valuesList, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  const KAVValueKind kind = KAVValueKindOfWidth(width);
  if (kind == KAVValueKind::kInt) trace.Text("Field Type is Integer");
  if (kind == KAVValueKind::kDouble) trace.Text("Field Type is Double");
  if (kind == KAVValueKind::kText) trace.Text("Field Type is String");
  for (int i = 1; kind != KAVValueKind::kNone && i <= count; ++i) {
    const KAVKernelValue value = KAVKernelList::ReadValue(
        valuesList, i, kind, kTextValueWidth, _ErrorNumber);
    if (_ErrorNumber != 0) return;
    value.AppendTo(oInts, oDoubles, oTexts);
    if (kind == KAVValueKind::kInt)
      trace.Line("Field Value : ", value.intValue);
    if (kind == KAVValueKind::kDouble)
      trace.Line("Field Value : ", value.doubleValue);
    if (kind == KAVValueKind::kText) trace.Line("Field Value : ", value.text);
  }
  KAVKernelList::End(valuesList, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Close(KAVClosing::Framed(17), "ReadField, end ");
}

int KAVMfgDataPool::ReadIntField(const KAVUnicodeString& iPool,
                                 const int& iNumObj,
                                 const KAVUnicodeString& iField) {
  return ReadOne<int>(iPool, iNumObj, iField, "ReadIntField, start",
                      "ReadIntField, end ");
}

double KAVMfgDataPool::ReadDblField(const KAVUnicodeString& iPool,
                                    const int& iNumObj,
                                    const KAVUnicodeString& iField) {
  return ReadOne<double>(iPool, iNumObj, iField, "ReadDblField, start",
                         "ReadDblField, end ");
}

KAVUnicodeString KAVMfgDataPool::ReadStrField(const KAVUnicodeString& iPool,
                                              const int& iNumObj,
                                              const KAVUnicodeString& iField) {
  return ReadOne<KAVUnicodeString>(iPool, iNumObj, iField,
                                   "ReadStrField, start", "ReadStrField, end ");
}
