// KAVMfgDeclarative: the class's state, loading the pool "KAVMFG",
// reading declarative variables and evaluating path expressions.
#include <string>

#include "KAVKernelForm.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVMfgDeclarative.h"
#include "KAVMfgDeclarativeForms.h"
#include "KAVMfgDeclarativeInternals.h"
#include "KAVTrace.h"

using namespace kavdeclarative;

int KAVMfgDeclarative::_ErrorNumber = 0;
int KAVMfgDeclarative::_Debug = -1;
int KAVMfgDeclarative::_NewG22 = -1;
int KAVMfgDeclarative::_NewG23 = -1;
int KAVMfgDeclarative::_NewG24 = -1;

KAVMfgDeclarative::KAVMfgDeclarative() {}
KAVMfgDeclarative::KAVMfgDeclarative(const KAVMfgDeclarative&) {}
KAVMfgDeclarative& KAVMfgDeclarative::operator=(const KAVMfgDeclarative&) {
  return *this;
}
KAVMfgDeclarative::~KAVMfgDeclarative() {}

int KAVMfgDeclarative::GetError() { return _ErrorNumber; }

void KAVMfgDeclarative::Internals::Forget() {
  _NewG22 = -1;
  _NewG23 = -1;
  _NewG24 = -1;
}

int KAVMfgDeclarative::Traced() {
  if (_Debug < 0) _Debug = GetDebug("KAVMfgDeclarative");
  return _Debug == 1;
}

namespace {

const char kMainPool[] = "KAVMFG";

// The full name "pool.variable" of a variable query, traced as the
// modified variable.
KAVUnicodeString FullName(const KAVOperationTrace& iTrace,
                          const KAVUnicodeString& iPool,
                          const KAVUnicodeString& iVariable) {
  const KAVUnicodeString fullName = iPool + "." + iVariable;
  iTrace.Line("Modified variable : ", fullName);
  return fullName;
}

// DCLQUV's fourth argument; its meaning lies with the kernel.
constexpr int kQueryKind = 97;
// DCLQUV's type code of a text value.
constexpr int kTextType = 3;

}  // namespace

// Relies on: DCLPLE sets the flag to non-zero when the pool is in the
// kernel already. Codes are kept only when non-zero, and a failure ends
// the operation without its closing lines.
void KAVMfgDeclarative::LoadNcDeclarative() {
  const KAVOperationTrace trace(Traced());
  trace.Open(KAVOpening::Heading(30), "LoadNcDeclarative,       start");
  KAVKernelField pool(kMainPool, kPoolWidth);
  int loaded = 0, ier = 0;
  DCLPLE(pool.Data(), &loaded, &ier);
  if (ier != 0) {
    trace.Line("Erreur sortie dclple: ", ier);
    _ErrorNumber = ier;
    return;
  }
  if (loaded == 0) {
    trace.Text("Chargement du declaratif NC");
    DCLOAD(pool.Data(), &ier);
    if (ier != 0) {
      trace.Line("Erreur sortie dcload: ", ier);
      _ErrorNumber = ier;
      return;
    }
  }
  trace.Text("Chargement OK du declaratif NC");
  trace.Close(KAVClosing::Footing(30), "LoadNcDeclarative,         end");
}

// Relies on: DCLQUV answers type 3 for a text value, left in the 72
// characters it was given. A failed load does not stop the query; a
// zero code with another type is a plain "no" and stores nothing.
int KAVMfgDeclarative::IsToolpathToBeStored() {
  const KAVOperationTrace trace(Traced());
  trace.Open(KAVOpening::Heading(27), "IsToolpathToBeStored, start");
  LoadNcDeclarative();
  const KAVUnicodeString poolName = kMainPool;
  const KAVUnicodeString variableName = poolName + ".TOOLPATH.STORAGE";
  if (trace)
    KAVTrace::Text("Pool: >" + poolName + "< - variable: >" + variableName +
                   "<");
  KAVKernelField pool(poolName, kPoolWidth);
  KAVKernelField variable(variableName, kVariableWidth);
  int variableLength = variableName.GetLengthInChar();
  int kind = kQueryKind, type = 0, ier = 0;
  KAVKernelField value(kSwitchValueWidth);
  DCLQUV(pool.Data(), variable.Data(), &variableLength, &kind, value.Data(),
         &type, &ier);
  int result = 0;
  if (type == kTextType && ier == 0) {
    KAVUnicodeString answer = value.Stripped();
    result = answer.ToUpper() == "YES" ? 1 : 0;
  } else if (ier != 0) {
    _ErrorNumber = ier;
    trace.Line("Erreur sortie dclquv: ", ier);
  }
  trace.Text(result == 1
                 ? "La trajectoire va etre stockee (def)"
                 : "La trajectoire ne sera pas stockee dans le modele (def)");
  trace.Close(KAVClosing::Footing(27), "IsToolpathToBeStored,   end");
  return result;
}

// Relies on: G7AQRY fills at most `capacity` entries and gives each text
// its length. The count and lengths are never trusted past the arrays:
// the count is brought into 0..50 and each length into 0..field width.
int KAVMfgDeclarative::GetAllStrings(const KAVUnicodeString& iVariableName,
                                     const KAVUnicodeString& iPoolName,
                                     KAVListValKAVUnicodeString& oItems,
                                     KAVListValKAVUnicodeString& oValues) {
  const KAVOperationTrace trace(Traced());
  trace.Open(
      KAVOpening::Heading(30), "KAVMfgDeclarative::GetAllStrings,       start",
      {{" Pool name     : ", iPoolName}, {" Variable name : ", iVariableName}});
  int ier = 0;
  if (iPoolName == kMainPool) LoadNcDeclarative();
  oItems.RemoveAll(1);
  oValues.RemoveAll(1);
  KAVKernelField pool(iPoolName, kPoolWidth);
  KAVKernelField variable(FullName(trace, iPoolName, iVariableName),
                          kVariableWidth);
  KAVKernelField type("STRING", kTypeWidth);
  int capacity = kQueryCapacity, valueWidth = kStringValueWidth, count = 0;
  KAVKernelRecords items(kQueryCapacity, kItemWidth);
  KAVKernelRecords values(kQueryCapacity, kStringValueWidth);
  int itemLengths[kQueryCapacity] = {};
  int valueLengths[kQueryCapacity] = {};
  G7AQRY(pool.Data(), variable.Data(), type.Data(), &capacity, &valueWidth,
         &count, items.Data(), itemLengths, values.Data(), valueLengths, &ier);
  if (ier == 0) {
    const int entries = KAVClampLength(count, kQueryCapacity);
    for (int i = 0; i < entries; ++i) {
      oItems.Append(
          items.Record(i + 1, itemLengths[i]).Strip(KAVStripBoth, ' '));
      const KAVUnicodeString value =
          values.Record(i + 1, valueLengths[i]).Strip(KAVStripBoth, ' ');
      oValues.Append(value);
      if (trace)
        KAVTrace::Line((std::to_string(i) + "- String : ").c_str(), value);
    }
  } else {
    _ErrorNumber = ier;
    trace.Line("Erreur sortie g7aqry : ", ier);
  }
  trace.Close(KAVClosing::Footing(30),
              "KAVMfgDeclarative::GetAllStrings,         end");
  return ier;
}

// Relies on: G7AQUV writes the INTEGER into `value`; its sixth argument is
// an output this library has no use for.
int KAVMfgDeclarative::GetInteger(const KAVUnicodeString& iVariableName,
                                  const KAVUnicodeString& iPoolName) {
  const KAVOperationTrace trace(Traced());
  trace.Open(
      KAVOpening::Heading(30), "KAVMfgDeclarative::GetInteger,       start",
      {{" Pool name     : ", iPoolName}, {" Variable name : ", iVariableName}});
  int ier = 0;
  if (iPoolName == kMainPool) LoadNcDeclarative();
  KAVKernelField pool(iPoolName, kPoolWidth);
  KAVKernelField variable(FullName(trace, iPoolName, iVariableName),
                          kVariableWidth);
  KAVKernelField type("INTEGER", kTypeWidth);
  int size = kIntegerSize, value = 0, spare = 0;
  G7AQUV(pool.Data(), variable.Data(), type.Data(), &size, &value, &spare,
         &ier);
  int result = 0;
  if (ier == 0) {
    result = value;
  } else {
    _ErrorNumber = ier;
    trace.Line("Erreur sortie g7aquv : ", ier);
  }
  trace.Close(KAVClosing::Footing(30),
              "KAVMfgDeclarative::GetInteger,         end",
              {{" oIntValue = ", result}});
  return result;
}

KAVUnicodeString KAVMfgDeclarative::GetString(
    const KAVUnicodeString& iVariableName, const KAVUnicodeString& iPoolName) {
  const KAVOperationTrace trace(Traced());
  trace.Open(
      KAVOpening::Heading(30), "KAVMfgDeclarative::GetString,       start",
      {{" Pool name     : ", iPoolName}, {" Variable name : ", iVariableName}});
  KAVUnicodeString result;
  KAVListValKAVUnicodeString items, values;
  if (GetAllStrings(iVariableName, iPoolName, items, values) == 0 &&
      values.Size() > 0)
    result = values[values.Size()];
  trace.Close(KAVClosing::Footing(30),
              "KAVMfgDeclarative::GetString,         end",
              {{" oVarValue = ", result}});
  return result;
}

// Relies on: DCLVAR takes the expression unpadded with its length; the
// two 1s and the output length are the kernel's business. Its code is
// not looked at: what it wrote into the blank field is the answer.
KAVUnicodeString KAVMfgDeclarative::GetDeclarativePath(
    KAVUnicodeString iExpression) {
  KAVKernelText expression(iExpression);
  KAVKernelField output(kPathWidth);
  int first = 1, second = 1, outputLength = 0, ier = 0;
  DCLVAR(expression.Data(), &expression.Length(), &first, &second,
         output.Data(), &outputLength, &ier);
  return output.Stripped();
}
