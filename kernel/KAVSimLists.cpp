// The kernel's lists and their routines GUSINI, GUSPUS, GUSINF, GUSREA,
// GUSEND, and the error journal reset GUERJO.
//
// A list is a run of fixed-width records: 4-byte ints, 8-byte doubles or
// blank-padded texts of the list's width. Handles count up from 1 and are
// never reused within a reset, so a stale handle reads as unknown.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "KAVSimKernel.h"

namespace kavsim {
namespace {

constexpr int kIntWidth = 4;
constexpr int kDoubleWidth = 8;
constexpr int kPushTextWidth = 72;

struct List {
  int width = 0;
  bool numeric = false;  // records of kIntWidth/kDoubleWidth hold numbers
  std::vector<std::string> records;  // each exactly `width` bytes
};

struct Store {
  int nextHandle = 1;
  std::map<int, List> open;
};

Store& GetStore() {
  static Store store;
  return store;
}

void ResetLists() { GetStore() = Store(); }
KAVSIM_ON_RESET(ResetLists);

List* Find(const int* iHandle) {
  if (iHandle == nullptr) return nullptr;
  auto it = GetStore().open.find(*iHandle);
  return it == GetStore().open.end() ? nullptr : &it->second;
}

std::string Padded(const std::string& iText, int iWidth) {
  std::string record = iText.substr(0, static_cast<size_t>(iWidth));
  record.resize(static_cast<size_t>(iWidth), ' ');
  return record;
}

}  // namespace

namespace lists {

int Create(int iWidth) {
  Store& store = GetStore();
  const int handle = store.nextHandle++;
  List& list = store.open[handle];
  list.width = iWidth;
  return handle;
}

void AppendText(int iHandle, const std::string& iText) {
  List* list = Find(&iHandle);
  if (list) list->records.push_back(Padded(iText, list->width));
}

void AppendInt(int iHandle, int iValue) {
  List* list = Find(&iHandle);
  if (!list) return;
  std::string record(kIntWidth, '\0');
  std::memcpy(&record[0], &iValue, kIntWidth);
  list->numeric = true;
  list->records.push_back(record);
}

void AppendDouble(int iHandle, double iValue) {
  List* list = Find(&iHandle);
  if (!list) return;
  std::string record(kDoubleWidth, '\0');
  std::memcpy(&record[0], &iValue, kDoubleWidth);
  list->numeric = true;
  list->records.push_back(record);
}

bool Exists(int iHandle) { return Find(&iHandle) != nullptr; }

int Width(int iHandle) {
  List* list = Find(&iHandle);
  return list ? list->width : 0;
}

int Count(int iHandle) {
  List* list = Find(&iHandle);
  return list ? static_cast<int>(list->records.size()) : 0;
}

std::string TextAt(int iHandle, int iIndex) {
  List* list = Find(&iHandle);
  if (!list || iIndex < 1 || iIndex > static_cast<int>(list->records.size()))
    return std::string();
  return list->records[static_cast<size_t>(iIndex - 1)];
}

int IntAt(int iHandle, int iIndex) {
  std::string record = TextAt(iHandle, iIndex);
  int value = 0;
  if (record.size() >= kIntWidth) std::memcpy(&value, record.data(), kIntWidth);
  return value;
}

double DoubleAt(int iHandle, int iIndex) {
  std::string record = TextAt(iHandle, iIndex);
  double value = 0;
  if (record.size() >= kDoubleWidth)
    std::memcpy(&value, record.data(), kDoubleWidth);
  return value;
}

int OpenCount() { return static_cast<int>(GetStore().open.size()); }

}  // namespace lists

namespace {

void simGUSINI(int* iWidth, int* oHandle, int* oIer) {
  Call call("GUSINI", oIer);
  call.Int(iWidth).Int(oHandle);
  if (call.Faulted()) return;
  if (iWidth == nullptr || oHandle == nullptr) {
    SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  if (*iWidth != kIntWidth && *iWidth != kDoubleWidth &&
      *iWidth != kPushTextWidth) {
    SetCode(oIer, KAVSIM_BAD_WIDTH);
    return;
  }
  *oHandle = lists::Create(*iWidth);
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GUSINI, simGUSINI);

// The position output is the record's 1-based index after the append.
void simGUSPUS(int* iHandle, void* iValue, int* oPosition, int* oIer) {
  Call call("GUSPUS", oIer);
  call.Int(iHandle);
  List* list = Find(iHandle);
  if (list && iValue) {
    if (list->width == kIntWidth)
      call.Int(static_cast<const int*>(iValue));
    else if (list->width == kDoubleWidth)
      call.Double(static_cast<const double*>(iValue));
    else
      call.Text(static_cast<const char*>(iValue), list->width);
  }
  if (call.Faulted()) return;
  if (list == nullptr) {
    SetCode(oIer, KAVSIM_BAD_HANDLE);
    return;
  }
  if (iValue == nullptr) {
    SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  list->records.emplace_back(static_cast<const char*>(iValue),
                             static_cast<size_t>(list->width));
  if (oPosition) *oPosition = static_cast<int>(list->records.size());
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GUSPUS, simGUSPUS);

void simGUSINF(int* iHandle, int* oWidth, int* oCount, int* oIer) {
  Call call("GUSINF", oIer);
  call.Int(iHandle);
  if (call.Faulted()) return;
  List* list = Find(iHandle);
  if (list == nullptr) {
    SetCode(oIer, KAVSIM_BAD_HANDLE);
    return;
  }
  if (oWidth) *oWidth = list->width;
  if (oCount) *oCount = static_cast<int>(list->records.size());
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GUSINF, simGUSINF);

void simGUSREA(int* iHandle, int* iIndex, void* oRecord, int* oIer) {
  Call call("GUSREA", oIer);
  call.Int(iHandle).Int(iIndex);
  if (call.Faulted()) return;
  List* list = Find(iHandle);
  if (list == nullptr) {
    SetCode(oIer, KAVSIM_BAD_HANDLE);
    return;
  }
  if (iIndex == nullptr || *iIndex < 1 ||
      *iIndex > static_cast<int>(list->records.size())) {
    SetCode(oIer, KAVSIM_BAD_INDEX);
    return;
  }
  if (oRecord == nullptr) {
    SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  const std::string& record = list->records[static_cast<size_t>(*iIndex - 1)];
  std::memcpy(oRecord, record.data(), record.size());
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GUSREA, simGUSREA);

void simGUSEND(int* iHandle, int* oIer) {
  Call call("GUSEND", oIer);
  call.Int(iHandle);
  if (call.Faulted()) return;
  if (Find(iHandle) == nullptr) {
    SetCode(oIer, KAVSIM_BAD_HANDLE);
    return;
  }
  GetStore().open.erase(*iHandle);
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GUSEND, simGUSEND);

std::vector<std::string>& Errors() {
  static std::vector<std::string> errors;
  return errors;
}

void ResetErrors() { Errors().clear(); }
KAVSIM_ON_RESET(ResetErrors);

// Clears the kernel's error journal; the call journal is left alone.
void simGUERJO() {
  Call call("GUERJO", nullptr);
  if (!call.Faulted()) Errors().clear();
  call.Result(0);
}
KAVSIM_ROUTINE(GUERJO, simGUERJO);

}  // namespace

void RecordError(const char* iRoutine, int iCode) {
  Errors().push_back(std::string(iRoutine ? iRoutine : "") + " " +
                     std::to_string(iCode));
}

const std::vector<std::string>& ErrorJournal() { return Errors(); }
}  // namespace kavsim
