// Kernel list reading and writing.
#include "KAVKernelList.h"

#include <cstring>

#include "KAVJournal.h"
#include "KAVLegacyRoutines.h"
#include "KAVListValKAVUnicodeString.h"
#include "KAVRawColldouble.h"
#include "KAVRawCollint.h"
#include "KAVRoutineTable.h"

namespace {
constexpr int kIntRecordWidth = kavcall::kIntRecordWidth;
constexpr int kDoubleRecordWidth = kavcall::kRealRecordWidth;
constexpr int kTextRecordWidth = kavcall::kValueTextWidth;
static_assert(KAVKernelList::kPushTextWidth == kavcall::kValueTextWidth,
              "a text is pushed as a record of the list protocol's width");
}  // namespace

KAVValueKind KAVValueKindOfWidth(int iWidth) {
  switch (iWidth) {
    case kIntRecordWidth:
      return KAVValueKind::kInt;
    case kDoubleRecordWidth:
      return KAVValueKind::kDouble;
    case kTextRecordWidth:
      return KAVValueKind::kText;
    default:
      return KAVValueKind::kNone;
  }
}

KAVValueKind KAVValueKindOfType(int iType) {
  switch (iType) {
    case 0:
    case 1:
      return KAVValueKind::kInt;
    case 2:
      return KAVValueKind::kDouble;
    case 3:
      return KAVValueKind::kText;
    default:
      return KAVValueKind::kNone;
  }
}

void KAVKernelValue::AppendTo(KAVRawCollint& ioInts,
                              KAVRawColldouble& ioDoubles,
                              KAVListValKAVUnicodeString& ioTexts) const {
  switch (kind) {
    case KAVValueKind::kInt:
      ioInts.Append(intValue);
      break;
    case KAVValueKind::kDouble:
      ioDoubles.Append(doubleValue);
      break;
    case KAVValueKind::kText:
      ioTexts.Append(text);
      break;
    case KAVValueKind::kNone:
      break;
  }
}

void KAVKernelList::Info(int& ioHandle, int& oWidth, int& oCount, int& oIer) {
  GUSINF(&ioHandle, &oWidth, &oCount, &oIer);
}

namespace {

// The text of a field of iWidth characters as the kernel left it: up to its
// width or an earlier NUL, stripped of blanks at both ends.
KAVUnicodeString StrippedText(const char* iField, int iWidth) {
  int end = 0;
  while (end < iWidth && iField[end] != '\0') ++end;
  int start = 0;
  while (start < end && iField[start] == ' ') ++start;
  while (end > start && iField[end - 1] == ' ') --end;
  return KAVUnicodeString(iField + start, end - start);
}

// Records are read into a stack buffer when they fit: list reading is the
// library's hot loop, one allocation per record at most.
constexpr int kStackRecordWidth = 1024;

}  // namespace

// Each read tells the journal how large its record is (iWidth characters,
// the spare room of the stack buffer aside): a kernel's list width is never
// taken as the size of the caller's buffer.
KAVUnicodeString KAVKernelList::ReadText(int& ioHandle, int iIndex, int iWidth,
                                         int& oIer) {
  if (iWidth <= kStackRecordWidth) {
    char record[kStackRecordWidth + 1];
    const int width = iWidth > 0 ? iWidth : 0;
    std::memset(record, ' ', static_cast<size_t>(width));
    KAVJournalRecordBytes(width);
    GUSREA(&ioHandle, &iIndex, record, &oIer);
    return StrippedText(record, width);
  }
  KAVKernelField record(iWidth);
  KAVJournalRecordBytes(iWidth);
  GUSREA(&ioHandle, &iIndex, record.Data(), &oIer);
  return record.Stripped();
}

// Through the same stack buffer as ReadText: a kernel that writes past
// the record's width writes into spare room, not past a heap block.
KAVUnicodeString KAVKernelList::ReadRecord(int& ioHandle, int iIndex,
                                           int iWidth, int& oIer) {
  if (iWidth <= kStackRecordWidth) {
    char record[kStackRecordWidth + 1];
    const int width = iWidth > 0 ? iWidth : 0;
    std::memset(record, ' ', static_cast<size_t>(width));
    KAVJournalRecordBytes(width);
    GUSREA(&ioHandle, &iIndex, record, &oIer);
    int end = 0;
    while (end < width && record[end] != '\0') ++end;
    return KAVUnicodeString(record, end);
  }
  KAVKernelField record(iWidth);
  KAVJournalRecordBytes(iWidth);
  GUSREA(&ioHandle, &iIndex, record.Data(), &oIer);
  return record.Text();
}

KAVKernelValue KAVKernelList::ReadValue(int& ioHandle, int iIndex,
                                        KAVValueKind iKind, int iTextWidth,
                                        int& oIer, bool iKeepBlanks) {
  KAVKernelValue value;
  value.kind = iKind;
  switch (iKind) {
    case KAVValueKind::kInt:
      value.intValue = ReadInt(ioHandle, iIndex, oIer);
      break;
    case KAVValueKind::kDouble:
      value.doubleValue = ReadDouble(ioHandle, iIndex, oIer);
      break;
    case KAVValueKind::kText:
      value.text = iKeepBlanks ? ReadRecord(ioHandle, iIndex, iTextWidth, oIer)
                               : ReadText(ioHandle, iIndex, iTextWidth, oIer);
      break;
    case KAVValueKind::kNone:
      break;
  }
  return value;
}

int KAVKernelList::ReadInt(int& ioHandle, int iIndex, int& oIer) {
  int value = 0;
  KAVJournalRecordBytes(sizeof value);
  GUSREA(&ioHandle, &iIndex, &value, &oIer);
  return value;
}

double KAVKernelList::ReadDouble(int& ioHandle, int iIndex, int& oIer) {
  double value = 0;
  KAVJournalRecordBytes(sizeof value);
  GUSREA(&ioHandle, &iIndex, &value, &oIer);
  return value;
}

void KAVKernelList::End(int& ioHandle, int& oIer) {
  if (ioHandle != 0) GUSEND(&ioHandle, &oIer);
}

void KAVKernelList::Start(int iWidth, int& oHandle, int& oIer) {
  GUSINI(&iWidth, &oHandle, &oIer);
}

void KAVKernelList::PushInt(int& ioHandle, int iValue, int& oIer) {
  int position = 0;
  KAVJournalRecordBytes(sizeof iValue);
  GUSPUS(&ioHandle, &iValue, &position, &oIer);
}

void KAVKernelList::PushDouble(int& ioHandle, double iValue, int& oIer) {
  int position = 0;
  KAVJournalRecordBytes(sizeof iValue);
  GUSPUS(&ioHandle, &iValue, &position, &oIer);
}

void KAVKernelList::PushText(int& ioHandle, const KAVUnicodeString& iText,
                             int& oIer) {
  KAVKernelField record(iText, kPushTextWidth);
  int position = 0;
  KAVJournalRecordBytes(kPushTextWidth);
  GUSPUS(&ioHandle, record.Data(), &position, &oIer);
}
