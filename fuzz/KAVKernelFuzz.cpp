// The kernel-answer fuzzer's harness: one table of every public operation
// that reaches the kernel, each with its arguments drawn from small tables
// and the checks of what it returns.
//
// Arguments are read into locals one by one before the call: the order in
// which a call's arguments are evaluated is the compiler's, and the replay
// (g++) must read the program as the fuzzer (clang) did.
#include "KAVKernelFuzz.h"

#include <dlfcn.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "KAVListValKAVUnicodeString.h"
#include "KAVMfgAPTAndPPTable.h"
#include "KAVMfgBaseGII.h"
#include "KAVMfgBaseGIIInternals.h"
#include "KAVMfgBaseNLS.h"
#include "KAVMfgBaseNLSInternals.h"
#include "KAVMfgDataPool.h"
#include "KAVMfgDeclarative.h"
#include "KAVMfgDeclarativeInternals.h"
#include "KAVMfgDictionary.h"
#include "KAVMfgUtilities.h"
#include "KAVRawColldouble.h"
#include "KAVRawCollint.h"
#include "KAVResolverABI.h"

extern "C" KAVReferenceEntry* kavsybnd(KAVReferenceEntry* iEntry);

namespace kavfuzz {
namespace {

using D = KAVMfgDictionary;
using L = KAVMfgDeclarative;
using P = KAVMfgDataPool;
using G = KAVMfgBaseGII;
using N = KAVMfgBaseNLS;
using S = KAVUnicodeString;
using Names = KAVListValKAVUnicodeString;
using Ints = KAVRawCollint;
using Reals = KAVRawColldouble;

KernelControl gKernel;
const char* gOperation = "";  // for the message of a failed check
long gReached[256];

void Check(bool iCondition, const char* iWhat) {
  if (iCondition) return;
  std::fprintf(stderr, "kernel_fuzz: %s: %s\n", gOperation, iWhat);
  std::fflush(stderr);
  std::abort();
}

// What the kernel answered during one operation.
class Answered {
 public:
  Answered() : _calls(gKernel.calls()), _reads(gKernel.reads()) {}
  long Calls() const { return gKernel.calls() - _calls; }
  long Reads() const { return gKernel.reads() - _reads; }

 private:
  long _calls;
  long _reads;
};

int Length(const S& iText) { return iText.GetLengthInChar(); }

bool AllWithin(const Names& iNames, int iWidth) {
  for (int i = 1; i <= iNames.Size(); ++i)
    if (Length(iNames[i]) > iWidth) return false;
  return true;
}

// Lists filled in step, one read each: each list at most one entry
// behind the one before, and no more entries than reads in all.
template <typename... Lists>
void CheckParallel(const Answered& iAnswered, const Lists&... iLists) {
  const int sizes[] = {iLists.Size()...};
  long total = 0;
  for (size_t i = 0; i < sizeof...(Lists); ++i) {
    total += sizes[i];
    if (i > 0)
      Check(sizes[i] <= sizes[i - 1], "a later list holds more entries");
  }
  Check(sizes[0] - sizes[sizeof...(Lists) - 1] <= 1,
        "parallel lists out of step");
  Check(total <= iAnswered.Reads(), "more entries than records read");
}

// --- Argument tables ---------------------------------------------------------

const S& Text(Program& ioProgram) {
  static const S kTexts[] = {
      S("MfgPocketing"),
      S(""),
      S("   "),
      S("  MFG_TOOL_DIAM  "),
      S("IERZORVEN"),
      S("OUTER"),
      S("KAVMFG"),
      S("DICOFR2"),
      S("MSPECFR2"),
      S("TOOLS"),
      S(std::string(33, 'C')),
      S(std::string(81, 'T')),
      S(std::string(1000, 'L')),
      S(std::string(1025, 'X')),
      S("na\xefve \"q\" \\ \x01\x7f"),
      S(std::string("nul\0inside", 10)),
      S("MFG_NB_OF_COMP"),
      S("YES"),
      S("$HOME/x, \"y\" "),
      S(",lead"),
  };
  return ioProgram.Pick(kTexts);
}

int Int(Program& ioProgram) {
  static const int kInts[] = {0,  1,    2,       3,       4,  -1, -5,   7,
                              99, 1000, INT_MAX, INT_MIN, 72, 8,  9550, 50};
  return ioProgram.Pick(kInts);
}

double Real(Program& ioProgram) {
  using Limits = std::numeric_limits<double>;
  static const double kReals[] = {0.0,
                                  2.5,
                                  -1e300,
                                  Limits::quiet_NaN(),
                                  Limits::infinity(),
                                  -Limits::infinity(),
                                  DBL_MAX,
                                  Limits::denorm_min()};
  return ioProgram.Pick(kReals);
}

int Buffer(Program& ioProgram) {
  static const int kBuffers[] = {0, 1, 2};
  return ioProgram.Pick(kBuffers);
}

Names NameList(Program& ioProgram) {
  Names names;
  switch (ioProgram.Byte() % 5) {
    case 0:
      break;
    case 1:
      names.Append(S("MFG_TOOL_DIAM"));
      break;
    case 2:
      names.Append(S("A"));
      names.Append(S("A"));
      names.Append(S(" B "));
      names.Append(S("MFG_NB_OF_COMP"));
      break;
    case 3:
      for (int i = 0; i < 64; ++i)
        names.Append(S(("V" + std::to_string(i % 40)).c_str()));
      break;
    case 4:
      names.Append(S(""));
      names.Append(S(std::string(1000, 'N')));
      names.Append(S("IERZORVEN"));
      break;
  }
  return names;
}

Ints IntList(Program& ioProgram) {
  Ints ints(0);
  switch (ioProgram.Byte() % 4) {
    case 0:
      break;
    case 1:
      ints.Append(1);
      break;
    case 2:
      for (int value : {INT_MIN, -1, 0, 3, INT_MAX}) ints.Append(value);
      break;
    case 3:
      for (int i = 0; i < 100; ++i) ints.Append(i);
      break;
  }
  return ints;
}

Reals RealList(Program& ioProgram) {
  Reals reals(0);
  switch (ioProgram.Byte() % 4) {
    case 0:
      break;
    case 1:
      reals.Append(2.5);
      break;
    case 2:
      reals.Append(std::numeric_limits<double>::quiet_NaN());
      reals.Append(std::numeric_limits<double>::infinity());
      reals.Append(-0.0);
      break;
    case 3:
      for (int i = 0; i < 100; ++i) reals.Append(i / 3.0);
      break;
  }
  return reals;
}

// GII type codes for SetGIIVariable.
Ints TypeList(Program& ioProgram) {
  Ints types(0);
  switch (ioProgram.Byte() % 4) {
    case 0:
      break;
    case 1:
      types.Append(2);
      break;
    case 2:
      for (int type : {1, 2, 3, 4, 0, 9}) types.Append(type);
      break;
    case 3:
      for (int i = 0; i < 12; ++i) types.Append(2);
      break;
  }
  return types;
}

// --- Dictionary --------------------------------------------------------------

void DictionaryLoad(Program& p) {
  const S& name = Text(p);
  const int complete = Int(p);
  D::Load(name, complete);
}

void DictionaryStore(Program& p) { D::Store(Text(p)); }

void DictionaryGetCurrent(Program&) {
  Check(Length(D::GetCurrent()) <= 8, "member name longer than its field");
}

void DictionaryLoadDefault(Program&) { D::LoadDefault(); }
void DictionaryUnload(Program&) { D::Unload(); }

void DictionaryGetAttributes(Program& p) {
  const S& name = Text(p);
  int mode = Int(p);
  Names names, blocks;
  Ints versions(0), statuses(0);
  const Answered answered;
  D::GetAttributes(name, mode, names, versions, blocks, statuses);
  CheckParallel(answered, names, versions, blocks, statuses);
  Check(AllWithin(names, 16) && AllWithin(blocks, 16),
        "name longer than its record");
}

// Values of one kind only, each text within its record.
void CheckValues(const Answered& iAnswered, const Ints& iInts,
                 const Reals& iReals, const Names& iTexts, int iTextWidth) {
  const int kinds =
      (iInts.Size() > 0) + (iReals.Size() > 0) + (iTexts.Size() > 0);
  Check(kinds <= 1, "values of more than one kind");
  Check(iInts.Size() + iReals.Size() + iTexts.Size() <= iAnswered.Reads(),
        "more values than records read");
  Check(AllWithin(iTexts, iTextWidth), "text value longer than its record");
}

void DictionaryGetAttributeValues(Program& p) {
  const S& name = Text(p);
  const S& attribute = Text(p);
  Ints ints(0);
  Reals reals(0);
  Names texts;
  const Answered answered;
  D::GetAttributeValues(name, attribute, ints, reals, texts);
  CheckValues(answered, ints, reals, texts, 72);
}

void DictionaryGetAttributeFacets(Program& p) {
  const S& attribute = Text(p);
  int f[11];
  for (int& facet : f) facet = Int(p);
  Ints ints(0);
  Reals reals(0);
  Names texts;
  const Answered answered;
  D::GetAttributeFacets(attribute, f[0], f[1], f[2], f[3], f[4], f[5], f[6],
                        f[7], f[8], f[9], f[10], ints, reals, texts);
  CheckValues(answered, ints, reals, texts, 72);
}

// A name and an int per entry, two reads each.
void CheckNamesAndInts(const Answered& iAnswered, const Names& iNames,
                       const Ints& iInts, int iWidth) {
  Check(iNames.Size() == iInts.Size(), "names and ints out of step");
  Check(2L * iNames.Size() <= iAnswered.Reads(),
        "more entries than records read");
  Check(AllWithin(iNames, iWidth), "name longer than its record");
}

void DictionaryGetClasses(Program&) {
  Names names;
  Ints ints(0);
  const Answered answered;
  D::GetClasses(names, ints);
  CheckNamesAndInts(answered, names, ints, 32);
}

void DictionaryGetAllAttributes(Program&) {
  Names names;
  Ints ints(0);
  const Answered answered;
  D::GetAllAttributes(names, ints);
  CheckNamesAndInts(answered, names, ints, 16);
}

void DictionarySetCurrentClass(Program& p) {
  const S& name = Text(p);
  const int mode = Int(p);
  D::SetCurrentClass(name, mode);
}

void DictionaryCreateClass(Program& p) {
  const S& name = Text(p);
  const int first = Int(p);
  const S& second = Text(p);
  const int last = Int(p);
  D::CreateClass(name, first, second, last);
}

void DictionaryCreateAttribute(Program& p) {
  const S& attribute = Text(p);
  int f[11];
  for (int& facet : f) facet = Int(p);
  const Ints ints = IntList(p);
  const Reals reals = RealList(p);
  const Names texts = NameList(p);
  D::CreateAttribute(attribute, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7],
                     f[8], f[9], f[10], ints, reals, texts);
}

void DictionaryAddAttribute(Program& p) {
  const S& attribute = Text(p);
  const int version = Int(p);
  const S& block = Text(p);
  const int status = Int(p);
  D::AddAttribute(attribute, version, block, status);
}

// --- Declarative -------------------------------------------------------------

void DeclarativeLoad(Program&) { L::LoadNcDeclarative(); }

void DeclarativeIsToolpathToBeStored(Program&) {
  const int stored = L::IsToolpathToBeStored();
  Check(stored == 0 || stored == 1, "not a yes or no");
}

void DeclarativeGetAllStrings(Program& p) {
  const S& variable = Text(p);
  const S& pool = Text(p);
  Names items, values;
  items.Append(S("left over"));
  const int code = L::GetAllStrings(variable, pool, items, values);
  Check(items.Size() == values.Size(), "items and values out of step");
  Check(items.Size() <= 50, "more entries than the query's capacity");
  Check(code == 0 || items.Size() == 0, "entries kept after a failure");
  Check(AllWithin(items, 64) && AllWithin(values, 256),
        "entry longer than its field");
}

void DeclarativeGetInteger(Program& p) {
  const S& variable = Text(p);
  const S& pool = Text(p);
  L::GetInteger(variable, pool);
}

void DeclarativeGetString(Program& p) {
  const S& variable = Text(p);
  const S& pool = Text(p);
  Check(Length(L::GetString(variable, pool)) <= 256,
        "value longer than its field");
}

void DeclarativeGetDeclarativePath(Program& p) {
  Check(Length(L::GetDeclarativePath(Text(p))) <= 1024,
        "path longer than its field");
}

void CheckPaths(const Answered& iAnswered, const Names& iPaths,
                const Names& iMacros, const Names& iNlsMacros) {
  CheckParallel(iAnswered, iPaths, iMacros, iNlsMacros);
  Check(AllWithin(iPaths, 44) && AllWithin(iMacros, 8) &&
            AllWithin(iNlsMacros, 72),
        "name longer than its record");
}

void DeclarativeGetTransitionPaths(Program&) {
  Names paths, macros, nlsMacros;
  const Answered answered;
  L::GetTransitionPaths(paths, macros, nlsMacros);
  CheckPaths(answered, paths, macros, nlsMacros);
}

void DeclarativeGetStandardMacros(Program& p) {
  const S& name = Text(p);
  const S& key = Text(p);
  Names paths, macros, nlsMacros;
  const Answered answered;
  L::GetStandardMacros(name, key, paths, macros, nlsMacros);
  CheckPaths(answered, paths, macros, nlsMacros);
}

void DeclarativeGetUnwantedAttributes(Program& p) {
  Names attributes;
  const Answered answered;
  L::GetUnwantedAttributes(Text(p), attributes);
  Check(attributes.Size() <= answered.Reads(),
        "more entries than records read");
  Check(AllWithin(attributes, 16), "name longer than its record");
}

void DeclarativeGetPossibleValues(Program& p) {
  const S& name = Text(p);
  const S& attribute = Text(p);
  const int type = Int(p);
  Ints ints(0);
  Reals reals(0);
  Names texts, nlsNames;
  const Answered answered;
  L::GetPossibleValues(name, attribute, type, ints, reals, texts, nlsNames);
  const int values = ints.Size() + reals.Size() + texts.Size();
  Check(values <= nlsNames.Size() && nlsNames.Size() - values <= 1,
        "values and names out of step");
  Check(values + nlsNames.Size() <= answered.Reads(),
        "more entries than records read");
  Check(AllWithin(nlsNames, 72), "name longer than its record");
  for (int i = 1; i <= texts.Size(); ++i)
    Check(Length(texts[i]) == 72, "text value not 72 wide");
  CheckValues(answered, ints, reals, texts, 72);
}

// A new list the caller owns: no more names than reads, each within its
// record.
void CheckOwned(const Answered& iAnswered, Names* iNames, int iWidth) {
  Check(iNames != nullptr, "no list returned");
  Check(iNames->Size() <= iAnswered.Reads(), "more entries than records read");
  Check(AllWithin(*iNames, iWidth), "name longer than its record");
  delete iNames;
}

void DeclarativeGetDefaultAttributes(Program& p) {
  const S& name = Text(p);
  const Answered answered;
  CheckOwned(answered, L::GetDefaultAttributes(name), 16);
}

void DeclarativeGetResListAttributes(Program& p) {
  const S& name = Text(p);
  const Answered answered;
  CheckOwned(answered, L::GetResListAttributes(name), 16);
}

void DeclarativeGetToolClasses(Program& p) {
  const S& name = Text(p);
  const Answered answered;
  CheckOwned(answered, L::GetToolClasses(name), 72);
}

void DeclarativeGetAutoSymbol(Program& p) {
  const int code = Int(p);
  const S& name = Text(p);
  const S& symbol = Text(p);
  int value = Int(p);
  L::GetAutoSymbol(code, name, symbol, value);
}

void DeclarativeGetAutoGrpPlng(Program& p) {
  const int code = Int(p);
  const S& name = Text(p);
  const S& symbol = Text(p);
  const S& group = Text(p);
  int value = Int(p);
  L::GetAutoGrpPlng(code, name, symbol, group, value);
}

void DeclarativeGetAutoCircle(Program& p) {
  const int code = Int(p);
  const S& name = Text(p);
  int value = Int(p);
  L::GetAutoCircle(code, name, value);
}

void DeclarativeGetMacroReplay(Program& p) {
  const S& name = Text(p);
  S module("unchanged"), entry("unchanged");
  int moduleLength = 0, entryLength = 0;
  const int replayed =
      L::GetMacroReplay(name, module, moduleLength, entry, entryLength);
  Check(replayed == 0 || replayed == 1, "not a yes or no");
  Check((module == "unchanged" || Length(module) <= 8) &&
            (entry == "unchanged" || Length(entry) <= 8),
        "name longer than its field");
}

void DeclarativeGetAutoMacroModify(Program& p) {
  int mode = Int(p);
  L::GetAutoMacroModify(mode);
}

void DeclarativeResourceManagement(Program&) { L::ResourceManagement(); }
void DeclarativeAutoToolNumber(Program&) { L::AutoToolNumber(); }
void DeclarativeAutoNewInterface(Program&) { L::AutoNewInterface(); }
void DeclarativeAutoNewInterfaceG22(Program& p) {
  L::AutoNewInterfaceG22(Text(p));
}
void DeclarativeAutoNewInterfaceG23(Program& p) {
  L::AutoNewInterfaceG23(Text(p));
}
void DeclarativeAutoNewInterfaceG24(Program& p) {
  L::AutoNewInterfaceG24(Text(p));
}

void DeclarativeGetVORTISPath(Program& p) {
  S physical("left over"), logical("left over");
  L::GetVORTISPath(Text(p), physical, logical);
  Check(Length(physical) <= 1024 && Length(logical) <= 1024,
        "path longer than its field");
}

void DeclarativeGetIconPath(Program& p) {
  const S& name = Text(p);
  static const char* const kIconDirs[] = {nullptr, "", "/icons",
                                          "/a/very/long/icon/directory"};
  const char* dir = p.Pick(kIconDirs);
  if (dir == nullptr)
    unsetenv("ZORVENICONPATH");
  else
    setenv("ZORVENICONPATH", dir, 1);
  const int most =
      dir == nullptr ? 0 : static_cast<int>(std::strlen(dir)) + 1 + 8 + 4;
  Check(Length(L::GetIconPath(name)) <= most,
        "icon path longer than directory and icon");
}

// --- Data pool ---------------------------------------------------------------

void DataPoolInitialize(Program&) { P::Initialize(); }
void DataPoolDeleteDataPool(Program& p) { P::DeleteDataPool(Text(p)); }

void DataPoolCreateObject(Program& p) {
  const S& pool = Text(p);
  const int first = Int(p);
  const int second = Int(p);
  const int third = Int(p);
  P::CreateObject(pool, first, second, third);
}

void DataPoolReadObject(Program& p) {
  const S& pool = Text(p);
  const int number = Int(p);
  int kind = Int(p);
  Names names;
  Ints nbValues(0), types(0);
  const Answered answered;
  P::ReadObject(pool, number, kind, names, nbValues, types);
  CheckParallel(answered, names, nbValues, types);
  Check(AllWithin(names, 16), "field name longer than its record");
}

void DataPoolDeleteObject(Program& p) {
  const S& pool = Text(p);
  const int number = Int(p);
  P::DeleteObject(pool, number);
}

void DataPoolListObjects(Program& p) {
  const S& pool = Text(p);
  const int kind = Int(p);
  const Answered answered;
  Ints* numbers = P::ListObjects(pool, kind);
  Check(numbers != nullptr, "no collection returned");
  Check(numbers->Size() <= answered.Reads(), "more numbers than records read");
  delete numbers;
}

void DataPoolCreateField(Program& p) {
  const S& pool = Text(p);
  const int number = Int(p);
  const int type = Int(p);
  const S& field = Text(p);
  const Ints ints = IntList(p);
  const Reals reals = RealList(p);
  const Names texts = NameList(p);
  P::CreateField(pool, number, type, field, ints, reals, texts);
}

void DataPoolCreateIntField(Program& p) {
  const S& pool = Text(p);
  const int number = Int(p);
  const int type = Int(p);
  const S& field = Text(p);
  const int value = Int(p);
  P::CreateIntField(pool, number, type, field, value);
}

void DataPoolCreateDblField(Program& p) {
  const S& pool = Text(p);
  const int number = Int(p);
  const int type = Int(p);
  const S& field = Text(p);
  const double value = Real(p);
  P::CreateDblField(pool, number, type, field, value);
}

void DataPoolCreateStrField(Program& p) {
  const S& pool = Text(p);
  const int number = Int(p);
  const int type = Int(p);
  const S& field = Text(p);
  const S& value = Text(p);
  P::CreateStrField(pool, number, type, field, value);
}

void DataPoolReadField(Program& p) {
  const S& pool = Text(p);
  const int number = Int(p);
  const S& field = Text(p);
  Ints ints(0);
  Reals reals(0);
  Names texts;
  ints.Append(7);  // the outputs are emptied first
  reals.Append(7.5);
  texts.Append(S("left over"));
  const Answered answered;
  P::ReadField(pool, number, field, ints, reals, texts);
  CheckValues(answered, ints, reals, texts, 72);
}

void DataPoolReadIntField(Program& p) {
  const S& pool = Text(p);
  const int number = Int(p);
  const S& field = Text(p);
  P::ReadIntField(pool, number, field);
}

void DataPoolReadDblField(Program& p) {
  const S& pool = Text(p);
  const int number = Int(p);
  const S& field = Text(p);
  P::ReadDblField(pool, number, field);
}

void DataPoolReadStrField(Program& p) {
  const S& pool = Text(p);
  const int number = Int(p);
  const S& field = Text(p);
  Check(Length(P::ReadStrField(pool, number, field)) <= 72,
        "value longer than its record");
}

void DataPoolGetValues(Program& p) {
  const S& pool = Text(p);
  const int number = Int(p);
  Names attributes = NameList(p);
  const int given = attributes.Size();
  Ints types(0), nbValues(0), ints(0);
  Reals reals(0);
  Names texts;
  types.Append(7);  // the outputs are emptied first
  texts.Append(S("left over"));
  const Answered answered;
  P::GetValues(pool, number, attributes, types, nbValues, ints, reals, texts);
  Check(types.Size() == nbValues.Size(), "types and counts out of step");
  long counted = 0;
  for (int i = 1; i <= nbValues.Size(); ++i) counted += nbValues[i];
  const long values = ints.Size() + reals.Size() + texts.Size();
  Check(counted == values, "counts disagree with the values gathered");
  Check(values <= answered.Reads(), "more values than records read");
  Check(AllWithin(texts, 72), "text value longer than its record");
  if (given > 0)
    Check(attributes.Size() == given && types.Size() <= given,
          "more entries than attributes");
  else
    Check(types.Size() <= attributes.Size(), "more entries than fields");
}

void DataPoolDumpDataPool(Program& p) { P::DumpDataPool(Text(p)); }

// --- GII ---------------------------------------------------------------------

void GiiResetGIIIdList(Program&) { G::ResetGIIIdList(); }

void GiiGetGIIId(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  G::GetGIIId(name, buffer);
}

void GiiSetGIIIdList(Program& p) {
  const Names names = NameList(p);
  G::SetGIIIdList(names);
}

void GiiSetGIIError(Program& p) {
  const int ier = Int(p);
  const int buffer = Buffer(p);
  G::SetGIIError(ier, buffer);
}

void GiiSetGIIOrder(Program&) { G::SetGIIOrder(); }

void GiiSetGIIEventVariable(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  G::SetGIIEventVariable(name, buffer);
}

void GiiSetGIIEventBisVariable(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  G::SetGIIEventBisVariable(name, buffer);
}

void GiiResetGIIVarModifState(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  G::ResetGIIVarModifState(name, buffer);
}

void GiiSetGIIIntVariable(Program& p) {
  const S& name = Text(p);
  const int value = Int(p);
  const int buffer = Buffer(p);
  G::SetGIIIntVariable(name, value, buffer);
}

void GiiSetGIIDoubleVariable(Program& p) {
  const S& name = Text(p);
  const double value = Real(p);
  const int buffer = Buffer(p);
  G::SetGIIDoubleVariable(name, value, buffer);
}

void GiiSetGIIElemVariable(Program& p) {
  const S& name = Text(p);
  const int value = Int(p);
  const int buffer = Buffer(p);
  G::SetGIIElemVariable(name, value, buffer);
}

void GiiSetGIIStringVariable(Program& p) {
  const S& name = Text(p);
  const S& value = Text(p);
  const int buffer = Buffer(p);
  G::SetGIIStringVariable(name, value, buffer);
}

void GiiSetGIITextVariable(Program& p) {
  const S& name = Text(p);
  const S& value = Text(p);
  const int buffer = Buffer(p);
  G::SetGIITextVariable(name, value, buffer);
}

void GiiSetGIIPromptVariable(Program& p) {
  const S& name = Text(p);
  const S& value = Text(p);
  const int buffer = Buffer(p);
  G::SetGIIPromptVariable(name, value, buffer);
}

void GiiGetGIIIntVariable(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  G::GetGIIIntVariable(name, buffer);
}

void GiiGetGIIDoubleVariable(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  G::GetGIIDoubleVariable(name, buffer);
}

void GiiGetGIIElemVariable(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  G::GetGIIElemVariable(name, buffer);
}

void GiiGetGIIStringVariable(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  Check(Length(G::GetGIIStringVariable(name, buffer)) <= 80,
        "text longer than its buffer");
}

void GiiGetGIITextVariable(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  Check(Length(G::GetGIITextVariable(name, buffer)) <= 80,
        "text longer than its buffer");
}

void GiiGetGIIPromptVariable(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  Check(Length(G::GetGIIPromptVariable(name, buffer)) <= 80,
        "text longer than its buffer");
}

void GiiGetGIIIntListVariable(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  const Answered answered;
  const Ints values = G::GetGIIIntListVariable(name, buffer);
  Check(values.Size() <= answered.Calls(), "more values than the kernel gave");
}

void GiiIsValuatedGIIVariable(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  G::IsValuatedGIIVariable(name, buffer);
}

void GiiIsExistingGIIVariable(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  const int exists = G::IsExistingGIIVariable(name, buffer);
  Check(exists == 0 || exists == 1, "not a yes or no");
}

void GiiUnsetGIIVariable(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  G::UnsetGIIVariable(name, buffer);
}

void GiiUnsetGIIListVariable(Program& p) {
  const S& name = Text(p);
  const int buffer = Buffer(p);
  G::UnsetGIIListVariable(name, buffer);
}

void GiiSetGIIVariable(Program& p) {
  const S& name = Text(p);
  const Ints types = TypeList(p);
  const Ints ints = IntList(p);
  const Reals reals = RealList(p);
  const Names texts = NameList(p);
  const int buffer = Buffer(p);
  G::SetGIIVariable(name, types, ints, reals, texts, buffer);
}

void GiiGetGIIVariable(Program& p) {
  const S& name = Text(p);
  const int field = Int(p);
  const int buffer = Buffer(p);
  int type = -7, value = -7;
  double real = -7.5;
  S text("left over");
  G::GetGIIVariable(name, field, type, value, real, text, buffer);
  Check(Length(text) <= 80, "text longer than its buffer");
}

// --- National names and tables
// -------------------------------------------------

// A translation the cache took must answer again, the same, without the
// kernel: an index that disagrees with its list would ask again.
void CheckCached(int iType, const S& iName, const S& iAnswer) {
  const Answered again;
  const S second = N::GetNlsName(iType, iName);
  Check(again.Calls() == 0, "a cached name asked the kernel again");
  Check(second == iAnswer, "a cached name answered differently");
}

void NlsGetNlsName(Program& p) {
  const int type = Int(p);
  const S& name = Text(p);
  const S answer = N::GetNlsName(type, name);
  Check(Length(answer) <= 80 || answer == name, "name longer than its buffer");
  CheckCached(type, name, answer);
}

void NlsGetStdName(Program& p) {
  const int type = Int(p);
  const S& name = Text(p);
  N::GetStdName(type, name);
}

template <S (*Get)(const S&), int Type>
void NlsGetKindNlsName(Program& p) {
  const S& name = Text(p);
  const S answer = Get(name);
  CheckCached(Type, name, answer);
}

template <S (*Get)(const S&), int Width>
void NlsGetKindStdName(Program& p) {
  const S& name = Text(p);
  const S standard = Get(name);
  Check(Length(standard) == Width || standard == name,
        "standard name not of its kind's width");
}

void TablesGetTables(Program& p) {
  const int kind = Int(p);
  const Answered answered;
  CheckOwned(answered, KAVMfgAPTAndPPTable::GetTables(kind), 72);
}

// --- Capture and the binder's entry point
// ----------------------------------------

void UtilitiesCaptImage(Program& p) { KAVMfgUtilities::CaptImage(Text(p)); }

// A direct call of the binder with an entry of the caller's own: the
// kernel's resolver binds it like any other (it reaches the resolver, not
// a routine, so the table counts it whenever it runs).
void EntryKavsybnd(Program& p) {
  static const char* const kRoutineNames[] = {
#define KAV_ROUTINE(num, name, ret, params, module, library, args) #name,
#include "KAVRoutines.def"
#undef KAV_ROUTINE
  };
  void* emptyCell = nullptr;
  KAVReferenceEntry entry = KAVMakeReferenceEntry(
      &emptyCell, p.Pick(kRoutineNames), "NCFUZZ", "NCFUZLIB");
  Check(kavsybnd(&entry) == &entry, "the binder returned another entry");
  Check(entry.cell != &emptyCell && *entry.cell != nullptr,
        "the entry was left unbound");
  Check(emptyCell == nullptr, "the empty cell was written");
}

}  // namespace

const Operation kOperations[] = {
    {"KAVMfgDictionary::Load", DictionaryLoad, true},
    {"KAVMfgDictionary::Store", DictionaryStore, true},
    {"KAVMfgDictionary::GetCurrent", DictionaryGetCurrent, true},
    {"KAVMfgDictionary::LoadDefault", DictionaryLoadDefault, true},
    {"KAVMfgDictionary::Unload", DictionaryUnload, true},
    {"KAVMfgDictionary::GetAttributes", DictionaryGetAttributes, true},
    {"KAVMfgDictionary::GetAttributeValues", DictionaryGetAttributeValues,
     true},
    {"KAVMfgDictionary::GetAttributeFacets", DictionaryGetAttributeFacets,
     true},
    {"KAVMfgDictionary::GetClasses", DictionaryGetClasses, true},
    {"KAVMfgDictionary::GetAllAttributes", DictionaryGetAllAttributes, true},
    {"KAVMfgDictionary::SetCurrentClass", DictionarySetCurrentClass, true},
    {"KAVMfgDictionary::CreateClass", DictionaryCreateClass, true},
    {"KAVMfgDictionary::CreateAttribute", DictionaryCreateAttribute, true},
    {"KAVMfgDictionary::AddAttribute", DictionaryAddAttribute, true},
    {"KAVMfgDeclarative::LoadNcDeclarative", DeclarativeLoad, true},
    {"KAVMfgDeclarative::IsToolpathToBeStored", DeclarativeIsToolpathToBeStored,
     true},
    {"KAVMfgDeclarative::GetAllStrings", DeclarativeGetAllStrings, true},
    {"KAVMfgDeclarative::GetInteger", DeclarativeGetInteger, true},
    {"KAVMfgDeclarative::GetString", DeclarativeGetString, true},
    {"KAVMfgDeclarative::GetDeclarativePath", DeclarativeGetDeclarativePath,
     true},
    {"KAVMfgDeclarative::GetTransitionPaths", DeclarativeGetTransitionPaths,
     true},
    {"KAVMfgDeclarative::GetStandardMacros", DeclarativeGetStandardMacros,
     true},
    {"KAVMfgDeclarative::GetUnwantedAttributes",
     DeclarativeGetUnwantedAttributes, true},
    {"KAVMfgDeclarative::GetPossibleValues", DeclarativeGetPossibleValues,
     true},
    {"KAVMfgDeclarative::GetDefaultAttributes", DeclarativeGetDefaultAttributes,
     true},
    {"KAVMfgDeclarative::GetResListAttributes", DeclarativeGetResListAttributes,
     true},
    {"KAVMfgDeclarative::GetToolClasses", DeclarativeGetToolClasses, true},
    {"KAVMfgDeclarative::GetAutoSymbol", DeclarativeGetAutoSymbol, true},
    {"KAVMfgDeclarative::GetAutoGrpPlng", DeclarativeGetAutoGrpPlng, true},
    {"KAVMfgDeclarative::GetAutoCircle", DeclarativeGetAutoCircle, true},
    {"KAVMfgDeclarative::GetMacroReplay", DeclarativeGetMacroReplay, true},
    {"KAVMfgDeclarative::GetAutoMacroModify", DeclarativeGetAutoMacroModify,
     true},
    {"KAVMfgDeclarative::ResourceManagement", DeclarativeResourceManagement,
     true},
    {"KAVMfgDeclarative::AutoToolNumber", DeclarativeAutoToolNumber, true},
    {"KAVMfgDeclarative::AutoNewInterface", DeclarativeAutoNewInterface, true},
    {"KAVMfgDeclarative::AutoNewInterfaceG22", DeclarativeAutoNewInterfaceG22,
     true},
    {"KAVMfgDeclarative::AutoNewInterfaceG23", DeclarativeAutoNewInterfaceG23,
     true},
    {"KAVMfgDeclarative::AutoNewInterfaceG24", DeclarativeAutoNewInterfaceG24,
     true},
    {"KAVMfgDeclarative::GetVORTISPath", DeclarativeGetVORTISPath, true},
    {"KAVMfgDeclarative::GetIconPath", DeclarativeGetIconPath, true},
    {"KAVMfgDataPool::Initialize", DataPoolInitialize, true},
    {"KAVMfgDataPool::DeleteDataPool", DataPoolDeleteDataPool, true},
    {"KAVMfgDataPool::CreateObject", DataPoolCreateObject, true},
    {"KAVMfgDataPool::ReadObject", DataPoolReadObject, true},
    {"KAVMfgDataPool::DeleteObject", DataPoolDeleteObject, true},
    {"KAVMfgDataPool::ListObjects", DataPoolListObjects, true},
    {"KAVMfgDataPool::CreateField", DataPoolCreateField, true},
    {"KAVMfgDataPool::CreateIntField", DataPoolCreateIntField, true},
    {"KAVMfgDataPool::CreateDblField", DataPoolCreateDblField, true},
    {"KAVMfgDataPool::CreateStrField", DataPoolCreateStrField, true},
    {"KAVMfgDataPool::ReadField", DataPoolReadField, true},
    {"KAVMfgDataPool::ReadIntField", DataPoolReadIntField, true},
    {"KAVMfgDataPool::ReadDblField", DataPoolReadDblField, true},
    {"KAVMfgDataPool::ReadStrField", DataPoolReadStrField, true},
    {"KAVMfgDataPool::GetValues", DataPoolGetValues, true},
    {"KAVMfgDataPool::DumpDataPool", DataPoolDumpDataPool, true},
    {"KAVMfgBaseGII::ResetGIIIdList", GiiResetGIIIdList, false},
    {"KAVMfgBaseGII::GetGIIId", GiiGetGIIId, true},
    {"KAVMfgBaseGII::SetGIIIdList", GiiSetGIIIdList, true},
    {"KAVMfgBaseGII::SetGIIError", GiiSetGIIError, true},
    {"KAVMfgBaseGII::SetGIIOrder", GiiSetGIIOrder, true},
    {"KAVMfgBaseGII::SetGIIEventVariable", GiiSetGIIEventVariable, true},
    {"KAVMfgBaseGII::SetGIIEventBisVariable", GiiSetGIIEventBisVariable, true},
    {"KAVMfgBaseGII::ResetGIIVarModifState", GiiResetGIIVarModifState, true},
    {"KAVMfgBaseGII::SetGIIIntVariable", GiiSetGIIIntVariable, true},
    {"KAVMfgBaseGII::SetGIIDoubleVariable", GiiSetGIIDoubleVariable, true},
    {"KAVMfgBaseGII::SetGIIElemVariable", GiiSetGIIElemVariable, true},
    {"KAVMfgBaseGII::SetGIIStringVariable", GiiSetGIIStringVariable, true},
    {"KAVMfgBaseGII::SetGIITextVariable", GiiSetGIITextVariable, true},
    {"KAVMfgBaseGII::SetGIIPromptVariable", GiiSetGIIPromptVariable, true},
    {"KAVMfgBaseGII::GetGIIIntVariable", GiiGetGIIIntVariable, true},
    {"KAVMfgBaseGII::GetGIIDoubleVariable", GiiGetGIIDoubleVariable, true},
    {"KAVMfgBaseGII::GetGIIElemVariable", GiiGetGIIElemVariable, true},
    {"KAVMfgBaseGII::GetGIIStringVariable", GiiGetGIIStringVariable, true},
    {"KAVMfgBaseGII::GetGIITextVariable", GiiGetGIITextVariable, true},
    {"KAVMfgBaseGII::GetGIIPromptVariable", GiiGetGIIPromptVariable, true},
    {"KAVMfgBaseGII::GetGIIIntListVariable", GiiGetGIIIntListVariable, true},
    {"KAVMfgBaseGII::IsValuatedGIIVariable", GiiIsValuatedGIIVariable, true},
    {"KAVMfgBaseGII::IsExistingGIIVariable", GiiIsExistingGIIVariable, true},
    {"KAVMfgBaseGII::UnsetGIIVariable", GiiUnsetGIIVariable, true},
    {"KAVMfgBaseGII::UnsetGIIListVariable", GiiUnsetGIIListVariable, true},
    {"KAVMfgBaseGII::SetGIIVariable", GiiSetGIIVariable, true},
    {"KAVMfgBaseGII::GetGIIVariable", GiiGetGIIVariable, true},
    {"KAVMfgBaseNLS::GetNlsName", NlsGetNlsName, true},
    {"KAVMfgBaseNLS::GetStdName", NlsGetStdName, false},
    {"KAVMfgBaseNLS::GetAttNlsName", NlsGetKindNlsName<N::GetAttNlsName, 1>,
     true},
    {"KAVMfgBaseNLS::GetBlkNlsName", NlsGetKindNlsName<N::GetBlkNlsName, 2>,
     true},
    {"KAVMfgBaseNLS::GetClaNlsName", NlsGetKindNlsName<N::GetClaNlsName, 3>,
     true},
    {"KAVMfgBaseNLS::GetValNlsName", NlsGetKindNlsName<N::GetValNlsName, 4>,
     true},
    {"KAVMfgBaseNLS::GetAttStdName", NlsGetKindStdName<N::GetAttStdName, 16>,
     false},
    {"KAVMfgBaseNLS::GetBlkStdName", NlsGetKindStdName<N::GetBlkStdName, 16>,
     false},
    {"KAVMfgBaseNLS::GetClaStdName", NlsGetKindStdName<N::GetClaStdName, 32>,
     false},
    {"KAVMfgBaseNLS::GetValStdName", NlsGetKindStdName<N::GetValStdName, 32>,
     false},
    {"KAVMfgAPTAndPPTable::GetTables", TablesGetTables, true},
    {"KAVMfgUtilities::CaptImage", UtilitiesCaptImage, true},
    {"kavsybnd", EntryKavsybnd, false},
};
const int kOperationCount = sizeof kOperations / sizeof *kOperations;
static_assert(sizeof kOperations / sizeof *kOperations <=
                  sizeof gReached / sizeof *gReached,
              "a counter per operation");

const KernelControl& Kernel() { return gKernel; }

void Start() {
  setenv("STEPLIB", KAV_FUZZ_KERNEL_DIR, 1);
  void* module = dlopen(KAV_FUZZ_KERNEL_DIR "/KAVSYMB", RTLD_LAZY);
  if (module == nullptr) {
    std::fprintf(stderr, "kernel_fuzz: cannot load the fuzz kernel: %s\n",
                 dlerror());
    std::exit(2);
  }
  const auto find = [&](const char* iName) {
    void* symbol = dlsym(module, iName);
    if (symbol == nullptr) {
      std::fprintf(stderr, "kernel_fuzz: the fuzz kernel has no %s\n", iName);
      std::exit(2);
    }
    return symbol;
  };
  gKernel.answer =
      reinterpret_cast<decltype(gKernel.answer)>(find("kavfuzz_answer"));
  gKernel.record =
      reinterpret_cast<decltype(gKernel.record)>(find("kavfuzz_record"));
  gKernel.recorded =
      reinterpret_cast<decltype(gKernel.recorded)>(find("kavfuzz_recorded"));
  gKernel.calls =
      reinterpret_cast<decltype(gKernel.calls)>(find("kavfuzz_calls"));
  gKernel.reads =
      reinterpret_cast<decltype(gKernel.reads)>(find("kavfuzz_reads"));
}

void ForgetState() {
  KAVMfgBaseNLS::Internals::Forget();
  KAVMfgBaseGII::Internals::Forget();
  KAVMfgDeclarative::Internals::Forget();
}

void RunProgram(const uint8_t* iProgram, size_t iSize,
                std::vector<size_t>* oStepEnds) {
  Program program(iProgram, iSize);
  while (!program.Done()) {
    const int index = program.Byte() % kOperationCount;
    const Operation& operation = kOperations[index];
    gOperation = operation.name;
    const long before = gKernel.calls();
    operation.run(program);
    if (!operation.reachesKernel || gKernel.calls() > before) ++gReached[index];
    Check(KAVMfgBaseNLS::Internals::CachesAgree(),
          "a national-name index disagrees with its list");
    Check(KAVMfgBaseGII::Internals::CacheAgrees(),
          "the GII index disagrees with its lists");
    if (oStepEnds != nullptr) oStepEnds->push_back(program.Used());
  }
  gOperation = "";
}

void RunInput(const uint8_t* iData, size_t iSize) {
  ForgetState();
  const size_t programSize = iSize == 0             ? 0
                             : iData[0] < iSize - 1 ? iData[0]
                                                    : iSize - 1;
  const uint8_t* program = iSize == 0 ? iData : iData + 1;
  gKernel.answer(program + programSize,
                 iSize - (iSize == 0 ? 0 : 1) - programSize);
  RunProgram(program, programSize);
}

const long* Reached() { return gReached; }

int ReportReached(std::string& oText) {
  int missing = 0;
  std::string names;
  for (int i = 0; i < kOperationCount; ++i) {
    if (gReached[i] != 0) continue;
    ++missing;
    names += "  not reached: ";
    names += kOperations[i].name;
    names += '\n';
  }
  oText = "reached " + std::to_string(kOperationCount - missing) + " of " +
          std::to_string(kOperationCount) + " operations\n" + names;
  return missing;
}

}  // namespace kavfuzz
