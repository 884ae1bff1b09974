// The reference kernel's declarative routines: pools and variables
// (DCLPLE, DCLOAD, DCLQUV, G7AQRY, G7AQUV, DCLVAR), the customization
// lists (GNFLTP, GNFLMC, GNFRLA, GNFRVA, GNFRDA, GNDRDA, GNFRTL), the
// switches (NFPTSYM, NFPTGRP, NFPTCIR, GNFRSB, GNFRMR, GNFRRC, GNFRTN,
// GNFRNW, GNFRNW2/3/4) and class icons (GNDRIC).
//
// Names arrive as blank-padded fields and are compared without their
// trailing blanks only: a leading blank is part of the name, as in any
// fixed-field kernel. A class is known when the declarative customizes it
// or the current dictionary holds it; a known class with nothing defined
// for what is asked answers KAVSIM_NOTHING_DEFINED.
#include "KAVSimDeclarative.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "KAVSimDictionary.h"
#include "KAVSimKernel.h"

namespace {

using namespace kavsim::declarative;
namespace lists = kavsim::lists;

constexpr int kPoolWidth = kavcall::SharedWidth({{"DCLPLE", 1},
                                                 {"DCLOAD", 1},
                                                 {"DCLQUV", 1},
                                                 {"G7AQRY", 1},
                                                 {"G7AQUV", 1}});
constexpr int kVariableWidth =
    kavcall::SharedWidth({{"DCLQUV", 2}, {"G7AQRY", 2}, {"G7AQUV", 2}});
constexpr int kTypeWidth = kavcall::SharedWidth({{"G7AQRY", 3}, {"G7AQUV", 3}});
constexpr int kSwitchValueWidth = kavcall::Width("DCLQUV", 5);
constexpr int kQueryKind = 97;  // DCLQUV: value of a declarative variable
constexpr int kItemWidth = kavcall::Width("G7AQRY", 7);
constexpr int kPathWidth = kavcall::Width("DCLVAR", 5);
constexpr int kClassWidth = kavcall::SharedWidth({{"GNFLMC", 1},
                                                  {"GNFRLA", 1},
                                                  {"GNFRDA", 1},
                                                  {"GNDRDA", 1},
                                                  {"GNFRTL", 1},
                                                  {"GNFRVA", 1},
                                                  {"NFPTSYM", 2},
                                                  {"NFPTGRP", 2},
                                                  {"NFPTCIR", 2},
                                                  {"GNFRSB", 1},
                                                  {"GNDRIC", 1}});
constexpr int kAttributeWidth = kavcall::Width("GNFRVA", 2);
constexpr int kKeyWidth = kavcall::Width("GNFLMC", 2);
constexpr int kPathItemWidth =
    kavcall::SharedWidth({{"GNFLTP", 1}, {"GNFLMC", 3}});
constexpr int kMacroWidth =
    kavcall::SharedWidth({{"GNFLTP", 2}, {"GNFLMC", 4}});
constexpr int kNlsWidth =
    kavcall::SharedWidth({{"GNFLTP", 3}, {"GNFLMC", 5}, {"GNFRVA", 5}});
constexpr int kListAttributeWidth =
    kavcall::SharedWidth({{"GNFRLA", 2}, {"GNFRDA", 2}, {"GNDRDA", 2}});
constexpr int kToolClassWidth = kavcall::Width("GNFRTL", 2);
constexpr int kSymbolWidth =
    kavcall::SharedWidth({{"NFPTSYM", 3}, {"NFPTGRP", 3}, {"NFPTGRP", 4}});
constexpr int kNameWidth =  // GNFRSB names, GNDRIC icons
    kavcall::SharedWidth({{"GNFRSB", 2}, {"GNFRSB", 4}, {"GNDRIC", 2}});
constexpr int kTextType = 3;

// A field without its trailing blanks.
std::string Name(const char* iField, int iWidth) {
  std::string name = kavsim::Field(iField, iWidth);
  const size_t last = name.find_last_not_of(' ');
  return last == std::string::npos ? std::string() : name.substr(0, last + 1);
}

int Clamp(size_t iLength, int iWidth) {
  return iLength < static_cast<size_t>(iWidth) ? static_cast<int>(iLength)
                                               : iWidth;
}

// --- Pools and variables ----------------------------------------------------

// A damaged site file: every routine of the family answers its code.
bool Damaged(int* oIer) {
  const int code = Current().code;
  if (code != KAVSIM_OK) kavsim::SetCode(oIer, code);
  return code != KAVSIM_OK;
}

// The pool named by a 27-character field, or the code that refuses it.
Pool* FindPool(const char* iPool, int& oIer) {
  auto& pools = Current().pools;
  const auto found = pools.find(Name(iPool, kPoolWidth));
  if (found == pools.end()) {
    oIer = KAVSIM_UNKNOWN_POOL;
    return nullptr;
  }
  return &found->second;
}

// The variable of a loaded pool named by its full name "POOL.NAME".
const Variable* FindVariable(const char* iPool, const std::string& iFullName,
                             int& oIer) {
  Pool* pool = FindPool(iPool, oIer);
  if (pool == nullptr) return nullptr;
  if (!pool->loaded) {
    oIer = KAVSIM_POOL_NOT_LOADED;
    return nullptr;
  }
  const std::string prefix = Name(iPool, kPoolWidth) + ".";
  const auto found = iFullName.compare(0, prefix.size(), prefix) == 0
                         ? pool->variables.find(iFullName.substr(prefix.size()))
                         : pool->variables.end();
  if (found == pool->variables.end()) {
    oIer = KAVSIM_UNKNOWN_VARIABLE;
    return nullptr;
  }
  return &found->second;
}

// DCLPLE(pool 27, loaded flag out, ier).
void simDCLPLE(char* iPool, int* oLoaded, int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (iPool == nullptr || oLoaded == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  Pool* pool = FindPool(iPool, *oIer);
  if (pool == nullptr) return;
  *oLoaded = pool->loaded ? 1 : 0;
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(DCLPLE, simDCLPLE);

// DCLOAD(pool 27, ier): loading a loaded pool is harmless.
void simDCLOAD(char* iPool, int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (iPool == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  Pool* pool = FindPool(iPool, *oIer);
  if (pool == nullptr) return;
  pool->loaded = true;
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(DCLOAD, simDCLOAD);

// DCLQUV(pool 27, variable 64, name length, 97, value 72 out, type out,
// ier). The name is the first `length` characters of the variable field.
// A STRING answers type 3 and its first value, an INTEGER type 1 and its
// value in decimal.
void simDCLQUV(char* iPool, char* iVariable, int* iLength, int* iKind,
               char* oValue, int* oType, int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (iPool == nullptr || iVariable == nullptr || iLength == nullptr ||
      iKind == nullptr || oValue == nullptr || oType == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  if (*iLength < 0 || *iLength > kVariableWidth || *iKind != kQueryKind) {
    kavsim::SetCode(oIer, KAVSIM_BAD_QUERY);
    return;
  }
  const Variable* variable =
      FindVariable(iPool, Name(iVariable, *iLength), *oIer);
  if (variable == nullptr) return;
  if (variable->isInteger) {
    *oType = 1;
    kavsim::PutField(oValue, kSwitchValueWidth,
                     std::to_string(variable->integer));
  } else {
    *oType = kTextType;
    kavsim::PutField(
        oValue, kSwitchValueWidth,
        variable->entries.empty() ? "" : variable->entries[0].value);
  }
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(DCLQUV, simDCLQUV);

// G7AQRY(pool 27, variable 64, type 64, capacity, value width, count out,
// items capacity x 64 out, item lengths out, values capacity x width out,
// value lengths out, ier): the entries of a STRING, at most `capacity`.
void simG7AQRY(char* iPool, char* iVariable, char* iType, int* iCapacity,
               int* iWidth, int* oCount, char* oItems, int* oItemLengths,
               char* oValues, int* oValueLengths, int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (iPool == nullptr || iVariable == nullptr || iType == nullptr ||
      iCapacity == nullptr || iWidth == nullptr || oCount == nullptr ||
      oItems == nullptr || oItemLengths == nullptr || oValues == nullptr ||
      oValueLengths == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  if (*iCapacity < 0 || *iWidth < 1) {
    kavsim::SetCode(oIer, KAVSIM_BAD_QUERY);
    return;
  }
  const Variable* variable =
      FindVariable(iPool, Name(iVariable, kVariableWidth), *oIer);
  if (variable == nullptr) return;
  if (variable->isInteger || Name(iType, kTypeWidth) != "STRING") {
    kavsim::SetCode(oIer, KAVSIM_WRONG_TYPE);
    return;
  }
  const int width = *iWidth;
  int count = 0;
  for (const Entry& entry : variable->entries) {
    if (count == *iCapacity) break;
    kavsim::PutField(oItems + static_cast<size_t>(count) * kItemWidth,
                     kItemWidth, entry.item);
    kavsim::PutField(
        oValues + static_cast<size_t>(count) * static_cast<size_t>(width),
        width, entry.value);
    oItemLengths[count] = Clamp(entry.item.size(), kItemWidth);
    oValueLengths[count] = Clamp(entry.value.size(), width);
    ++count;
  }
  *oCount = count;
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(G7AQRY, simG7AQRY);

// G7AQUV(pool 27, variable 64, type 64, size 4, value out, spare out,
// ier): an INTEGER. The spare output receives the value's size.
void simG7AQUV(char* iPool, char* iVariable, char* iType, int* iSize,
               int* oValue, int* oSpare, int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (iPool == nullptr || iVariable == nullptr || iType == nullptr ||
      iSize == nullptr || oValue == nullptr || oSpare == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  if (*iSize != static_cast<int>(sizeof(int))) {
    kavsim::SetCode(oIer, KAVSIM_BAD_QUERY);
    return;
  }
  const Variable* variable =
      FindVariable(iPool, Name(iVariable, kVariableWidth), *oIer);
  if (variable == nullptr) return;
  if (!variable->isInteger || Name(iType, kTypeWidth) != "INTEGER") {
    kavsim::SetCode(oIer, KAVSIM_WRONG_TYPE);
    return;
  }
  *oValue = variable->integer;
  *oSpare = *iSize;
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(G7AQUV, simG7AQUV);

bool IsNameChar(char iChar) {
  return (iChar >= 'A' && iChar <= 'Z') || (iChar >= 'a' && iChar <= 'z') ||
         (iChar >= '0' && iChar <= '9') || iChar == '_' || iChar == '.';
}

// The value of a reference: "POOL.NAME" a variable of a loaded pool (a
// STRING gives its first value, an INTEGER its decimal), any other name
// the environment. False when nothing answers.
bool Resolve(const std::string& iName, std::string& oValue) {
  const size_t dot = iName.find('.');
  if (dot != std::string::npos) {
    const auto pool = Current().pools.find(iName.substr(0, dot));
    if (pool == Current().pools.end() || !pool->second.loaded) return false;
    const auto found = pool->second.variables.find(iName.substr(dot + 1));
    if (found == pool->second.variables.end()) return false;
    const Variable& variable = found->second;
    if (variable.isInteger)
      oValue = std::to_string(variable.integer);
    else
      oValue = variable.entries.empty() ? "" : variable.entries[0].value;
    return true;
  }
  const char* value = std::getenv(iName.c_str());
  if (value == nullptr) return false;
  oValue = value;
  return true;
}

// DCLVAR(expression, length, 1, 1, output 1024 out, output length out,
// ier): the expression with each "$NAME" or "${NAME}" replaced by its
// value. An unknown reference fails the whole evaluation and leaves the
// output as it was. The two ints (1 and 1) are not read.
void simDCLVAR(char* iExpression, int* iLength, int* /* first */,
               int* /* second */, char* oOutput, int* oLength, int* oIer) {
  const int length = iLength && *iLength > 0 ? *iLength : 0;
  if (oIer == nullptr || Damaged(oIer)) return;
  if (iExpression == nullptr || iLength == nullptr || oOutput == nullptr ||
      oLength == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  if (*iLength < 0) {
    kavsim::SetCode(oIer, KAVSIM_BAD_QUERY);
    return;
  }
  const std::string expression(iExpression, static_cast<size_t>(length));
  std::string result;
  for (size_t i = 0; i < expression.size(); ++i) {
    if (expression[i] != '$') {
      result += expression[i];
      continue;
    }
    std::string name;
    size_t end = i + 1;
    if (end < expression.size() && expression[end] == '{') {
      const size_t close = expression.find('}', end);
      if (close == std::string::npos) {
        kavsim::SetCode(oIer, KAVSIM_UNRESOLVED);
        return;
      }
      name = expression.substr(end + 1, close - end - 1);
      end = close + 1;
    } else {
      while (end < expression.size() && IsNameChar(expression[end])) ++end;
      name = expression.substr(i + 1, end - i - 1);
    }
    if (name.empty()) {
      result += '$';
      continue;
    }
    std::string value;
    if (!Resolve(name, value)) {
      kavsim::SetCode(oIer, KAVSIM_UNRESOLVED);
      return;
    }
    result += value;
    i = end - 1;
  }
  kavsim::PutField(oOutput, kPathWidth, result);
  *oLength = Clamp(result.size(), kPathWidth);
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(DCLVAR, simDCLVAR);

// --- Customization of a class -----------------------------------------------

// The customization of the class in a 32-character field; a class the
// dictionary knows but the declarative does not customizes nothing.
const ClassCustomization* FindClass(const char* iClass, int& oIer) {
  static const ClassCustomization kNothing;
  const std::string name = Name(iClass, kClassWidth);
  const auto found = Current().classes.find(name);
  if (found != Current().classes.end()) return &found->second;
  kavsim::dictionary::State& dictionary = kavsim::dictionary::Current();
  if (dictionary.loaded && dictionary.dictionary.FindClass(name) != nullptr)
    return &kNothing;
  oIer = KAVSIM_UNKNOWN_DECL_CLASS;
  return nullptr;
}

// Three parallel lists (paths 44, macros 8, national names 72).
void PathLists(const std::vector<PathItem>& iItems, int* oPaths, int* oMacros,
               int* oNls) {
  *oPaths = lists::Create(kPathItemWidth);
  *oMacros = lists::Create(kMacroWidth);
  *oNls = lists::Create(kNlsWidth);
  for (const PathItem& item : iItems) {
    lists::AppendText(*oPaths, item.path);
    lists::AppendText(*oMacros, item.macro);
    lists::AppendText(*oNls, item.nls);
  }
}

// A list of names of one width, or nothing defined when there are none.
void NameList(const std::vector<std::string>& iNames, int iWidth, int* oHandle,
              int* oIer) {
  if (iNames.empty()) {
    kavsim::SetCode(oIer, KAVSIM_NOTHING_DEFINED);
    return;
  }
  *oHandle = lists::Create(iWidth);
  for (const std::string& name : iNames) lists::AppendText(*oHandle, name);
  kavsim::SetCode(oIer, KAVSIM_OK);
}

// GNFLTP(paths out, macros out, national names out, ier).
void simGNFLTP(int* oPaths, int* oMacros, int* oNls, int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (oPaths == nullptr || oMacros == nullptr || oNls == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  const std::vector<PathItem>& transitions = Current().transitions;
  if (transitions.empty()) {
    kavsim::SetCode(oIer, KAVSIM_NOTHING_DEFINED);
    return;
  }
  PathLists(transitions, oPaths, oMacros, oNls);
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFLTP, simGNFLTP);

// GNFLMC(class 32, key 8, paths out, macros out, national names out, ier).
void simGNFLMC(char* iClass, char* iKey, int* oPaths, int* oMacros, int* oNls,
               int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (iClass == nullptr || iKey == nullptr || oPaths == nullptr ||
      oMacros == nullptr || oNls == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  const ClassCustomization* custom = FindClass(iClass, *oIer);
  if (custom == nullptr) return;
  const auto found = custom->macros.find(Name(iKey, kKeyWidth));
  if (found == custom->macros.end() || found->second.empty()) {
    kavsim::SetCode(oIer, KAVSIM_NOTHING_DEFINED);
    return;
  }
  PathLists(found->second, oPaths, oMacros, oNls);
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFLMC, simGNFLMC);

// The routines of one list of names per class: GNFRLA (unwanted, 16),
// GNFRDA (default, 16), GNDRDA (resource list, 16), GNFRTL (tools, 72).
template <std::vector<std::string> ClassCustomization::*Names, int Width>
void ClassNames(char* iClass, int* oHandle, int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (iClass == nullptr || oHandle == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  const ClassCustomization* custom = FindClass(iClass, *oIer);
  if (custom == nullptr) return;
  NameList(custom->*Names, Width, oHandle, oIer);
}

void simGNFRLA(char* iClass, int* oHandle, int* oIer) {
  ClassNames<&ClassCustomization::unwanted, kListAttributeWidth>(iClass,
                                                                 oHandle, oIer);
}
KAVSIM_ROUTINE(GNFRLA, simGNFRLA);

void simGNFRDA(char* iClass, int* oHandle, int* oIer) {
  ClassNames<&ClassCustomization::defaults, kListAttributeWidth>(iClass,
                                                                 oHandle, oIer);
}
KAVSIM_ROUTINE(GNFRDA, simGNFRDA);

void simGNDRDA(char* iClass, int* oHandle, int* oIer) {
  ClassNames<&ClassCustomization::resources, kListAttributeWidth>(
      iClass, oHandle, oIer);
}
KAVSIM_ROUTINE(GNDRDA, simGNDRDA);

void simGNFRTL(char* iClass, int* oHandle, int* oIer) {
  ClassNames<&ClassCustomization::tools, kToolClassWidth>(iClass, oHandle,
                                                          oIer);
}
KAVSIM_ROUTINE(GNFRTL, simGNFRTL);

bool SameKind(int iAsked, int iStored) {
  const auto kind = [](int iType) { return iType == 0 ? 1 : iType; };
  return kind(iAsked) == kind(iStored);
}

// GNFRVA(class 32, attribute 32, type, values out, national names out,
// ier). Asked for another of the four known types than the values have,
// it refuses (KAVSIM_WRONG_VALUE_TYPE); an unknown type code is the
// caller's business and gets the values as they are kept.
void simGNFRVA(char* iClass, char* iAttribute, int* iType, int* oValues,
               int* oNames, int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (iClass == nullptr || iAttribute == nullptr || iType == nullptr ||
      oValues == nullptr || oNames == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  const ClassCustomization* custom = FindClass(iClass, *oIer);
  if (custom == nullptr) return;
  const auto found = custom->values.find(Name(iAttribute, kAttributeWidth));
  if (found == custom->values.end() || found->second.Count() == 0) {
    kavsim::SetCode(oIer, KAVSIM_NOTHING_DEFINED);
    return;
  }
  const PossibleValues& values = found->second;
  if (*iType >= 0 && *iType <= kTextType && !SameKind(*iType, values.type)) {
    kavsim::SetCode(oIer, KAVSIM_WRONG_VALUE_TYPE);
    return;
  }
  switch (values.type) {
    case 0:
    case 1:
      *oValues = lists::Create(sizeof(int));
      for (int value : values.ints) lists::AppendInt(*oValues, value);
      break;
    case 2:
      *oValues = lists::Create(sizeof(double));
      for (double value : values.reals) lists::AppendDouble(*oValues, value);
      break;
    default:
      *oValues = lists::Create(kNlsWidth);
      for (const std::string& value : values.texts)
        lists::AppendText(*oValues, value);
  }
  *oNames = lists::Create(kNlsWidth);
  for (const std::string& name : values.nls) lists::AppendText(*oNames, name);
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFRVA, simGNFRVA);

// --- Switches and icons -----------------------------------------------------

// The value of the first point switch of `iCode` whose symbol and group
// match (empty matches a switch that has none).
bool FindPoint(const std::vector<PointSwitch>& iPoints, int iCode,
               const std::string& iSymbol, const std::string& iGroup,
               int* oValue) {
  for (const PointSwitch& point : iPoints) {
    if (point.code == iCode && point.symbol == iSymbol &&
        point.group == iGroup) {
      *oValue = point.value;
      return true;
    }
  }
  return false;
}

// NFPTSYM(code, class 32, symbol 8, value out, ier).
void simNFPTSYM(int* iCode, char* iClass, char* iSymbol, int* oValue,
                int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (iCode == nullptr || iClass == nullptr || iSymbol == nullptr ||
      oValue == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  const ClassCustomization* custom = FindClass(iClass, *oIer);
  if (custom == nullptr) return;
  kavsim::SetCode(oIer, FindPoint(custom->symbols, *iCode,
                                  Name(iSymbol, kSymbolWidth), "", oValue)
                            ? KAVSIM_OK
                            : KAVSIM_NOTHING_DEFINED);
}
KAVSIM_ROUTINE(NFPTSYM, simNFPTSYM);

// NFPTGRP(code, class 32, symbol 8, group 8, value out, ier).
void simNFPTGRP(int* iCode, char* iClass, char* iSymbol, char* iGroup,
                int* oValue, int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (iCode == nullptr || iClass == nullptr || iSymbol == nullptr ||
      iGroup == nullptr || oValue == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  const ClassCustomization* custom = FindClass(iClass, *oIer);
  if (custom == nullptr) return;
  kavsim::SetCode(oIer,
                  FindPoint(custom->groups, *iCode, Name(iSymbol, kSymbolWidth),
                            Name(iGroup, kSymbolWidth), oValue)
                      ? KAVSIM_OK
                      : KAVSIM_NOTHING_DEFINED);
}
KAVSIM_ROUTINE(NFPTGRP, simNFPTGRP);

// NFPTCIR(code, class 32, value out, ier).
void simNFPTCIR(int* iCode, char* iClass, int* oValue, int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (iCode == nullptr || iClass == nullptr || oValue == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  const ClassCustomization* custom = FindClass(iClass, *oIer);
  if (custom == nullptr) return;
  kavsim::SetCode(oIer, FindPoint(custom->circles, *iCode, "", "", oValue)
                            ? KAVSIM_OK
                            : KAVSIM_NOTHING_DEFINED);
}
KAVSIM_ROUTINE(NFPTCIR, simNFPTCIR);

// GNFRSB(class 32, module 8 out, module length out, entry 8 out, entry
// length out, ier): the replay macro, each name with its length.
void simGNFRSB(char* iClass, char* oModule, int* oModuleLength, char* oEntry,
               int* oEntryLength, int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (iClass == nullptr || oModule == nullptr || oModuleLength == nullptr ||
      oEntry == nullptr || oEntryLength == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  const ClassCustomization* custom = FindClass(iClass, *oIer);
  if (custom == nullptr) return;
  if (custom->replayModule.empty() && custom->replayEntry.empty()) {
    kavsim::SetCode(oIer, KAVSIM_NOTHING_DEFINED);
    return;
  }
  kavsim::PutField(oModule, kNameWidth, custom->replayModule);
  kavsim::PutField(oEntry, kNameWidth, custom->replayEntry);
  *oModuleLength = Clamp(custom->replayModule.size(), kNameWidth);
  *oEntryLength = Clamp(custom->replayEntry.size(), kNameWidth);
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFRSB, simGNFRSB);

// GNFRMR, GNFRRC, GNFRTN, GNFRNW: one site-wide value and ier.
template <int Declarative::*Value>
void SiteSwitch(int* oValue, int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (oValue == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  *oValue = Current().*Value;
  kavsim::SetCode(oIer, KAVSIM_OK);
}

void simGNFRMR(int* oMode, int* oIer) {
  SiteSwitch<&Declarative::macroModify>(oMode, oIer);
}
KAVSIM_ROUTINE(GNFRMR, simGNFRMR);

void simGNFRRC(int* oResult, int* oIer) {
  SiteSwitch<&Declarative::resourceManagement>(oResult, oIer);
}
KAVSIM_ROUTINE(GNFRRC, simGNFRRC);

void simGNFRTN(int* oResult, int* oIer) {
  SiteSwitch<&Declarative::autoToolNumber>(oResult, oIer);
}
KAVSIM_ROUTINE(GNFRTN, simGNFRTN);

void simGNFRNW(int* oResult, int* oIer) {
  SiteSwitch<&Declarative::newInterface>(oResult, oIer);
}
KAVSIM_ROUTINE(GNFRNW, simGNFRNW);

// GNFRNW2/3/4(name, length, result out): no ier, the result is the answer
// (the message log shows it as the code); a name the area does not list
// answers 0.
void AreaSwitch(int iArea, char* iName, int* iLength, int* oResult) {
  const int length = iLength && *iLength > 0 ? *iLength : 0;
  if (oResult == nullptr) return;
  // A damaged site answers 0, as for a name the area does not list.
  const auto& area = Current().areas[iArea];
  const auto found =
      iName == nullptr
          ? area.end()
          : area.find(std::string(iName, static_cast<size_t>(length)));
  *oResult = found == area.end() ? 0 : found->second;
}

void simGNFRNW2(char* iName, int* iLength, int* oResult) {
  AreaSwitch(0, iName, iLength, oResult);
}
KAVSIM_ROUTINE(GNFRNW2, simGNFRNW2);

void simGNFRNW3(char* iName, int* iLength, int* oResult) {
  AreaSwitch(1, iName, iLength, oResult);
}
KAVSIM_ROUTINE(GNFRNW3, simGNFRNW3);

void simGNFRNW4(char* iName, int* iLength, int* oResult) {
  AreaSwitch(2, iName, iLength, oResult);
}
KAVSIM_ROUTINE(GNFRNW4, simGNFRNW4);

// GNDRIC(class 32, icon 8 out, ier): the icon's name, without ".gif".
void simGNDRIC(char* iClass, char* oIcon, int* oIer) {
  if (oIer == nullptr || Damaged(oIer)) return;
  if (iClass == nullptr || oIcon == nullptr) {
    kavsim::SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  const ClassCustomization* custom = FindClass(iClass, *oIer);
  if (custom == nullptr) return;
  if (custom->icon.empty()) {
    kavsim::SetCode(oIer, KAVSIM_NOTHING_DEFINED);
    return;
  }
  kavsim::PutField(oIcon, kNameWidth, custom->icon);
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNDRIC, simGNDRIC);

}  // namespace
