// KAVMfgAPTAndPPTable: listing the kernel's APT and post-processor tables.
#include "KAVMfgAPTAndPPTable.h"

#include "KAVKernelList.h"
#include "KAVLegacyRoutines.h"
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
  const KAVOperationTrace trace("KAVMfgAPTAndPPTable");
  trace.Open(KAVOpening::Listed(16), "GetTables, start", {{"itype : ", itype}});
  KAVListValKAVUnicodeString* tables = new KAVListValKAVUnicodeString;
  int kind = itype;
  int handle = 0;
  GNSLTB(&kind, &handle, &_ErrorNumber);
  trace.Line("ier (gnsltb) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return tables;
  int width = 0, count = 0;  // every record is read as 72 characters
  KAVKernelList::Info(handle, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return tables;
  for (int i = 1; i <= count; ++i)
    if (!KAVKernelList::AppendText(trace, "Table Name : ", handle, i,
                                   kTableNameWidth, *tables, _ErrorNumber))
      return tables;
  KAVKernelList::End(handle, _ErrorNumber);
  if (_ErrorNumber != 0) return tables;
  trace.Close(KAVClosing::Framed(15), "GetTables, end ");
  return tables;
}

int KAVMfgAPTAndPPTable::GetError() { return _ErrorNumber; }
