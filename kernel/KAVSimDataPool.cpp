// The reference kernel's data pools: GNSCTS (initialise), GNSEDP (delete a
// pool), GNSCOB, GNSROB, GNSEOB, GNSXOB (create, read, delete, list
// objects), GNSCFI, GNSRFI (create and read a field), over a store seeded
// from the site files datapool/*.json.
//
// A pool is named by its 8 characters exactly as passed, blanks included:
// "TOOLS   " and " TOOLS  " are two pools. It comes into being with its
// first object and lives until GNSEDP or GNSCTS. An object has a number,
// unique in its pool, and a kind (1 input, 2 output). Field names are
// compared with their blanks trimmed at both ends, case-sensitively. A
// field keeps its type code as the caller gave it and its values as the
// records of the list they came in, with that list's record width (4, 8,
// 72, or any other width a site file gives); GNSRFI hands them back in a
// list of the same width.
//
// GNSCOB(pool, number, kind, room): the object's number, its kind, and the
// number of fields to make room for (a hint only; the object grows past
// it). GNSROB's int receives the object's kind.
//
// A site file: {"pool": NAME, "objects": [{"number": N, "kind": 1 or 2,
// "fields": [{"name": NAME, "type": CODE, "width": W, "values": [...]}]}]}.
// "width" defaults by type (0 and 1: 4, 2: 8, else 72); values are ints
// for width 4, numbers for 8, texts for any other width (cut or padded to
// it). Entries of the wrong shape are skipped one by one; a file that
// does not parse seeds nothing.
#include <dirent.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <unordered_map>
#include <vector>

#include "KAVSimKernel.h"

namespace kavsim {
namespace {

constexpr int kPoolWidth = 8;
constexpr int kFieldWidth = 16;
constexpr int kIntWidth = 4;
constexpr int kDoubleWidth = 8;
constexpr int kTextWidth = 72;
constexpr int kInput = 1;
constexpr int kOutput = 2;
// GNSCOB's room hint is honoured up to this many fields.
constexpr int kMostFieldsReserved = 4096;

struct DataField {
  std::string name;  // trimmed
  int type = 0;
  int width = kTextWidth;
  std::vector<std::string> records;  // each exactly `width` bytes
};

struct Object {
  int kind = kInput;
  std::vector<DataField> fields;  // in creation order
  std::unordered_map<std::string, size_t> index;

  DataField* Find(const std::string& iName) {
    auto it = index.find(iName);
    return it == index.end() ? nullptr : &fields[it->second];
  }
  // A field created again keeps its place and takes the new type and
  // values.
  void Put(DataField iField) {
    if (DataField* existing = Find(iField.name)) {
      *existing = std::move(iField);
      return;
    }
    index.emplace(iField.name, fields.size());
    fields.push_back(std::move(iField));
  }
};

struct Pool {
  std::map<int, Object> objects;  // listed by ascending number
};

struct Store {
  bool seeded = false;
  std::map<std::string, Pool> pools;  // by the 8 characters as passed
};

Store& GetStore() {
  static Store store;
  return store;
}

void ResetDataPools() { GetStore() = Store(); }
KAVSIM_ON_RESET(ResetDataPools);

std::string Padded(const std::string& iText, int iWidth) {
  std::string field = iText.substr(0, static_cast<size_t>(iWidth));
  field.resize(static_cast<size_t>(iWidth), ' ');
  return field;
}

int DefaultWidth(int iType) {
  if (iType == 0 || iType == 1) return kIntWidth;
  if (iType == 2) return kDoubleWidth;
  return kTextWidth;
}

// --- Site files -------------------------------------------------------------

using nlohmann::json;

const json* Member(const json& iObject, const char* iKey) {
  if (!iObject.is_object()) return nullptr;
  auto it = iObject.find(iKey);
  return it == iObject.end() ? nullptr : &*it;
}

bool IntMember(const json& iObject, const char* iKey, int& oValue) {
  const json* value = Member(iObject, iKey);
  if (value == nullptr || !value->is_number_integer()) return false;
  const long long number = value->get<long long>();
  if (number < std::numeric_limits<int>::min() ||
      number > std::numeric_limits<int>::max())
    return false;
  oValue = static_cast<int>(number);
  return true;
}

bool TextMember(const json& iObject, const char* iKey, std::string& oValue) {
  const json* value = Member(iObject, iKey);
  if (value == nullptr || !value->is_string()) return false;
  oValue = value->get<std::string>();
  return true;
}

// One record of a field of iWidth bytes from a site value, false when the
// value is not of the kind the width holds.
bool Record(const json& iValue, int iWidth, std::string& oRecord) {
  if (iWidth == kIntWidth && iValue.is_number_integer()) {
    const int value = static_cast<int>(iValue.get<long long>());
    oRecord.assign(kIntWidth, '\0');
    std::memcpy(&oRecord[0], &value, kIntWidth);
    return true;
  }
  if (iWidth == kDoubleWidth && iValue.is_number()) {
    const double value = iValue.get<double>();
    oRecord.assign(kDoubleWidth, '\0');
    std::memcpy(&oRecord[0], &value, kDoubleWidth);
    return true;
  }
  if (iWidth != kIntWidth && iWidth != kDoubleWidth && iValue.is_string()) {
    oRecord = Padded(iValue.get<std::string>(), iWidth);
    return true;
  }
  return false;
}

// Reads one pool file into oName (8 characters) and oPool. Every value is
// looked at only after its type is checked, so a damaged file can skip
// entries but never throw.
bool ReadPoolFile(const std::string& iPath, std::string& oName, Pool& oPool) {
  std::ifstream in(iPath);
  if (!in) return false;
  const json root = json::parse(in, nullptr, false);
  std::string name;
  if (root.is_discarded() || !TextMember(root, "pool", name)) return false;
  oName = Padded(name, kPoolWidth);
  const json* objects = Member(root, "objects");
  if (objects == nullptr || !objects->is_array()) return true;
  for (const json& item : *objects) {
    int number = 0, kind = 0;
    if (!IntMember(item, "number", number) || !IntMember(item, "kind", kind) ||
        (kind != kInput && kind != kOutput) || oPool.objects.count(number))
      continue;
    Object& object = oPool.objects[number];
    object.kind = kind;
    const json* fields = Member(item, "fields");
    if (fields == nullptr || !fields->is_array()) continue;
    for (const json& entry : *fields) {
      DataField field;
      if (!TextMember(entry, "name", field.name)) continue;
      field.name = Trimmed(field.name.substr(0, kFieldWidth));
      IntMember(entry, "type", field.type);
      field.width = DefaultWidth(field.type);
      IntMember(entry, "width", field.width);
      if (field.name.empty() || field.width < 1 || field.width > 1024) continue;
      const json* values = Member(entry, "values");
      if (values != nullptr && values->is_array()) {
        std::string record;
        for (const json& value : *values)
          if (Record(value, field.width, record)) field.records.push_back(record);
      }
      object.Put(std::move(field));
    }
  }
  return true;
}

// The pools of the site's datapool/ directory, read in file-name order.
void Seed(Store& ioStore) {
  const std::string directory = SiteDirectory() + "/datapool";
  std::vector<std::string> files;
  if (DIR* dir = opendir(directory.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string file = entry->d_name;
      if (file.size() > 5 && file.compare(file.size() - 5, 5, ".json") == 0)
        files.push_back(file);
    }
    closedir(dir);
  }
  std::sort(files.begin(), files.end());
  for (const std::string& file : files) {
    std::string name;
    Pool pool;
    if (ReadPoolFile(directory + "/" + file, name, pool) &&
        !ioStore.pools.count(name))
      ioStore.pools[name] = std::move(pool);
  }
}

// The store, seeded from the site on first use after a reset.
Store& Pools() {
  Store& store = GetStore();
  if (!store.seeded) {
    store.seeded = true;
    Seed(store);
  }
  return store;
}

// --- Lookups ----------------------------------------------------------------

void Fail(int* oIer, int iCode) {
  if (oIer) *oIer = iCode;
}

// The pool named by the field iPool, or null with its code in *oIer.
Pool* FindPool(const char* iPool, int* oIer) {
  if (iPool == nullptr) {
    Fail(oIer, KAVSIM_NULL_ARGUMENT);
    return nullptr;
  }
  Store& store = Pools();
  auto it = store.pools.find(Field(iPool, kPoolWidth));
  if (it != store.pools.end()) return &it->second;
  Fail(oIer, KAVSIM_UNKNOWN_POOL);
  return nullptr;
}

Object* FindObject(const char* iPool, const int* iNumber, int* oIer) {
  Pool* pool = FindPool(iPool, oIer);
  if (pool == nullptr) return nullptr;
  if (iNumber == nullptr) {
    Fail(oIer, KAVSIM_NULL_ARGUMENT);
    return nullptr;
  }
  auto it = pool->objects.find(*iNumber);
  if (it != pool->objects.end()) return &it->second;
  Fail(oIer, KAVSIM_UNKNOWN_OBJECT);
  return nullptr;
}

// --- Routines ---------------------------------------------------------------

// Back to the site's pools: whatever was created, changed or deleted since
// is forgotten.
void simGNSCTS(int* oIer) {
  Call call("GNSCTS", oIer);
  if (call.Faulted()) return;
  GetStore() = Store();
  Pools();
  Fail(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSCTS, simGNSCTS);

void simGNSEDP(char* iPool, int* oIer) {
  Call call("GNSEDP", oIer);
  call.Text(iPool, kPoolWidth);
  if (call.Faulted()) return;
  if (FindPool(iPool, oIer) == nullptr) return;
  Pools().pools.erase(Field(iPool, kPoolWidth));
  Fail(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSEDP, simGNSEDP);

void simGNSCOB(char* iPool, int* iNumber, int* iKind, int* iRoom, int* oIer) {
  Call call("GNSCOB", oIer);
  call.Text(iPool, kPoolWidth).Int(iNumber).Int(iKind).Int(iRoom);
  if (call.Faulted()) return;
  if (iPool == nullptr || iNumber == nullptr || iKind == nullptr)
    return Fail(oIer, KAVSIM_NULL_ARGUMENT);
  const std::string name = Field(iPool, kPoolWidth);
  if (Trimmed(name).empty()) return Fail(oIer, KAVSIM_BAD_NAME);
  if (*iKind != kInput && *iKind != kOutput)
    return Fail(oIer, KAVSIM_BAD_OBJECT_KIND);
  Pool& pool = Pools().pools[name];
  if (pool.objects.count(*iNumber)) return Fail(oIer, KAVSIM_OBJECT_EXISTS);
  Object& object = pool.objects[*iNumber];
  object.kind = *iKind;
  const int room = iRoom ? std::clamp(*iRoom, 0, kMostFieldsReserved) : 0;
  object.fields.reserve(static_cast<size_t>(room));
  object.index.reserve(static_cast<size_t>(room));
  Fail(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSCOB, simGNSCOB);

void simGNSROB(char* iPool, int* iNumber, int* oKind, int* oNames,
               int* oNbValues, int* oTypes, int* oIer) {
  Call call("GNSROB", oIer);
  call.Text(iPool, kPoolWidth).Int(iNumber);
  if (call.Faulted()) return;
  Object* object = FindObject(iPool, iNumber, oIer);
  if (object == nullptr) return;
  const int names = lists::Create(kFieldWidth);
  const int nbValues = lists::Create(kIntWidth);
  const int types = lists::Create(kIntWidth);
  for (const DataField& field : object->fields) {
    lists::AppendText(names, field.name);
    lists::AppendInt(nbValues, static_cast<int>(field.records.size()));
    lists::AppendInt(types, field.type);
  }
  if (oKind) *oKind = object->kind;
  if (oNames) *oNames = names;
  if (oNbValues) *oNbValues = nbValues;
  if (oTypes) *oTypes = types;
  Fail(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSROB, simGNSROB);

void simGNSEOB(char* iPool, int* iNumber, int* oIer) {
  Call call("GNSEOB", oIer);
  call.Text(iPool, kPoolWidth).Int(iNumber);
  if (call.Faulted()) return;
  if (FindObject(iPool, iNumber, oIer) == nullptr) return;
  FindPool(iPool, oIer)->objects.erase(*iNumber);
  Fail(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSEOB, simGNSEOB);

void simGNSXOB(char* iPool, int* iKind, int* oList, int* oIer) {
  Call call("GNSXOB", oIer);
  call.Text(iPool, kPoolWidth).Int(iKind);
  if (call.Faulted()) return;
  Pool* pool = FindPool(iPool, oIer);
  if (pool == nullptr) return;
  if (iKind == nullptr) return Fail(oIer, KAVSIM_NULL_ARGUMENT);
  if (*iKind != kInput && *iKind != kOutput)
    return Fail(oIer, KAVSIM_BAD_OBJECT_KIND);
  const int list = lists::Create(kIntWidth);
  for (const auto& [number, object] : pool->objects)
    if (object.kind == *iKind) lists::AppendInt(list, number);
  if (oList) *oList = list;
  Fail(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSXOB, simGNSXOB);

// The values are copied out of the list, which stays open: its owner ends
// it.
void simGNSCFI(char* iPool, int* iNumber, int* iType, char* iField,
               int* iList, int* oIer) {
  Call call("GNSCFI", oIer);
  call.Text(iPool, kPoolWidth)
      .Int(iNumber)
      .Int(iType)
      .Text(iField, kFieldWidth)
      .Int(iList);
  if (call.Faulted()) return;
  Object* object = FindObject(iPool, iNumber, oIer);
  if (object == nullptr) return;
  if (iField == nullptr || iType == nullptr || iList == nullptr)
    return Fail(oIer, KAVSIM_NULL_ARGUMENT);
  DataField field;
  field.name = Trimmed(Field(iField, kFieldWidth));
  if (field.name.empty()) return Fail(oIer, KAVSIM_BAD_NAME);
  if (!lists::Exists(*iList)) return Fail(oIer, KAVSIM_BAD_HANDLE);
  field.type = *iType;
  field.width = lists::Width(*iList);
  const int count = lists::Count(*iList);
  field.records.reserve(static_cast<size_t>(count));
  for (int i = 1; i <= count; ++i) field.records.push_back(lists::TextAt(*iList, i));
  object->Put(std::move(field));
  Fail(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSCFI, simGNSCFI);

void simGNSRFI(char* iPool, int* iNumber, char* iField, int* oList,
               int* oIer) {
  Call call("GNSRFI", oIer);
  call.Text(iPool, kPoolWidth).Int(iNumber).Text(iField, kFieldWidth);
  if (call.Faulted()) return;
  Object* object = FindObject(iPool, iNumber, oIer);
  if (object == nullptr) return;
  if (iField == nullptr) return Fail(oIer, KAVSIM_NULL_ARGUMENT);
  const DataField* field = object->Find(Trimmed(Field(iField, kFieldWidth)));
  if (field == nullptr) return Fail(oIer, KAVSIM_UNKNOWN_FIELD);
  const int list = lists::Create(field->width);
  for (const std::string& record : field->records)
    lists::AppendText(list, record);
  if (oList) *oList = list;
  Fail(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSRFI, simGNSRFI);

}  // namespace
}  // namespace kavsim
