// KAVMfgBaseGII: typed variables (integer, real, element, string, text,
// prompt, integer list), their existence and valued state, and erasing.
#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseGII.h"
#include "KAVMfgBaseGIIForms.h"
#include "KAVMfgBaseGIIShared.h"
#include "KAVTrace.h"

using namespace kavgii;

namespace {

// GMOKEY of one value of one kind, the arrays of the other kinds null; its
// ier.
int PutInt(int& ioId, const int& iValue) {
  int count = 1, types[] = {kIntType}, ints[] = {iValue}, lengths[] = {0};
  int ier = 0;
  GMOKEY(&ioId, &count, types, ints, nullptr, lengths, nullptr, &ier);
  return ier;
}

int PutReal(int& ioId, const double& iValue) {
  int count = 1, types[] = {kRealType}, lengths[] = {0};
  double reals[] = {iValue};
  int ier = 0;
  GMOKEY(&ioId, &count, types, nullptr, reals, lengths, nullptr, &ier);
  return ier;
}

// Relies on: a GII text is exactly 80 characters in the kernel, passed
// with the length 80 beside it.
int PutText(int& ioId, const KAVUnicodeString& iValue) {
  KAVKernelField text = KAVStrippedField(iValue, kTextWidth);
  int count = 1, types[] = {kTextType}, lengths[] = {kTextWidth};
  int ier = 0;
  GMOKEY(&ioId, &count, types, nullptr, nullptr, lengths, text.Data(), &ier);
  return ier;
}

// The GMOKEY writers (integer, real, text): one value through iPut. A
// failure on "IERZORVEN" is not raised: the integer writer serves
// SetGIIError itself.
template <typename Value>
void WriteKey(const KAVUnicodeString& iName, const Value& iValue, int iBuffer,
              int (*iPut)(int&, const Value&), const char* iStartTitle,
              int iEndDashes, const char* iEndTitle) {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  trace.Open(KAVOpening::Framed(38), iStartTitle,
             {{"variable : ", iName}, {"value    : ", iValue}});
  KAVUnicodeString name;
  int id = Resolve(iName, iBuffer, name);
  if (id == 0) return;
  const int ier = iPut(id, iValue);
  trace.Line("ier gmokey : ", ier);
  if (name != kErrorVariable && RaiseIfFailed(ier, iBuffer)) return;
  trace.Close(KAVClosing::Framed(iEndDashes), iEndTitle);
}

// What GMIKEY gives for field 1 of a variable, read as the integer and real
// readers read it: no text buffer, a text length of 0.
struct KeyRead {
  int type = 0;
  int intValue = 0;
  double realValue = 0.0;
  int ier = 0;
};

KeyRead ReadFirstField(int& ioId) {
  KeyRead read;
  int field = 1, textLength = 0;
  GMIKEY(&ioId, &field, &read.type, &read.intValue, &read.realValue,
         &textLength, nullptr, &read.ier);
  return read;
}

// The integer and real readers: the value of field 1 when its type code
// is iType, else the default (0, 0.0).
template <typename Value>
Value ReadKey(const KAVUnicodeString& iName, int iBuffer, int iType,
              Value KeyRead::*iValue, const char* iStartTitle,
              const char* iEndTitle) {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  trace.Open(KAVOpening::Framed(38), iStartTitle, {{"variable : ", iName}});
  int id = Resolve(iName, iBuffer);
  if (id == 0) return Value();
  const KeyRead read = ReadFirstField(id);
  trace.Line("ier gmikey : ", read.ier);
  if (RaiseIfFailed(read.ier, iBuffer)) return Value();
  const Value result = read.type == iType ? read.*iValue : Value();
  trace.Line("value : ", result);
  trace.Close(KAVClosing::Framed(22), iEndTitle);
  return result;
}

// GMIQVA's valued flag (1: the variable holds a value) into oValued. False
// when it failed: the failure is raised and the operation stops.
bool AskValued(int& ioId, int iBuffer, int& oValued) {
  int ier = 0;
  GMIQVA(&ioId, &oValued, &ier);
  return !RaiseIfFailed(ier, iBuffer);
}

// The erasers: iErase (GMORAZ, GMORAL) only for a variable that holds a
// value; its failure is raised with iRaiseBuffer as the buffer flag.
void EraseValued(const KAVUnicodeString& iName, int iBuffer,
                 void (*iErase)(int*, int*), int iRaiseBuffer) {
  int id = Resolve(iName, iBuffer);
  if (id == 0) return;
  int valued = 0;
  if (!AskValued(id, iBuffer, valued)) return;
  if (valued != 1) return;
  int ier = 0;
  iErase(&id, &ier);
  RaiseIfFailed(ier, iRaiseBuffer);
}

}  // namespace

// --- Writers ----------------------------------------------------------------

void KAVMfgBaseGII::SetGIIIntVariable(const KAVUnicodeString& iName,
                                      const int& iValue, const int iBuffer) {
  WriteKey(iName, iValue, iBuffer, &PutInt, "SetGIIIntVariable, start", 22,
           "SetGIIIntVariable, end");
}

void KAVMfgBaseGII::SetGIIDoubleVariable(const KAVUnicodeString& iName,
                                         const double& iValue,
                                         const int iBuffer) {
  WriteKey(iName, iValue, iBuffer, &PutReal, "SetGIIDoubleVariable, start", 22,
           "SetGIIDoubleVariable, end");
}

void KAVMfgBaseGII::SetGIITextVariable(const KAVUnicodeString& iName,
                                       const KAVUnicodeString& iValue,
                                       const int iBuffer) {
  WriteKey(iName, iValue, iBuffer, &PutText, "SetGIITextVariable, start", 23,
           "SetGIITextVariable, end");
}

// Its banners carry the integer writer's titles; no name is exempt.
void KAVMfgBaseGII::SetGIIElemVariable(const KAVUnicodeString& iName,
                                       const int& iValue, const int iBuffer) {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  trace.Open(KAVOpening::Framed(38), "SetGIIIntVariable, start",
             {{"variable : ", iName}, {"value    : ", iValue}});
  int id = Resolve(iName, iBuffer);
  if (id == 0) return;
  int value = iValue, ier = 0;
  GMOSEL(&id, &value, &ier);
  trace.Line("ier gmosel : ", ier);
  if (RaiseIfFailed(ier, iBuffer)) return;
  trace.Close(KAVClosing::Framed(22), "SetGIIIntVariable, end");
}

void KAVMfgBaseGII::SetGIIStringVariable(const KAVUnicodeString& iName,
                                         const KAVUnicodeString& iValue,
                                         const int iBuffer) {
  int id = Resolve(iName, iBuffer);
  if (id == 0) return;
  KAVKernelText value(Stripped(iValue));
  int count = 1, ier = 0;
  GMOKCH(&id, &count, &value.Length(), value.Data(), &ier);
  RaiseIfFailed(ier, iBuffer);
}

void KAVMfgBaseGII::SetGIIPromptVariable(const KAVUnicodeString& iName,
                                         const KAVUnicodeString& iValue,
                                         const int iBuffer) {
  int id = Resolve(iName, iBuffer);
  if (id == 0) return;
  KAVKernelText value(iValue);
  int ier = 0;
  GMOPRO(&id, value.Data(), &value.Length(), &ier);
  RaiseIfFailed(ier, iBuffer);
}

// --- Readers ----------------------------------------------------------------

int KAVMfgBaseGII::GetGIIIntVariable(const KAVUnicodeString& iName,
                                     const int iBuffer) {
  return ReadKey(iName, iBuffer, kIntType, &KeyRead::intValue,
                 "GetGIIIntVariable, start", "GetGIIIntVariable, end");
}

double KAVMfgBaseGII::GetGIIDoubleVariable(const KAVUnicodeString& iName,
                                           const int iBuffer) {
  return ReadKey(iName, iBuffer, kRealType, &KeyRead::realValue,
                 "GetGIIDoubleVariable, start", "GetGIIDoubleVariable, end");
}

int KAVMfgBaseGII::GetGIIElemVariable(const KAVUnicodeString& iName,
                                      const int iBuffer) {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  trace.Open(KAVOpening::Framed(38), "GetGIIElemVariable, start",
             {{"variable : ", iName}});
  int id = Resolve(iName, iBuffer);
  if (id == 0) return 0;
  int value = 0, second = 0, ier = 0;
  GMISEL(&id, &value, &second, &ier);
  trace.Line("ier gmisel : ", ier);
  if (RaiseIfFailed(ier, iBuffer)) return value;
  trace.Close(KAVClosing::Framed(22), "GetGIIElemVariable, end");
  return value;
}

// Relies on: GMIKCH writes at most 80 characters and returns their count;
// the count is brought into 0..80 before it is used.
KAVUnicodeString KAVMfgBaseGII::GetGIIStringVariable(
    const KAVUnicodeString& iName, const int iBuffer) {
  int id = Resolve(iName, iBuffer);
  if (id == 0) return KAVUnicodeString();
  KAVKernelField buffer(kTextWidth);
  int count = 1, length = 0, ier = 0;
  GMIKCH(&id, &count, &length, buffer.Data(), &ier);
  if (RaiseIfFailed(ier, iBuffer)) return KAVUnicodeString();
  return Stripped(ReturnedText(buffer, length));
}

// Relies on: GMIKEY fills the 80-character buffer whose length it is
// given. The returned length and type code are not looked at. A failure on
// "IERZORVEN" is not raised and the buffer is still read.
KAVUnicodeString KAVMfgBaseGII::GetGIITextVariable(
    const KAVUnicodeString& iName, const int iBuffer) {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  trace.Open(KAVOpening::Framed(38), "GetGIITextVariable, start",
             {{"variable : ", iName}});
  KAVUnicodeString name;
  int id = Resolve(iName, iBuffer, name);
  if (id == 0) return KAVUnicodeString();
  KAVKernelField buffer(kTextWidth);
  int field = 1, type = kCharType, intValue = 0, length = kTextWidth, ier = 0;
  double realValue = 0.0;
  GMIKEY(&id, &field, &type, &intValue, &realValue, &length, buffer.Data(),
         &ier);
  trace.Line("ier gmikey : ", ier);
  if (name != kErrorVariable && RaiseIfFailed(ier, iBuffer))
    return KAVUnicodeString();
  const KAVUnicodeString result = Stripped(ReturnedText(buffer, kTextWidth));
  trace.Line("value : ", result);
  trace.Close(KAVClosing::Framed(23), "GetGIITextVariable, end");
  return result;
}

// Relies on: GMIPRO fills the 80-character buffer and returns the length
// of the prompt, whose blanks count. The text is taken before the code is
// looked at, and returned even after a failure.
KAVUnicodeString KAVMfgBaseGII::GetGIIPromptVariable(
    const KAVUnicodeString& iName, const int iBuffer) {
  int id = Resolve(iName, iBuffer);
  if (id == 0) return KAVUnicodeString();
  KAVKernelField buffer(kTextWidth);
  int length = 0, ier = 0;
  GMIPRO(&id, buffer.Data(), &length, &ier);
  const KAVUnicodeString result = ReturnedText(buffer, length);
  RaiseIfFailed(ier, iBuffer);
  return result;
}

// Relies on: GMIPTR answers the number of values of a list variable,
// GMOPTR makes value i the current one, and GMIKEY then reads it. Values
// of another type than integer are skipped.
KAVRawCollint KAVMfgBaseGII::GetGIIIntListVariable(
    const KAVUnicodeString& iName, const int iBuffer) {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  trace.Open(KAVOpening::Framed(38), "GetGIIIntListVariable, start",
             {{"variable : ", iName}});
  KAVRawCollint result(0);
  int id = Resolve(iName, iBuffer);
  if (id == 0) return result;
  int position = 0, count = 0, ier = 0;
  GMIPTR(&id, &position, &count, &ier);
  if (RaiseIfFailed(ier, iBuffer)) return result;
  // Counted up to the kernel's number without ever stepping past INT_MAX.
  for (int i = 0; i < count;) {
    ++i;
    int current = i;
    GMOPTR(&id, &current, &ier);
    if (RaiseIfFailed(ier, iBuffer)) return result;
    const KeyRead read = ReadFirstField(id);
    trace.Line("ier gmikey : ", read.ier);
    if (RaiseIfFailed(read.ier, iBuffer)) return result;
    if (read.type == kIntType) result.Append(read.intValue);
  }
  trace.Close(KAVClosing::Framed(22), "GetGIIIntListVariable, end");
  return result;
}

// --- Queries and erasing ----------------------------------------------------

int KAVMfgBaseGII::IsValuatedGIIVariable(const KAVUnicodeString& iName,
                                         const int iBuffer) {
  int id = Resolve(iName, iBuffer);
  if (id == 0) return 0;
  int valued = 0;
  if (!AskValued(id, iBuffer, valued)) return 0;
  return valued;
}

// Relies on: an unknown name is an answer here, not an error: the GII
// error journal is cleared and nothing is raised.
int KAVMfgBaseGII::IsExistingGIIVariable(const KAVUnicodeString& iName,
                                         const int iBuffer) {
  const KAVOperationTrace trace("KAVMfgBaseGII");
  if (OdtOn()) return 0;
  const KAVUnicodeString name = Stripped(iName);
  if (iBuffer == 1) {
    if (_GIINames == nullptr || _GIIIds == nullptr) return 0;
    trace.Text("J'utilise le buffer");
    return CacheIndex().Locate(*_GIINames, name.ToStdString()) > 0 ? 1 : 0;
  }
  KAVKernelText text(name);
  int id = 0, ier = 0;
  GMIQID(&text.Length(), text.Data(), &id, &ier);
  if (ier == 0) return 1;
  GUERJO();
  return 0;
}

void KAVMfgBaseGII::UnsetGIIVariable(const KAVUnicodeString& iName,
                                     const int iBuffer) {
  EraseValued(iName, iBuffer, &GMORAZ, iBuffer);
}

// A failing GMORAL is raised with the buffer flag 0, unlike GMIQVA's.
void KAVMfgBaseGII::UnsetGIIListVariable(const KAVUnicodeString& iName,
                                         const int iBuffer) {
  EraseValued(iName, iBuffer, &GMORAL, 0);
}
