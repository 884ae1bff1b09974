// The reference kernel's dictionary routines: loading and state (GNFLOD,
// GNFIDS, GNFZTR, GNFINF, GNFRST, GNFZDS), queries (GNFRC1, GNFRC2,
// GNFRAT, GNFLCL, GNFLAT) and editing (GNFMCL, GNFCCL, GNFCAT, GNFMC1).
//
// Names arrive as fixed-width blank-padded fields and are compared with
// their blanks trimmed, case-sensitively. Result lists are built in the
// kernel's list store and handed out by handle; the caller ends them.
// Every routine that needs a dictionary answers KAVSIM_NO_DICTIONARY when
// none is loaded; editing needs a current class from GNFMCL or GNFCCL.
#include "KAVSimDictionary.h"

#include <set>
#include <string>

#include "KAVSimKernel.h"

namespace kavsim {
namespace {

using namespace dictionary;

constexpr int kModelWidth =
    kavcall::SharedWidth({{"GNFLOD", 1}, {"GNFINF", 1}});
constexpr int kMemberWidth =
    kavcall::SharedWidth({{"GNFLOD", 2}, {"GNFZTR", 1}, {"GNFINF", 2}});
constexpr int kInfoWidth = kavcall::Width("GNFINF", 3);
constexpr int kInfoTextWidth = kavcall::Width("GNFINF", 4);
constexpr int kMessageWidth =
    kavcall::SharedWidth({{"GNFLOD", 3}, {"GNFZTR", 2}});
constexpr int kClassWidth = kavcall::SharedWidth({{"GNFRC1", 1},
                                                  {"GNFRC2", 1},
                                                  {"GNFLCL", 1},
                                                  {"GNFMCL", 1},
                                                  {"GNFCCL", 1},
                                                  {"GNFCCL", 3}});
constexpr int kAttributeWidth = kavcall::SharedWidth({{"GNFRAT", 1},
                                                      {"GNFRC2", 3},
                                                      {"GNFRC1", 3},
                                                      {"GNFLAT", 1},
                                                      {"GNFCAT", 1},
                                                      {"GNFMC1", 1}});
constexpr int kBlockWidth =
    kavcall::SharedWidth({{"GNFMC1", 3}, {"GNFRC1", 5}});
constexpr int kTextWidth = kavcall::kValueTextWidth;
constexpr int kIntWidth = kavcall::kIntRecordWidth;
constexpr int kDoubleWidth = kavcall::kRealRecordWidth;
// Record width of the value list of an attribute whose facet 3 names no
// value type: a list of that width carries no values.
constexpr int kNoValueWidth = 16;

std::string Name(const char* iField, int iWidth) {
  return Trimmed(Field(iField, iWidth));
}

int ValueWidth(int iType) {
  if (iType == 0 || iType == 1) return kIntWidth;
  if (iType == 2) return kDoubleWidth;
  if (iType == 3) return kTextWidth;
  return kNoValueWidth;
}

// The loaded dictionary, or null with KAVSIM_NO_DICTIONARY in *oIer; while
// nothing was loaded because the default dictionary's file is damaged,
// its site code instead.
Dictionary* Loaded(int* oIer) {
  State& state = Current();
  if (state.loaded) return &state.dictionary;
  const bool damagedSeed = state.seedCode >= KAVSIM_SITE_UNREADABLE &&
                           state.seedCode <= KAVSIM_SITE_OUT_OF_RANGE;
  SetCode(oIer, damagedSeed ? state.seedCode : KAVSIM_NO_DICTIONARY);
  return nullptr;
}

// --- Loading and state ----------------------------------------------------

// The 80-character text area carries a message for the operator; the
// library ignores it.
void simGNFLOD(char* iModel, char* iMember, char* oMessage, int* oIer) {
  const std::string model = Name(iModel, kModelWidth);
  const std::string member = Name(iMember, kMemberWidth);
  Dictionary loaded;
  int code = KAVSIM_OK;
  if (!IsKnownModel(model))
    code = KAVSIM_UNKNOWN_MODEL;
  else if (!IsValidMember(member))
    code = KAVSIM_BAD_NAME;
  else
    code = ReadMember(member, loaded);
  if (code == KAVSIM_OK && loaded.model != model) code = KAVSIM_UNKNOWN_MEMBER;
  if (code != KAVSIM_OK) {
    PutField(oMessage, kMessageWidth, "DICTIONARY " + member + " NOT LOADED");
    SetCode(oIer, code);
    return;
  }
  // A failed load leaves the previous dictionary current; a good one
  // replaces it whole, unsaved edits and current class included.
  State& state = Current();
  loaded.member = member;
  state.dictionary = std::move(loaded);
  state.loaded = state.named = true;
  state.complete = false;
  state.seedCode = KAVSIM_OK;
  state.currentClass = -1;
  PutField(oMessage, kMessageWidth, "DICTIONARY " + member + " LOADED");
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFLOD, simGNFLOD);

// Completion: marks the loaded dictionary complete (GNFINF reports it).
void simGNFIDS(int* oIer) {
  if (Loaded(oIer) == nullptr) return;
  Current().complete = true;
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFIDS, simGNFIDS);

void simGNFZTR(char* iMember, char* oMessage, int* oIer) {
  Dictionary* dictionary = Loaded(oIer);
  if (dictionary == nullptr) return;
  const std::string member = Name(iMember, kMemberWidth);
  if (!IsValidMember(member)) return SetCode(oIer, KAVSIM_BAD_NAME);
  if (!WriteMember(member, *dictionary)) {
    PutField(oMessage, kMessageWidth, "DICTIONARY " + member + " NOT STORED");
    return SetCode(oIer, KAVSIM_STORE_FAILED);
  }
  PutField(oMessage, kMessageWidth, "DICTIONARY " + member + " STORED");
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFZTR, simGNFZTR);

// No return code: blanks when nothing is named. The third field tells the
// state (LOADED, COMPLETE, RELEASED), the fourth the dictionary's title.
void simGNFINF(char* oModel, char* oMember, char* oState, char* oTitle) {
  State& state = Current();
  if (!state.named) {
    PutField(oModel, kModelWidth, "");
    PutField(oMember, kMemberWidth, "");
    PutField(oState, kInfoWidth, "");
    PutField(oTitle, kInfoTextWidth, "");
    return;
  }
  PutField(oModel, kModelWidth, state.dictionary.model);
  PutField(oMember, kMemberWidth, state.dictionary.member);
  PutField(oState, kInfoWidth,
           !state.loaded    ? "RELEASED"
           : state.complete ? "COMPLETE"
                            : "LOADED");
  PutField(oTitle, kInfoTextWidth, state.dictionary.title);
}
KAVSIM_ROUTINE(GNFINF, simGNFINF);

// Releasing nothing succeeds: an application unloads before loading the
// default whatever is current, including nothing.
void simGNFRST(int* oIer) {
  State& state = Current();
  state.loaded = false;
  state.complete = false;
  state.currentClass = -1;
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFRST, simGNFRST);

void simGNFZDS(int* oIer) {
  State& state = Current();
  if (!state.loaded) {
    state.named = false;
    state.dictionary = Dictionary();
  }
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFZDS, simGNFZDS);

// --- Queries --------------------------------------------------------------

// The class and its ancestors, root first (a cycle stops the walk).
std::vector<const Class*> Lineage(Dictionary& ioDictionary,
                                  const Class& iClass) {
  std::vector<const Class*> chain;
  std::set<std::string> seen;
  const Class* entry = &iClass;
  while (entry != nullptr && seen.insert(entry->name).second) {
    chain.insert(chain.begin(), entry);
    entry =
        entry->parent.empty() ? nullptr : ioDictionary.FindClass(entry->parent);
  }
  return chain;
}

// The caller's int: 1 lists the inherited attributes before the class's
// own, anything else the class's own only. The int is left unchanged.
void simGNFRC1(char* iClass, int* iMode, int* oNames, int* oVersions,
               int* oBlocks, int* oStatuses, int* oIer) {
  Dictionary* dictionary = Loaded(oIer);
  if (dictionary == nullptr) return;
  Class* entry = dictionary->FindClass(Name(iClass, kClassWidth));
  if (entry == nullptr) return SetCode(oIer, KAVSIM_UNKNOWN_CLASS);
  std::vector<const Class*> chain{entry};
  if (iMode != nullptr && *iMode == 1) chain = Lineage(*dictionary, *entry);
  const int names = lists::Create(kAttributeWidth);
  const int versions = lists::Create(kIntWidth);
  const int blocks = lists::Create(kBlockWidth);
  const int statuses = lists::Create(kIntWidth);
  for (const Class* owner : chain) {
    for (const ClassAttribute& use : owner->attributes) {
      lists::AppendText(names, use.name);
      lists::AppendInt(versions, use.version);
      lists::AppendText(blocks, use.block);
      lists::AppendInt(statuses, use.status);
    }
  }
  if (oNames) *oNames = names;
  if (oVersions) *oVersions = versions;
  if (oBlocks) *oBlocks = blocks;
  if (oStatuses) *oStatuses = statuses;
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFRC1, simGNFRC1);

// The attribute as the class or its nearest ancestor carries it.
const ClassAttribute* FindUse(Dictionary& ioDictionary, const Class& iClass,
                              const std::string& iAttribute) {
  std::vector<const Class*> chain = Lineage(ioDictionary, iClass);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (const ClassAttribute& use : (*it)->attributes)
      if (use.name == iAttribute) return &use;
  return nullptr;
}

// Each value is followed by a companion record of the same width telling
// whether it is the attribute's default (facet 8 gives the default's
// position among the values, 0: none): 1 or 0 for numbers, "DEFAULT" or
// blanks for texts. The int argument receives the number of values.
void simGNFRC2(char* iClass, int* oValueCount, char* iAttribute, int* oList,
               int* oIer) {
  Dictionary* dictionary = Loaded(oIer);
  if (dictionary == nullptr) return;
  Class* entry = dictionary->FindClass(Name(iClass, kClassWidth));
  if (entry == nullptr) return SetCode(oIer, KAVSIM_UNKNOWN_CLASS);
  const std::string name = Name(iAttribute, kAttributeWidth);
  const Attribute* attribute = dictionary->FindAttribute(name);
  const ClassAttribute* use = FindUse(*dictionary, *entry, name);
  if (attribute == nullptr || use == nullptr)
    return SetCode(oIer, KAVSIM_UNKNOWN_ATTRIBUTE);
  const int type = attribute->Type();
  const Values& values = use->ownValues ? use->values : attribute->values;
  const int count = static_cast<int>(values.Count(type));
  const int defaultPosition = attribute->facets[7];
  const int list = lists::Create(ValueWidth(type));
  for (int i = 0; i < count; ++i) {
    const bool isDefault = i + 1 == defaultPosition;
    if (type == 0 || type == 1) {
      lists::AppendInt(list, values.ints[static_cast<size_t>(i)]);
      lists::AppendInt(list, isDefault ? 1 : 0);
    } else if (type == 2) {
      lists::AppendDouble(list, values.doubles[static_cast<size_t>(i)]);
      lists::AppendDouble(list, isDefault ? 1.0 : 0.0);
    } else {
      lists::AppendText(list, values.texts[static_cast<size_t>(i)]);
      lists::AppendText(list, isDefault ? "DEFAULT" : "");
    }
  }
  if (oValueCount) *oValueCount = count;
  if (oList) *oList = list;
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFRC2, simGNFRC2);

void simGNFRAT(char* iAttribute, int* oF1, int* oF2, int* oF3, int* oF4,
               int* oF5, int* oF6, int* oF7, int* oF8, int* oF9, int* oF10,
               int* oF11, int* oList, int* oIer) {
  Dictionary* dictionary = Loaded(oIer);
  if (dictionary == nullptr) return;
  const Attribute* attribute =
      dictionary->FindAttribute(Name(iAttribute, kAttributeWidth));
  if (attribute == nullptr) return SetCode(oIer, KAVSIM_UNKNOWN_ATTRIBUTE);
  int* facets[kFacetCount] = {oF1, oF2, oF3, oF4,  oF5, oF6,
                              oF7, oF8, oF9, oF10, oF11};
  for (int i = 0; i < kFacetCount; ++i)
    if (facets[i]) *facets[i] = attribute->facets[i];
  const int type = attribute->Type();
  const int list = lists::Create(
      ValueWidth(type) == kNoValueWidth ? kIntWidth : ValueWidth(type));
  if (type == 0 || type == 1)
    for (int value : attribute->values.ints) lists::AppendInt(list, value);
  else if (type == 2)
    for (double value : attribute->values.doubles)
      lists::AppendDouble(list, value);
  else if (type == 3)
    for (const std::string& value : attribute->values.texts)
      lists::AppendText(list, value);
  if (oList) *oList = list;
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFRAT, simGNFRAT);

// Classes in creation order; the int is the class's kind.
void simGNFLCL(int* oNames, int* oInts, int* oIer) {
  Dictionary* dictionary = Loaded(oIer);
  if (dictionary == nullptr) return;
  const int names = lists::Create(kClassWidth);
  const int ints = lists::Create(kIntWidth);
  for (const Class& entry : dictionary->classes) {
    lists::AppendText(names, entry.name);
    lists::AppendInt(ints, entry.kind);
  }
  if (oNames) *oNames = names;
  if (oInts) *oInts = ints;
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFLCL, simGNFLCL);

// Attributes in creation order; the int is the attribute's facet 1.
void simGNFLAT(int* oNames, int* oInts, int* oIer) {
  Dictionary* dictionary = Loaded(oIer);
  if (dictionary == nullptr) return;
  const int names = lists::Create(kAttributeWidth);
  const int ints = lists::Create(kIntWidth);
  for (const Attribute& attribute : dictionary->attributes) {
    lists::AppendText(names, attribute.name);
    lists::AppendInt(ints, attribute.facets[0]);
  }
  if (oNames) *oNames = names;
  if (oInts) *oInts = ints;
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFLAT, simGNFLAT);

// --- Editing --------------------------------------------------------------

// The int: 1 clears the class's own attributes first (the class is then
// redefined by the GNFMC1 calls that follow), anything else keeps them.
void simGNFMCL(char* iClass, int* iMode, int* oIer) {
  Dictionary* dictionary = Loaded(oIer);
  if (dictionary == nullptr) return;
  const std::string name = Name(iClass, kClassWidth);
  if (name.empty()) return SetCode(oIer, KAVSIM_BAD_NAME);
  auto it = dictionary->classIndex.find(name);
  if (it == dictionary->classIndex.end())
    return SetCode(oIer, KAVSIM_UNKNOWN_CLASS);
  if (iMode != nullptr && *iMode == 1)
    dictionary->classes[it->second].attributes.clear();
  Current().currentClass = static_cast<int>(it->second);
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFMCL, simGNFMCL);

// GNFCCL(class, kind, parent class, version): the new class inherits the
// parent's attributes (blank parent: a root class) and becomes current.
void simGNFCCL(char* iClass, int* iKind, char* iParent, int* iVersion,
               int* oIer) {
  Dictionary* dictionary = Loaded(oIer);
  if (dictionary == nullptr) return;
  Class entry;
  entry.name = Name(iClass, kClassWidth);
  entry.parent = Name(iParent, kClassWidth);
  entry.kind = iKind ? *iKind : 0;
  entry.version = iVersion ? *iVersion : 0;
  if (entry.name.empty()) return SetCode(oIer, KAVSIM_BAD_NAME);
  if (dictionary->FindClass(entry.name) != nullptr)
    return SetCode(oIer, KAVSIM_ALREADY_EXISTS);
  if (!entry.parent.empty() && dictionary->FindClass(entry.parent) == nullptr)
    return SetCode(oIer, KAVSIM_UNKNOWN_CLASS);
  dictionary->AddClass(entry);
  Current().currentClass = static_cast<int>(dictionary->classes.size() - 1);
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFCCL, simGNFCCL);

// The value list must have the record width of facet 3's type (any list
// will do when facet 3 names no type). The list stays open: its owner
// ends it.
void simGNFCAT(char* iAttribute, int* iF1, int* iF2, int* iF3, int* iF4,
               int* iF5, int* iF6, int* iF7, int* iF8, int* iF9, int* iF10,
               int* iF11, int* iList, int* oIer) {
  int* facets[kFacetCount] = {iF1, iF2, iF3, iF4,  iF5, iF6,
                              iF7, iF8, iF9, iF10, iF11};
  int facetValues[kFacetCount] = {};
  for (int i = 0; i < kFacetCount; ++i)
    facetValues[i] = facets[i] ? *facets[i] : 0;
  Dictionary* dictionary = Loaded(oIer);
  if (dictionary == nullptr) return;
  Attribute attribute;
  attribute.name = Name(iAttribute, kAttributeWidth);
  for (int i = 0; i < kFacetCount; ++i) attribute.facets[i] = facetValues[i];
  if (attribute.name.empty()) return SetCode(oIer, KAVSIM_BAD_NAME);
  if (dictionary->FindAttribute(attribute.name) != nullptr)
    return SetCode(oIer, KAVSIM_ALREADY_EXISTS);
  if (iList == nullptr || !lists::Exists(*iList))
    return SetCode(oIer, KAVSIM_BAD_HANDLE);
  const int type = attribute.Type();
  const int width = ValueWidth(type);
  if (width != kNoValueWidth && lists::Width(*iList) != width)
    return SetCode(oIer, KAVSIM_BAD_WIDTH);
  const int count = width == kNoValueWidth ? 0 : lists::Count(*iList);
  for (int i = 1; i <= count; ++i) {
    if (type == 0 || type == 1)
      attribute.values.ints.push_back(lists::IntAt(*iList, i));
    else if (type == 2)
      attribute.values.doubles.push_back(lists::DoubleAt(*iList, i));
    else
      attribute.values.texts.push_back(Trimmed(lists::TextAt(*iList, i)));
  }
  dictionary->AddAttribute(attribute);
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFCAT, simGNFCAT);

void simGNFMC1(char* iAttribute, int* iVersion, char* iBlock, int* iStatus,
               int* oIer) {
  Dictionary* dictionary = Loaded(oIer);
  if (dictionary == nullptr) return;
  const int current = Current().currentClass;
  if (current < 0 || current >= static_cast<int>(dictionary->classes.size()))
    return SetCode(oIer, KAVSIM_NO_CURRENT_CLASS);
  ClassAttribute use;
  use.name = Name(iAttribute, kAttributeWidth);
  use.block = Name(iBlock, kBlockWidth);
  use.version = iVersion ? *iVersion : 0;
  use.status = iStatus ? *iStatus : 0;
  if (use.name.empty()) return SetCode(oIer, KAVSIM_BAD_NAME);
  if (dictionary->FindAttribute(use.name) == nullptr)
    return SetCode(oIer, KAVSIM_UNKNOWN_ATTRIBUTE);
  Class& entry = dictionary->classes[static_cast<size_t>(current)];
  for (const ClassAttribute& existing : entry.attributes)
    if (existing.name == use.name) return SetCode(oIer, KAVSIM_ALREADY_EXISTS);
  entry.attributes.push_back(use);
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNFMC1, simGNFMC1);

}  // namespace
}  // namespace kavsim
