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

// The opening of the variable readers: the pool and variable lines sit
// between the dashes.
void OpenVariableTrace(const char* iTitle, const KAVUnicodeString& iPool,
                       const KAVUnicodeString& iVariable) {
  KAVTrace::Blank();
  KAVTrace::Dashes(30);
  KAVTrace::Text(iTitle);
  KAVTrace::Line(" Pool name     : ", iPool);
  KAVTrace::Line(" Variable name : ", iVariable);
  KAVTrace::Dashes(30);
}

// The closing of this group: no blank line before the dashes.
void CloseTrace(int iDashes, const char* iTitle) {
  KAVTrace::Dashes(iDashes);
  KAVTrace::Text(iTitle);
  KAVTrace::Dashes(iDashes);
  KAVTrace::Blank();
}

}  // namespace

// Relies on: DCLPLE sets the flag to non-zero when the pool is in the
// kernel already. Codes are kept only when non-zero, and a failure ends
// the operation without its closing lines.
void KAVMfgDeclarative::LoadNcDeclarative() {
  const int traced = Traced();
  if (traced) KAVTrace::Open(30, "LoadNcDeclarative,       start");
  KAVKernelField pool(kMainPool, kPoolWidth);
  int loaded = 0, ier = 0;
  DCLPLE(pool.Data(), &loaded, &ier);
  if (ier != 0) {
    if (traced) KAVTrace::Line("Erreur sortie dclple: ", ier);
    _ErrorNumber = ier;
    return;
  }
  if (loaded == 0) {
    if (traced) KAVTrace::Text("Chargement du declaratif NC");
    DCLOAD(pool.Data(), &ier);
    if (ier != 0) {
      if (traced) KAVTrace::Line("Erreur sortie dcload: ", ier);
      _ErrorNumber = ier;
      return;
    }
  }
  if (traced) {
    KAVTrace::Text("Chargement OK du declaratif NC");
    CloseTrace(30, "LoadNcDeclarative,         end");
  }
}

// Relies on: DCLQUV answers type 3 for a text value, left in the 72
// characters it was given. A failed load does not stop the query; a
// zero code with another type is a plain "no" and stores nothing.
int KAVMfgDeclarative::IsToolpathToBeStored() {
  const int traced = Traced();
  if (traced) KAVTrace::Open(27, "IsToolpathToBeStored, start");
  LoadNcDeclarative();
  const KAVUnicodeString poolName = kMainPool;
  const KAVUnicodeString variableName = poolName + ".TOOLPATH.STORAGE";
  if (traced)
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
    if (traced) KAVTrace::Line("Erreur sortie dclquv: ", ier);
  }
  if (traced) {
    KAVTrace::Text(
        result == 1
            ? "La trajectoire va etre stockee (def)"
            : "La trajectoire ne sera pas stockee dans le modele (def)");
    CloseTrace(27, "IsToolpathToBeStored,   end");
  }
  return result;
}

// Relies on: G7AQRY fills at most `capacity` entries and gives each text
// its length. The count and lengths are never trusted past the arrays:
// the count is brought into 0..50 and each length into 0..field width.
int KAVMfgDeclarative::GetAllStrings(const KAVUnicodeString& iVariableName,
                                     const KAVUnicodeString& iPoolName,
                                     KAVListValKAVUnicodeString& oItems,
                                     KAVListValKAVUnicodeString& oValues) {
  const int traced = Traced();
  if (traced)
    OpenVariableTrace("KAVMfgDeclarative::GetAllStrings,       start",
                      iPoolName, iVariableName);
  int ier = 0;
  if (iPoolName == kMainPool) LoadNcDeclarative();
  oItems.RemoveAll(1);
  oValues.RemoveAll(1);
  KAVKernelField pool(iPoolName, kPoolWidth);
  const KAVUnicodeString fullName = iPoolName + "." + iVariableName;
  if (traced) KAVTrace::Line("Modified variable : ", fullName);
  KAVKernelField variable(fullName, kVariableWidth);
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
      if (traced)
        KAVTrace::Line((std::to_string(i) + "- String : ").c_str(), value);
    }
  } else {
    _ErrorNumber = ier;
    if (traced) KAVTrace::Line("Erreur sortie g7aqry : ", ier);
  }
  if (traced) CloseTrace(30, "KAVMfgDeclarative::GetAllStrings,         end");
  return ier;
}

// Relies on: G7AQUV writes the INTEGER into `value`; its sixth argument is
// an output this library has no use for.
int KAVMfgDeclarative::GetInteger(const KAVUnicodeString& iVariableName,
                                  const KAVUnicodeString& iPoolName) {
  const int traced = Traced();
  if (traced)
    OpenVariableTrace("KAVMfgDeclarative::GetInteger,       start", iPoolName,
                      iVariableName);
  int ier = 0;
  if (iPoolName == kMainPool) LoadNcDeclarative();
  KAVKernelField pool(iPoolName, kPoolWidth);
  const KAVUnicodeString fullName = iPoolName + "." + iVariableName;
  if (traced) KAVTrace::Line("Modified variable : ", fullName);
  KAVKernelField variable(fullName, kVariableWidth);
  KAVKernelField type("INTEGER", kTypeWidth);
  int size = kIntegerSize, value = 0, spare = 0;
  G7AQUV(pool.Data(), variable.Data(), type.Data(), &size, &value, &spare,
         &ier);
  int result = 0;
  if (ier == 0) {
    result = value;
  } else {
    _ErrorNumber = ier;
    if (traced) KAVTrace::Line("Erreur sortie g7aquv : ", ier);
  }
  if (traced) {
    KAVTrace::Dashes(30);
    KAVTrace::Line(" oIntValue = ", result);
    KAVTrace::Text("KAVMfgDeclarative::GetInteger,         end");
    KAVTrace::Dashes(30);
    KAVTrace::Blank();
  }
  return result;
}

KAVUnicodeString KAVMfgDeclarative::GetString(
    const KAVUnicodeString& iVariableName, const KAVUnicodeString& iPoolName) {
  const int traced = Traced();
  if (traced)
    OpenVariableTrace("KAVMfgDeclarative::GetString,       start", iPoolName,
                      iVariableName);
  KAVUnicodeString result;
  KAVListValKAVUnicodeString items, values;
  if (GetAllStrings(iVariableName, iPoolName, items, values) == 0 &&
      values.Size() > 0)
    result = values[values.Size()];
  if (traced) {
    KAVTrace::Dashes(30);
    KAVTrace::Line(" oVarValue = ", result);
    KAVTrace::Text("KAVMfgDeclarative::GetString,         end");
    KAVTrace::Dashes(30);
    KAVTrace::Blank();
  }
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
