// The reference kernel's GII session: named variables with an identifier
// each, their values (numbered fields of mixed types, list values with a
// current position, a string, a prompt, an element), valued and modified
// flags, the events recorded (GMOEVT), the orders given (MRCGII) and batch
// mode (LBATCH); the GM routines over it, and the family's control
// functions.
//
// Seeded from the site file gii/session.json:
//   {"batch": 0,
//    "variables": [{"name": "NBPASS", "id": 101, "fields": [{"int": 3}]},
//                  {"name": "PASSES", "list": [[{"int": 1}], [{"real": 2.5}]]},
//                  {"name": "TITRE", "string": "...", "prompt": "...",
//                   "element": 12}]}
// A field is {"int": n}, {"real": x}, {"char": "..."} or {"text": "..."}
// (types 2, 1, 3, 4). A variable without an "id" gets the next free one
// from 101; a name (without NUL bytes), and a field's value, are required.
// A missing file is an empty session. A damaged one (unreadable, not JSON,
// too deep, a value of the wrong type) leaves a session of the two
// variables an error is raised through, IERZORVEN and OUTER, and every
// other name and identifier answers the file's site code: the application
// learns of the damage the way it learns of any kernel failure, and
// nothing reads as a success.
//
// What this kernel does where the library's contract leaves it free:
//  - GMIKEY's text length on input is the capacity of the caller's buffer;
//    0 or less means a GII text's 80 characters. It writes at most that
//    many, returns their count, and never reads the type code given.
//  - GMOKEY refuses the whole write (nothing stored) when a type code is
//    outside 1 to 4; fields of each kind take the values of that kind's
//    array from its first entry on.
//  - GMIPTR writes the current position of the list (0: none) into its
//    position argument; GMISEL writes 1 into its second output when the
//    variable holds an element, else 0.
//  - Every failure a GM routine answers is also written to the GII error
//    journal, which GUERJO clears.
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "KAVSimKernel.h"
#include "KAVSimSite.h"

namespace {

constexpr int kTextWidth =
    kavcall::SharedWidth({{"GMIKEY", 7}, {"GMIKCH", 4}, {"GMIPRO", 2}});
constexpr int kFirstFreeId = 101;
constexpr int kRealType = 1, kIntType = 2, kCharType = 3, kTextType = 4;
// The error variable and the error event: the library raises every kernel
// failure into the session through these two.
constexpr const char* kReportingVariables[] = {"IERZORVEN", "OUTER"};

struct Field {
  int type = kIntType;
  int intValue = 0;
  double realValue = 0.0;
  std::string text;
};
using Fields = std::vector<Field>;

struct Variable {
  std::string name;
  int id = 0;
  bool list = false;
  Fields fields;              // a plain variable's value
  std::vector<Fields> items;  // a list variable's values
  int position = 0;           // current value of a list, 0: none
  std::string string, prompt;
  bool hasString = false, hasPrompt = false, hasElement = false;
  int element = 0;
  bool modified = false;

  bool Valued() const {
    return !fields.empty() || !items.empty() || hasString || hasPrompt ||
           hasElement;
  }
};

struct Session {
  bool loaded = false;
  int code = KAVSIM_OK;  // of a damaged site file: what every routine answers
  int batch = 0;
  std::vector<Variable> variables;  // in site order
  std::unordered_map<std::string, size_t> byName;
  std::unordered_map<int, size_t> byId;
  std::vector<std::string> events;  // names, in the order recorded
  std::unordered_map<std::string, int> eventCounts;  // by name
  int orders = 0;
  size_t eventsAtLastOrder = 0;
  int nextId = kFirstFreeId;

  Variable& Add(const std::string& iName, int iId) {
    const int id = iId > 0 && byId.count(iId) == 0 ? iId : nextId;
    while (byId.count(nextId) != 0 || nextId == id) ++nextId;
    Variable variable;
    variable.name = iName;
    variable.id = id;
    byName.emplace(iName, variables.size());  // the first of a name stays
    byId.emplace(id, variables.size());
    variables.push_back(variable);
    return variables.back();
  }
};

Session& GetSession() {
  static Session session;
  return session;
}

kavsim::SiteFamily& Site();

void ResetSession() {
  GetSession() = Session();
  Site().ForgetReported();
}
KAVSIM_ON_RESET(ResetSession);

kavsim::SiteFamily& Site() {
  static kavsim::SiteFamily site("gii");
  return site;
}

Fields ReadFields(const kavsim::SiteValue& iItems) {
  Fields fields;
  for (size_t k = 0; k < iItems.Size(); ++k) {
    Field field;
    const kavsim::SiteValue item = iItems[k];
    if (item.Member("int").Exists()) {
      field.type = kIntType;
      field.intValue = item.Member("int").Int();
    } else if (item.Member("real").Exists()) {
      field.type = kRealType;
      field.realValue = item.Member("real").Double();
    } else if (item.Member("char").Exists()) {
      field.type = kCharType;
      field.text = item.Member("char").Text();
    } else {
      field.type = kTextType;
      field.text = item.Member("text").Text();  // required when nothing else
      field.text.resize(kTextWidth, ' ');
    }
    fields.push_back(field);
  }
  return fields;
}

// The whole site file, through the shared reader: a damaged file leaves an
// empty session whose routines answer the file's code.
int LoadSite(Session& ioSession) {
  kavsim::SiteFile file = Site().Read("session.json");
  const kavsim::SiteValue root = file.Root();
  ioSession.batch = root.Member("batch").Int(0);
  const kavsim::SiteValue variables = root.Member("variables");
  for (size_t i = 0; i < variables.Size() && file.Code() == KAVSIM_OK; ++i) {
    const kavsim::SiteValue item = variables[i];
    const std::string name = item.Member("name").Text();
    // Callers name variables by terminated texts (the control functions
    // below, and any application passing a C string): a name holding a NUL
    // byte could never be asked for, and would pass for its first part.
    if (name.find('\0') != std::string::npos)
      file.Error(KAVSIM_SITE_WRONG_TYPE, item.Member("name").Where(),
                 "a variable name holds a NUL byte");
    Variable& variable = ioSession.Add(name, item.Member("id").Int(0));
    variable.fields = ReadFields(item.Member("fields"));
    const kavsim::SiteValue list = item.Member("list");
    variable.list = list.Exists();
    for (size_t v = 0; v < list.Size(); ++v)
      variable.items.push_back(ReadFields(list[v]));
    variable.hasString = item.Member("string").Exists();
    variable.string = item.Member("string").Text("");
    variable.hasPrompt = item.Member("prompt").Exists();
    variable.prompt = item.Member("prompt").Text("");
    variable.hasElement = item.Member("element").Exists();
    variable.element = item.Member("element").Int(0);
  }
  return file.Code();
}

Session& Loaded() {
  Session& session = GetSession();
  if (!session.loaded) {
    session.loaded = true;
    const int code = LoadSite(session);
    if (code != KAVSIM_OK) {
      session = Session();
      session.loaded = true;
      session.code = code;
      for (const char* name : kReportingVariables) session.Add(name, 0);
    }
  }
  return session;
}

// What a name or an identifier the session does not hold answers: the
// site code while the session could not be loaded.
int Unknown(int iCode) {
  const int code = Loaded().code;
  return code != KAVSIM_OK ? code : iCode;
}

Variable* ById(const int* iId) {
  if (iId == nullptr) return nullptr;
  Session& session = Loaded();
  const auto found = session.byId.find(*iId);
  return found == session.byId.end() ? nullptr
                                     : &session.variables[found->second];
}

// Answers a failure of the running routine: the code into ier and into
// the GII error journal.
void Fail(int* oIer, int iCode) {
  kavsim::SetCode(oIer, iCode);
  kavsim::RecordError(kavsim::CurrentRoutine(), iCode);
}

// The variable of *iId, or null after answering the failure. Every GM
// routine starts here, so a null ier or identifier is refused alike.
Variable* Target(const int* iId, int* oIer) {
  if (iId == nullptr || oIer == nullptr) {
    Fail(oIer, KAVSIM_NULL_ARGUMENT);
    return nullptr;
  }
  Variable* variable = ById(iId);
  if (variable == nullptr) Fail(oIer, Unknown(KAVSIM_GII_UNKNOWN_ID));
  return variable;
}

// Writes at most iCapacity characters of iText into oBuffer and returns
// how many were written.
int WriteText(char* oBuffer, int iCapacity, const std::string& iText) {
  if (oBuffer == nullptr) return 0;
  const int capacity =
      iCapacity <= 0 || iCapacity > kTextWidth ? kTextWidth : iCapacity;
  const int length = static_cast<int>(iText.size()) < capacity
                         ? static_cast<int>(iText.size())
                         : capacity;
  std::memcpy(oBuffer, iText.data(), static_cast<size_t>(length));
  return length;
}

// --- Identifiers, events, orders ----------------------------------------

void simGMIQID(int* iLength, char* iName, int* oId, int* oIer) {
  const int length = iLength != nullptr && *iLength > 0 ? *iLength : 0;
  if (iLength == nullptr || oId == nullptr || oIer == nullptr ||
      (iName == nullptr && length > 0))
    return Fail(oIer, KAVSIM_NULL_ARGUMENT);
  if (*iLength < 0) return Fail(oIer, KAVSIM_GII_BAD_LENGTH);
  Session& session = Loaded();
  const auto found = session.byName.find(
      std::string(iName ? iName : "", static_cast<size_t>(length)));
  if (found == session.byName.end())
    return Fail(oIer, Unknown(KAVSIM_GII_UNKNOWN_NAME));
  *oId = session.variables[found->second].id;
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMIQID, simGMIQID);

void simGMOEVT(int* iId, int* oIer) {
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  Loaded().events.push_back(variable->name);
  ++Loaded().eventCounts[variable->name];
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMOEVT, simGMOEVT);

void simGMOMDR(int* iId, int* oIer) {
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  variable->modified = false;
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMOMDR, simGMOMDR);

// The monitor takes the order: the count goes up, and the two ints receive
// the orders given so far and the events recorded since the last order.
void simMRCGII(int* ioFirst, int* ioSecond) {
  Session& session = Loaded();
  ++session.orders;
  if (ioFirst) *ioFirst = session.orders;
  if (ioSecond)
    *ioSecond =
        static_cast<int>(session.events.size() - session.eventsAtLastOrder);
  session.eventsAtLastOrder = session.events.size();
}
KAVSIM_ROUTINE(MRCGII, simMRCGII);

int simLBATCH(int* /* the null address the contract passes */) {
  return Loaded().batch;
}
KAVSIM_ROUTINE(LBATCH, simLBATCH);

// --- Fields -------------------------------------------------------------

// The value GMOKEY writes and GMIKEY reads: a plain variable's fields, or
// the current value of a list.
Fields* Value(Variable& ioVariable) {
  if (!ioVariable.list) return &ioVariable.fields;
  if (ioVariable.position < 1 ||
      ioVariable.position > static_cast<int>(ioVariable.items.size()))
    return nullptr;
  return &ioVariable.items[static_cast<size_t>(ioVariable.position - 1)];
}

void simGMOKEY(int* iId, int* iCount, int* iTypes, int* iInts, double* iReals,
               int* iLengths, char* iText, int* oIer) {
  const int count = iCount != nullptr && *iCount > 0 ? *iCount : 0;
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  if (iCount == nullptr ||
      (count > 0 && (iTypes == nullptr || iLengths == nullptr)))
    return Fail(oIer, KAVSIM_NULL_ARGUMENT);
  if (*iCount < 0) return Fail(oIer, KAVSIM_GII_BAD_COUNT);
  Fields fields;
  int nextInt = 0, nextReal = 0, offset = 0;
  for (int k = 0; k < count; ++k) {
    Field field;
    field.type = iTypes[k];
    switch (field.type) {
      case kIntType:
        if (iInts == nullptr) return Fail(oIer, KAVSIM_NULL_ARGUMENT);
        field.intValue = iInts[nextInt++];
        break;
      case kRealType:
        if (iReals == nullptr) return Fail(oIer, KAVSIM_NULL_ARGUMENT);
        field.realValue = iReals[nextReal++];
        break;
      case kCharType:
      case kTextType:
        if (iLengths[k] < 0) return Fail(oIer, KAVSIM_GII_BAD_LENGTH);
        if (iLengths[k] > 0 && iText == nullptr)
          return Fail(oIer, KAVSIM_NULL_ARGUMENT);
        if (iLengths[k] > 0)
          field.text.assign(iText + offset, static_cast<size_t>(iLengths[k]));
        offset += iLengths[k];
        break;
      default:
        return Fail(oIer, KAVSIM_GII_BAD_TYPE);
    }
    fields.push_back(field);
  }
  Fields* value = Value(*variable);
  if (value == nullptr) {  // a list without a current value: a new value
    variable->items.push_back(Fields());
    variable->position = static_cast<int>(variable->items.size());
    value = &variable->items.back();
  }
  *value = fields;
  variable->modified = true;
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMOKEY, simGMOKEY);

void simGMIKEY(int* iId, int* iField, int* ioType, int* oInt, double* oReal,
               int* ioLength, char* oText, int* oIer) {
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  if (iField == nullptr || ioType == nullptr || oInt == nullptr ||
      oReal == nullptr || ioLength == nullptr)
    return Fail(oIer, KAVSIM_NULL_ARGUMENT);
  const Fields* value = Value(*variable);
  if (value == nullptr) return Fail(oIer, KAVSIM_GII_BAD_POSITION);
  if (value->empty()) return Fail(oIer, KAVSIM_GII_NO_VALUE);
  if (*iField < 1 || *iField > static_cast<int>(value->size()))
    return Fail(oIer, KAVSIM_GII_BAD_FIELD);
  const Field& field = (*value)[static_cast<size_t>(*iField - 1)];
  *ioType = field.type;
  *oInt = field.type == kIntType ? field.intValue : 0;
  *oReal = field.type == kRealType ? field.realValue : 0.0;
  const bool text = field.type == kCharType || field.type == kTextType;
  *ioLength = text ? WriteText(oText, *ioLength, field.text) : 0;
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMIKEY, simGMIKEY);

// --- Element, string, prompt --------------------------------------------

void simGMOSEL(int* iId, int* iValue, int* oIer) {
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  if (iValue == nullptr) return Fail(oIer, KAVSIM_NULL_ARGUMENT);
  variable->element = *iValue;
  variable->hasElement = true;
  variable->modified = true;
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMOSEL, simGMOSEL);

void simGMISEL(int* iId, int* oValue, int* oSecond, int* oIer) {
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  if (oValue == nullptr || oSecond == nullptr)
    return Fail(oIer, KAVSIM_NULL_ARGUMENT);
  *oValue = variable->hasElement ? variable->element : 0;
  *oSecond = variable->hasElement ? 1 : 0;
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMISEL, simGMISEL);

// GMOKCH and GMOPRO: one text of its own length (no padding).
bool TakeText(const int* iLength, const char* iText, int* oIer,
              std::string& oValue) {
  if (iLength == nullptr || (iText == nullptr && *iLength > 0)) {
    Fail(oIer, KAVSIM_NULL_ARGUMENT);
    return false;
  }
  if (*iLength < 0) {
    Fail(oIer, KAVSIM_GII_BAD_LENGTH);
    return false;
  }
  oValue.assign(iText ? iText : "", static_cast<size_t>(*iLength));
  return true;
}

void simGMOKCH(int* iId, int* iCount, int* iLength, char* iText, int* oIer) {
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  if (iCount == nullptr || *iCount != 1)
    return Fail(oIer, KAVSIM_GII_BAD_COUNT);
  if (!TakeText(iLength, iText, oIer, variable->string)) return;
  variable->hasString = true;
  variable->modified = true;
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMOKCH, simGMOKCH);

void simGMIKCH(int* iId, int* iCount, int* ioLength, char* oText, int* oIer) {
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  if (iCount == nullptr || *iCount != 1)
    return Fail(oIer, KAVSIM_GII_BAD_COUNT);
  if (ioLength == nullptr || oText == nullptr)
    return Fail(oIer, KAVSIM_NULL_ARGUMENT);
  *ioLength = WriteText(oText, kTextWidth, variable->string);
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMIKCH, simGMIKCH);

void simGMOPRO(int* iId, char* iText, int* iLength, int* oIer) {
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  if (!TakeText(iLength, iText, oIer, variable->prompt)) return;
  variable->hasPrompt = true;
  variable->modified = true;
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMOPRO, simGMOPRO);

void simGMIPRO(int* iId, char* oText, int* oLength, int* oIer) {
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  if (oText == nullptr || oLength == nullptr)
    return Fail(oIer, KAVSIM_NULL_ARGUMENT);
  *oLength = WriteText(oText, kTextWidth, variable->prompt);
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMIPRO, simGMIPRO);

// --- Valued state, erasing, lists ---------------------------------------

void simGMIQVA(int* iId, int* oValued, int* oIer) {
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  if (oValued == nullptr) return Fail(oIer, KAVSIM_NULL_ARGUMENT);
  *oValued = variable->Valued() ? 1 : 0;
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMIQVA, simGMIQVA);

void Erase(Variable& ioVariable) {
  ioVariable.fields.clear();
  ioVariable.items.clear();
  ioVariable.position = 0;
  ioVariable.string.clear();
  ioVariable.prompt.clear();
  ioVariable.hasString = ioVariable.hasPrompt = ioVariable.hasElement = false;
  ioVariable.element = 0;
  ioVariable.modified = true;
}

void simGMORAZ(int* iId, int* oIer) {
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  Erase(*variable);
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMORAZ, simGMORAZ);

void simGMORAL(int* iId, int* oIer) {
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  if (!variable->list) return Fail(oIer, KAVSIM_GII_NOT_A_LIST);
  Erase(*variable);
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMORAL, simGMORAL);

void simGMIPTR(int* iId, int* oPosition, int* oCount, int* oIer) {
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  if (!variable->list) return Fail(oIer, KAVSIM_GII_NOT_A_LIST);
  if (oCount == nullptr) return Fail(oIer, KAVSIM_NULL_ARGUMENT);
  if (oPosition != nullptr) *oPosition = variable->position;
  *oCount = static_cast<int>(variable->items.size());
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMIPTR, simGMIPTR);

void simGMOPTR(int* iId, int* iPosition, int* oIer) {
  Variable* variable = Target(iId, oIer);
  if (variable == nullptr) return;
  if (!variable->list) return Fail(oIer, KAVSIM_GII_NOT_A_LIST);
  if (iPosition == nullptr || *iPosition < 1 ||
      *iPosition > static_cast<int>(variable->items.size()))
    return Fail(oIer, KAVSIM_GII_BAD_POSITION);
  variable->position = *iPosition;
  kavsim::SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GMOPTR, simGMOPTR);

// --- Descriptions for the control API -----------------------------------

std::string Quoted(const std::string& iText) {
  std::string text = iText;
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return "\"" + text + "\"";
}

std::string Describe(const Fields& iFields) {
  std::ostringstream out;
  for (size_t k = 0; k < iFields.size(); ++k) {
    const Field& field = iFields[k];
    if (k) out << ", ";
    switch (field.type) {
      case kIntType:
        out << "int " << field.intValue;
        break;
      case kRealType:
        out << "real " << field.realValue;
        break;
      case kCharType:
        out << "char " << Quoted(field.text);
        break;
      default:
        out << "text " << Quoted(field.text);
        break;
    }
  }
  return out.str();
}

std::string Describe(const Variable& iVariable) {
  std::vector<std::string> parts;
  if (!iVariable.fields.empty()) parts.push_back(Describe(iVariable.fields));
  if (iVariable.list) {
    std::string list = "list of " + std::to_string(iVariable.items.size());
    if (iVariable.position > 0)
      list += " at " + std::to_string(iVariable.position);
    for (const Fields& item : iVariable.items)
      list += " [" + Describe(item) + "]";
    parts.push_back(list);
  }
  if (iVariable.hasString)
    parts.push_back("string " + Quoted(iVariable.string));
  if (iVariable.hasPrompt)
    parts.push_back("prompt \"" + iVariable.prompt + "\"");
  if (iVariable.hasElement)
    parts.push_back("element " + std::to_string(iVariable.element));
  std::string text;
  for (const std::string& part : parts)
    text += (text.empty() ? "" : "; ") + part;
  return text;
}

const Variable* ByName(const char* iName) {
  Session& session = Loaded();
  const auto found = session.byName.find(iName ? iName : "");
  return found == session.byName.end() ? nullptr
                                       : &session.variables[found->second];
}

const char* Kept(std::string iText) {
  static std::string kept;
  kept = std::move(iText);
  return kept.c_str();
}

std::string Lines(const std::vector<std::string>& iLines, size_t iFrom = 0) {
  std::string text;
  for (size_t i = iFrom; i < iLines.size(); ++i) text += iLines[i] + "\n";
  return text;
}

}  // namespace

#define KAVSIM_EXPORT extern "C" __attribute__((visibility("default")))

KAVSIM_EXPORT int kavsim_gii_variable_count(void) {
  const auto lock = kavsim::Lock();
  return static_cast<int>(Loaded().variables.size());
}

KAVSIM_EXPORT const char* kavsim_gii_variable_name(int iIndex) {
  const auto lock = kavsim::Lock();
  const Session& session = Loaded();
  if (iIndex < 1 || iIndex > static_cast<int>(session.variables.size()))
    return nullptr;
  return session.variables[static_cast<size_t>(iIndex - 1)].name.c_str();
}

KAVSIM_EXPORT int kavsim_gii_id(const char* iName) {
  const auto lock = kavsim::Lock();
  const Variable* variable = ByName(iName);
  return variable ? variable->id : 0;
}

KAVSIM_EXPORT int kavsim_gii_valued(const char* iName) {
  const auto lock = kavsim::Lock();
  const Variable* variable = ByName(iName);
  return variable ? (variable->Valued() ? 1 : 0) : -1;
}

KAVSIM_EXPORT int kavsim_gii_modified(const char* iName) {
  const auto lock = kavsim::Lock();
  const Variable* variable = ByName(iName);
  return variable ? (variable->modified ? 1 : 0) : -1;
}

KAVSIM_EXPORT const char* kavsim_gii_value(const char* iName) {
  const auto lock = kavsim::Lock();
  const Variable* variable = ByName(iName);
  return variable ? Kept(Describe(*variable)) : nullptr;
}

KAVSIM_EXPORT const char* kavsim_gii_events(void) {
  const auto lock = kavsim::Lock();
  return Kept(Lines(Loaded().events));
}

KAVSIM_EXPORT int kavsim_gii_event_count(const char* iName) {
  const auto lock = kavsim::Lock();
  const Session& session = Loaded();
  const auto found = session.eventCounts.find(iName ? iName : "");
  return found == session.eventCounts.end() ? 0 : found->second;
}

KAVSIM_EXPORT int kavsim_gii_order_count(void) {
  const auto lock = kavsim::Lock();
  return Loaded().orders;
}

KAVSIM_EXPORT const char* kavsim_gii_error_journal(void) {
  const auto lock = kavsim::Lock();
  return Kept(Lines(kavsim::ErrorJournal()));
}

KAVSIM_EXPORT int kavsim_gii_set_batch(int iBatch) {
  const auto lock = kavsim::Lock();
  Session& session = Loaded();
  const int previous = session.batch;
  session.batch = iBatch;
  return previous;
}

KAVSIM_EXPORT int kavsim_gii_add_variable(const char* iName, int iId) {
  const auto lock = kavsim::Lock();
  return Loaded().Add(iName ? iName : "", iId).id;
}

KAVSIM_EXPORT int kavsim_gii_generate_variables(int iCount,
                                                const char* iPrefix) {
  const auto lock = kavsim::Lock();
  Session& session = Loaded();
  const std::string prefix = iPrefix ? iPrefix : "";
  if (iCount > 0)
    session.variables.reserve(session.variables.size() +
                              static_cast<size_t>(iCount));
  for (int i = 0; i < iCount; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%06d", i);
    Variable& variable = session.Add(prefix + number, 0);
    Field field;
    field.intValue = i;
    variable.fields.push_back(field);
  }
  return static_cast<int>(session.variables.size());
}
