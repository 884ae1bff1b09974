// KAVMfgAPTAndPPTable: listing the kernel's APT and post-processor tables.
#include "KAVMfgAPTAndPPTable.h"

#include "KAVKernelList.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVRoutineTable.h"
#include "KAVTrace.h"

namespace {
constexpr int kTableNameWidth = kavcall::Width("GNSLTB", 2);
}  // namespace

int KAVMfgAPTAndPPTable::_ErrorNumber = 0;

KAVMfgAPTAndPPTable::KAVMfgAPTAndPPTable() {}
KAVMfgAPTAndPPTable::KAVMfgAPTAndPPTable(const KAVMfgAPTAndPPTable&) {}
KAVMfgAPTAndPPTable& KAVMfgAPTAndPPTable::operator=(
    const KAVMfgAPTAndPPTable&) {
  return *this;
}
KAVMfgAPTAndPPTable::~KAVMfgAPTAndPPTable() {}

// Relies on: GNSLTB hands out one list of 72-character names in a handle
// that was 0. Any nonzero code stops at once with what was read: the list
// is then not ended (the kernel drops it itself) and no end banner is
// printed.
KAVListValKAVUnicodeString* KAVMfgAPTAndPPTable::GetTables(const int& itype) {
  const int traced = GetDebug("KAVMfgAPTAndPPTable");
  if (traced) {
    KAVTrace::Open(16, "GetTables, start");
    KAVTrace::Line("itype : ", itype);
    KAVTrace::Blank();
  }
  KAVListValKAVUnicodeString* tables = new KAVListValKAVUnicodeString;
  int kind = itype;
  int handle = 0;
  GNSLTB(&kind, &handle, &_ErrorNumber);
  if (traced) KAVTrace::Line("ier (gnsltb) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return tables;
  int width = 0, count = 0;  // every record is read as 72 characters
  KAVKernelList::Info(handle, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return tables;
  for (int i = 1; i <= count; ++i) {
    const KAVUnicodeString name =
        KAVKernelList::ReadText(handle, i, kTableNameWidth, _ErrorNumber);
    if (_ErrorNumber != 0) return tables;
    tables->Append(name);
    if (traced) KAVTrace::Line("Table Name : ", name);
  }
  KAVKernelList::End(handle, _ErrorNumber);
  if (_ErrorNumber != 0) return tables;
  if (traced) KAVTrace::Close(15, "GetTables, end ");
  return tables;
}

int KAVMfgAPTAndPPTable::GetError() { return _ErrorNumber; }
