// The kernel's lists and their routines GUSINI, GUSPUS, GUSINF, GUSREA,
// GUSEND, and the GII error journal's reset GUERJO.
//
// A list is a run of fixed-width records (Records): 4-byte ints, 8-byte
// doubles or blank-padded texts of the list's width. Handles count up
// from 1 and are never reused within a reset, so a stale handle reads as
// unknown.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "KAVSimKernel.h"

namespace kavsim {
namespace {

constexpr int kIntWidth = kavcall::kIntRecordWidth;
constexpr int kDoubleWidth = kavcall::kRealRecordWidth;
constexpr int kPushTextWidth = kavcall::kValueTextWidth;

struct Store {
  int nextHandle = 1;
  std::map<int, Records> open;
};

Store& GetStore() {
  static Store store;
  return store;
}

void ResetLists() { GetStore() = Store(); }
KAVSIM_ON_RESET(ResetLists);

Records* Find(const int* iHandle) {
  if (iHandle == nullptr) return nullptr;
  auto it = GetStore().open.find(*iHandle);
  return it == GetStore().open.end() ? nullptr : &it->second;
}

bool IsText(int iWidth) {
  return iWidth != kIntWidth && iWidth != kDoubleWidth;
}

}  // namespace

// --- Records ----------------------------------------------------------------

void Records::Append(std::string_view iRecord) {
  const size_t width = static_cast<size_t>(_width);
  std::string_view record = iRecord.substr(0, width);
  if (IsText(_width)) {
    while (!record.empty() && record.back() == ' ') record.remove_suffix(1);
    _bytes.append(record);
  } else {
    _bytes.append(record);
    _bytes.append(width - record.size(), ' ');
  }
  _ends.push_back(_bytes.size());
}

std::string_view Records::Kept(size_t iIndex) const {
  const size_t begin = iIndex == 0 ? 0 : _ends[iIndex - 1];
  return std::string_view(_bytes).substr(begin, _ends[iIndex] - begin);
}

void Records::Write(size_t iIndex, void* oRecord) const {
  const std::string_view kept = Kept(iIndex);
  char* out = static_cast<char*>(oRecord);
  std::memcpy(out, kept.data(), kept.size());
  std::memset(out + kept.size(), ' ',
              static_cast<size_t>(_width) - kept.size());
}

std::string Records::Whole(size_t iIndex) const {
  std::string record(Kept(iIndex));
  record.resize(static_cast<size_t>(_width), ' ');
  return record;
}

// --- Lists ------------------------------------------------------------------

namespace lists {

int Create(int iWidth) { return Create(Records(iWidth)); }

int Create(const Records& iRecords) {
  Store& store = GetStore();
  const int handle = store.nextHandle++;
  store.open.emplace(handle, iRecords);
  return handle;
}

void AppendText(int iHandle, const std::string& iText) {
  if (Records* list = Find(&iHandle)) list->Append(iText);
}

void AppendInt(int iHandle, int iValue) {
  if (Records* list = Find(&iHandle))
    list->Append(std::string_view(reinterpret_cast<const char*>(&iValue),
                                  sizeof iValue));
}

void AppendDouble(int iHandle, double iValue) {
  if (Records* list = Find(&iHandle))
    list->Append(std::string_view(reinterpret_cast<const char*>(&iValue),
                                  sizeof iValue));
}

bool Exists(int iHandle) { return Find(&iHandle) != nullptr; }

int Width(int iHandle) {
  Records* list = Find(&iHandle);
  return list ? list->Width() : 0;
}

int Count(int iHandle) {
  Records* list = Find(&iHandle);
  return list ? static_cast<int>(list->Size()) : 0;
}

const Records* RecordsOf(int iHandle) { return Find(&iHandle); }

std::string TextAt(int iHandle, int iIndex) {
  Records* list = Find(&iHandle);
  if (!list || iIndex < 1 || iIndex > static_cast<int>(list->Size()))
    return std::string();
  return list->Whole(static_cast<size_t>(iIndex - 1));
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
  Records* list = Find(iHandle);
  if (list == nullptr) {
    SetCode(oIer, KAVSIM_BAD_HANDLE);
    return;
  }
  if (iValue == nullptr) {
    SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  list->Append(std::string_view(static_cast<const char*>(iValue),
                                static_cast<size_t>(list->Width())));
  if (oPosition) *oPosition = static_cast<int>(list->Size());
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GUSPUS, simGUSPUS);

void simGUSINF(int* iHandle, int* oWidth, int* oCount, int* oIer) {
  Records* list = Find(iHandle);
  if (list == nullptr) {
    SetCode(oIer, KAVSIM_BAD_HANDLE);
    return;
  }
  if (oWidth) *oWidth = list->Width();
  if (oCount) *oCount = static_cast<int>(list->Size());
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GUSINF, simGUSINF);

void simGUSREA(int* iHandle, int* iIndex, void* oRecord, int* oIer) {
  Records* list = Find(iHandle);
  if (list == nullptr) {
    SetCode(oIer, KAVSIM_BAD_HANDLE);
    return;
  }
  if (iIndex == nullptr || *iIndex < 1 ||
      *iIndex > static_cast<int>(list->Size())) {
    SetCode(oIer, KAVSIM_BAD_INDEX);
    return;
  }
  if (oRecord == nullptr) {
    SetCode(oIer, KAVSIM_NULL_ARGUMENT);
    return;
  }
  list->Write(static_cast<size_t>(*iIndex - 1), oRecord);
  SetCode(oIer, KAVSIM_OK);
}
KAVSIM_ROUTINE(GUSREA, simGUSREA);

void simGUSEND(int* iHandle, int* oIer) {
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

// Clears the GII error journal; the message log is left alone.
void simGUERJO() { Errors().clear(); }
KAVSIM_ROUTINE(GUERJO, simGUERJO);

}  // namespace

void RecordError(const char* iRoutine, int iCode) {
  Errors().push_back(std::string(iRoutine ? iRoutine : "") + " " +
                     std::to_string(iCode));
}

const std::vector<std::string>& ErrorJournal() { return Errors(); }
}  // namespace kavsim
