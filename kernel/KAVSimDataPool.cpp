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
// it). A damaged file (not JSON, a value of the wrong type or out of
// range) gives its site code to every routine of the family until the
// next reset.
#include <dirent.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "KAVSimKernel.h"
#include "KAVSimSite.h"

namespace kavsim {
namespace {

constexpr int kPoolWidth = kavcall::SharedWidth({{"GNSEDP", 1},
                                                 {"GNSCOB", 1},
                                                 {"GNSROB", 1},
                                                 {"GNSEOB", 1},
                                                 {"GNSXOB", 1},
                                                 {"GNSCFI", 1},
                                                 {"GNSRFI", 1}});
constexpr int kFieldWidth =
    kavcall::SharedWidth({{"GNSCFI", 4}, {"GNSRFI", 3}, {"GNSROB", 4}});
constexpr int kIntWidth = kavcall::kIntRecordWidth;
constexpr int kDoubleWidth = kavcall::kRealRecordWidth;
constexpr int kTextWidth = kavcall::kValueTextWidth;
constexpr int kInput = 1;
constexpr int kOutput = 2;
// GNSCOB's room hint is honoured up to this many fields.
constexpr int kMostFieldsReserved = 4096;
constexpr int kMostRecordWidth = 1024;

struct DataField {
  std::string name;  // trimmed
  int type = 0;
  Records records{kTextWidth};  // of the field's width
};

struct Object {
  int kind = kInput;
  std::vector<DataField> fields;  // in creation order
  // By name, once the object has more fields than a look along them
  // costs: a site's objects have a handful, and 100,000 of them each with
  // an index of its own would double what a pool costs.
  std::unordered_map<std::string, size_t> index;
  static constexpr size_t kIndexedFrom = 16;

  DataField* Find(const std::string& iName) {
    if (fields.size() < kIndexedFrom) {
      for (DataField& field : fields)
        if (field.name == iName) return &field;
      return nullptr;
    }
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
    fields.push_back(std::move(iField));
    if (fields.size() == kIndexedFrom) {
      for (size_t i = 0; i < fields.size(); ++i)
        index.emplace(fields[i].name, i);
    } else if (fields.size() > kIndexedFrom) {
      index.emplace(fields.back().name, fields.size() - 1);
    }
  }
};

struct Pool {
  std::map<int, Object> objects;  // listed by ascending number
};

struct Store {
  bool seeded = false;
  int code = KAVSIM_OK;  // of a damaged site file: what every routine answers
  std::map<std::string, Pool> pools;  // by the 8 characters as passed
};

SiteFamily& Site();

Store& GetStore() {
  static Store store;
  return store;
}

void ResetDataPools() {
  GetStore() = Store();
  Site().ForgetReported();
}
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

SiteFamily& Site() {
  static SiteFamily site("datapool");
  return site;
}

// One record of a field of iWidth bytes from a site value of the kind the
// width holds: a number's bytes, or the text (Records cuts or pads it).
std::string Record(const SiteValue& iValue, int iWidth) {
  if (iWidth == kIntWidth) {
    const int value = iValue.Int();
    return std::string(reinterpret_cast<const char*>(&value), kIntWidth);
  }
  if (iWidth == kDoubleWidth) {
    const double value = iValue.Double();
    return std::string(reinterpret_cast<const char*>(&value), kDoubleWidth);
  }
  return iValue.Text();
}

// A name as the kernel keeps it, or an error of the file when it does not
// fit its field: a longer name would be cut without a word, and two names
// cut alike would become one.
std::string FieldName(const SiteValue& iName, int iWidth, const char* iWhat) {
  const std::string name = iName.Text();
  if (name.size() > static_cast<size_t>(iWidth))
    iName.Error(KAVSIM_SITE_OUT_OF_RANGE,
                "\"" + name + "\" is longer than " + iWhat + " (" +
                    std::to_string(iWidth) + " characters)");
  return name;
}

// Reads one pool file into oName (8 characters) and oPool; returns the
// file's code (KAVSIM_OK, or the first thing wrong in it). iNamed: the
// pools of the files read before, by name, with their file.
int ReadPoolFile(const std::string& iFile,
                 const std::map<std::string, std::string>& iNamed,
                 std::string& oName, Pool& oPool) {
  SiteFile file = Site().Read(iFile);
  const SiteValue root = file.Root();
  const SiteValue pool = root.Member("pool");
  oName = Padded(FieldName(pool, kPoolWidth, "a pool name"), kPoolWidth);
  const auto named = iNamed.find(oName);
  if (named != iNamed.end() && file.Code() == KAVSIM_OK)
    pool.Error(KAVSIM_SITE_OUT_OF_RANGE,
               "\"" + Trimmed(oName) + "\" is the pool of " + named->second);
  const SiteValue objects = root.Member("objects");
  for (size_t i = 0; i < objects.Size() && file.Code() == KAVSIM_OK; ++i) {
    const SiteValue item = objects[i];
    const int number = item.Member("number").Int();
    const int kind = item.Member("kind").Int();
    if (kind != kInput && kind != kOutput)
      item.Member("kind").Error(KAVSIM_SITE_OUT_OF_RANGE,
                                "an object kind is 1 (input) or 2 (output)");
    // Objects come in ascending order as a rule: each goes in at the end.
    const bool ascending =
        oPool.objects.empty() || oPool.objects.rbegin()->first < number;
    if (!ascending && oPool.objects.count(number))
      item.Member("number").Error(KAVSIM_SITE_OUT_OF_RANGE,
                                  "a second object of this number");
    Object& object =
        oPool.objects.try_emplace(oPool.objects.end(), number)->second;
    object.kind = kind;
    const SiteValue fields = item.Member("fields");
    for (size_t f = 0; f < fields.Size() && file.Code() == KAVSIM_OK; ++f) {
      const SiteValue entry = fields[f];
      DataField field;
      const SiteValue name = entry.Member("name");
      field.name = Trimmed(FieldName(name, kFieldWidth, "a field name"));
      if (object.Find(field.name) != nullptr)
        name.Error(KAVSIM_SITE_OUT_OF_RANGE, "a second field of this name");
      field.type = entry.Member("type").Int(0);
      const int width = entry.Member("width").Int(DefaultWidth(field.type));
      if (width < 1 || width > kMostRecordWidth)
        entry.Member("width").Error(KAVSIM_SITE_OUT_OF_RANGE,
                                    "a record width is 1 to 1024");
      if (file.Code() != KAVSIM_OK) break;
      const SiteValue values = entry.Member("values");
      field.records = Records(width);
      field.records.Reserve(values.Size());
      for (size_t v = 0; v < values.Size(); ++v)
        field.records.Append(Record(values[v], width));
      object.Put(std::move(field));
    }
  }
  return file.Code();
}

// The pools of the site's datapool/ directory, read in file-name order. A
// damaged file makes the whole store answer its code: no pool is half
// read, and a pool named by two files is neither.
void Seed(Store& ioStore) {
  std::vector<std::string> files;
  if (DIR* dir = opendir(Site().Directory().c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string file = entry->d_name;
      if (file.size() > 5 && file.compare(file.size() - 5, 5, ".json") == 0)
        files.push_back(file);
    }
    closedir(dir);
  }
  std::sort(files.begin(), files.end());
  std::map<std::string, std::string> named;
  for (const std::string& file : files) {
    std::string name;
    Pool pool;
    const int code = ReadPoolFile(file, named, name, pool);
    if (code != KAVSIM_OK) {
      ioStore.pools.clear();
      ioStore.code = code;
      return;
    }
    named.emplace(name, file);
    ioStore.pools.emplace(name, std::move(pool));
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

// The pool named by the field iPool, or null with its code in *oIer.
Pool* FindPool(const char* iPool, int* oIer) {
  if (iPool == nullptr) {
    SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return nullptr;
  }
  Store& store = Pools();
  if (store.code != KAVSIM_OK) {
    SetCode(oIer, store.code);
    return nullptr;
  }
  auto it = store.pools.find(Field(iPool, kPoolWidth));
  if (it != store.pools.end()) return &it->second;
  SetCode(oIer, KAVSIM_UNKNOWN_DATA_POOL);
  return nullptr;
}

Object* FindObject(const char* iPool, const int* iNumber, int* oIer) {
  Pool* pool = FindPool(iPool, oIer);
  if (pool == nullptr) return nullptr;
  if (iNumber == nullptr) {
    SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return nullptr;
  }
  auto it = pool->objects.find(*iNumber);
  if (it != pool->objects.end()) return &it->second;
  SetCode(oIer, KAVSIM_UNKNOWN_OBJECT);
  return nullptr;
}

// --- Routines ---------------------------------------------------------------

// Back to the site's pools: whatever was created, changed or deleted since
// is forgotten.
void simGNSCTS(int* oIer) {
  GetStore() = Store();
  SetCode(oIer, Pools().code);
}
KAVSIM_ROUTINE(GNSCTS, simGNSCTS);

void simGNSEDP(char* iPool, int* oIer) {
  if (FindPool(iPool, oIer) == nullptr) return;
  Pools().pools.erase(Field(iPool, kPoolWidth));
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSEDP, simGNSEDP);

void simGNSCOB(char* iPool, int* iNumber, int* iKind, int* iRoom, int* oIer) {
  if (iPool == nullptr || iNumber == nullptr || iKind == nullptr)
    return SetCode(oIer, KAVSIM_NULL_ARGUMENT);
  const std::string name = Field(iPool, kPoolWidth);
  if (Trimmed(name).empty()) return SetCode(oIer, KAVSIM_BAD_NAME);
  if (*iKind != kInput && *iKind != kOutput)
    return SetCode(oIer, KAVSIM_BAD_OBJECT_KIND);
  Store& store = Pools();
  if (store.code != KAVSIM_OK) return SetCode(oIer, store.code);
  Pool& pool = store.pools[name];
  if (pool.objects.count(*iNumber)) return SetCode(oIer, KAVSIM_OBJECT_EXISTS);
  Object& object = pool.objects[*iNumber];
  object.kind = *iKind;
  const int room = iRoom ? std::clamp(*iRoom, 0, kMostFieldsReserved) : 0;
  object.fields.reserve(static_cast<size_t>(room));
  if (static_cast<size_t>(room) >= Object::kIndexedFrom)
    object.index.reserve(static_cast<size_t>(room));
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSCOB, simGNSCOB);

void simGNSROB(char* iPool, int* iNumber, int* oKind, int* oNames,
               int* oNbValues, int* oTypes, int* oIer) {
  Object* object = FindObject(iPool, iNumber, oIer);
  if (object == nullptr) return;
  const int names = lists::Create(kFieldWidth);
  const int nbValues = lists::Create(kIntWidth);
  const int types = lists::Create(kIntWidth);
  for (const DataField& field : object->fields) {
    lists::AppendText(names, field.name);
    lists::AppendInt(nbValues, static_cast<int>(field.records.Size()));
    lists::AppendInt(types, field.type);
  }
  if (oKind) *oKind = object->kind;
  if (oNames) *oNames = names;
  if (oNbValues) *oNbValues = nbValues;
  if (oTypes) *oTypes = types;
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSROB, simGNSROB);

void simGNSEOB(char* iPool, int* iNumber, int* oIer) {
  if (FindObject(iPool, iNumber, oIer) == nullptr) return;
  FindPool(iPool, oIer)->objects.erase(*iNumber);
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSEOB, simGNSEOB);

void simGNSXOB(char* iPool, int* iKind, int* oList, int* oIer) {
  Pool* pool = FindPool(iPool, oIer);
  if (pool == nullptr) return;
  if (iKind == nullptr) return SetCode(oIer, KAVSIM_NULL_ARGUMENT);
  if (*iKind != kInput && *iKind != kOutput)
    return SetCode(oIer, KAVSIM_BAD_OBJECT_KIND);
  const int list = lists::Create(kIntWidth);
  for (const auto& [number, object] : pool->objects)
    if (object.kind == *iKind) lists::AppendInt(list, number);
  if (oList) *oList = list;
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSXOB, simGNSXOB);

// The values are copied out of the list, which stays open: its owner ends
// it.
void simGNSCFI(char* iPool, int* iNumber, int* iType, char* iField, int* iList,
               int* oIer) {
  Object* object = FindObject(iPool, iNumber, oIer);
  if (object == nullptr) return;
  if (iField == nullptr || iType == nullptr || iList == nullptr)
    return SetCode(oIer, KAVSIM_NULL_ARGUMENT);
  DataField field;
  field.name = Trimmed(Field(iField, kFieldWidth));
  if (field.name.empty()) return SetCode(oIer, KAVSIM_BAD_NAME);
  const Records* values = lists::RecordsOf(*iList);
  if (values == nullptr) return SetCode(oIer, KAVSIM_BAD_HANDLE);
  field.type = *iType;
  field.records = *values;
  object->Put(std::move(field));
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSCFI, simGNSCFI);

void simGNSRFI(char* iPool, int* iNumber, char* iField, int* oList, int* oIer) {
  Object* object = FindObject(iPool, iNumber, oIer);
  if (object == nullptr) return;
  if (iField == nullptr) return SetCode(oIer, KAVSIM_NULL_ARGUMENT);
  const DataField* field = object->Find(Trimmed(Field(iField, kFieldWidth)));
  if (field == nullptr) return SetCode(oIer, KAVSIM_UNKNOWN_FIELD);
  const int list = lists::Create(field->records);
  if (oList) *oList = list;
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GNSRFI, simGNSRFI);

}  // namespace
}  // namespace kavsim
