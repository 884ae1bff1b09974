// Fixed-width fields and kernel list reading and writing.
#include "KAVKernelList.h"

#include <cstring>

#include "KAVLegacyRoutines.h"

KAVKernelField::KAVKernelField(int iWidth)
    : _width(iWidth > 0 ? iWidth : 0),
      _buffer(static_cast<size_t>(_width), ' ') {
  _buffer.push_back('\0');
}

KAVKernelField::KAVKernelField(const KAVUnicodeString& iText, int iWidth)
    : KAVKernelField(iWidth) {
  const int length = iText.GetLengthInChar();
  std::memcpy(&_buffer[0], iText.CastToCharPtr(),
              static_cast<size_t>(length < _width ? length : _width));
}

KAVUnicodeString KAVKernelField::Text() const {
  // The kernel may have written a NUL inside the field: the text ends
  // there, as a terminated C text would.
  return KAVUnicodeString(_buffer.c_str(),
                          static_cast<int>(std::strlen(_buffer.c_str())));
}

KAVUnicodeString KAVKernelField::Stripped() const {
  return Text().Strip(KAVStripBoth, ' ');
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

KAVUnicodeString KAVKernelList::ReadText(int& ioHandle, int iIndex,
                                         int iWidth, int& oIer) {
  if (iWidth <= kStackRecordWidth) {
    char record[kStackRecordWidth + 1];
    std::memset(record, ' ', static_cast<size_t>(iWidth > 0 ? iWidth : 0));
    GUSREA(&ioHandle, &iIndex, record, &oIer);
    return StrippedText(record, iWidth > 0 ? iWidth : 0);
  }
  KAVKernelField record(iWidth);
  GUSREA(&ioHandle, &iIndex, record.Data(), &oIer);
  return record.Stripped();
}

int KAVKernelList::ReadInt(int& ioHandle, int iIndex, int& oIer) {
  int value = 0;
  GUSREA(&ioHandle, &iIndex, &value, &oIer);
  return value;
}

double KAVKernelList::ReadDouble(int& ioHandle, int iIndex, int& oIer) {
  double value = 0;
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
  GUSPUS(&ioHandle, &iValue, &position, &oIer);
}

void KAVKernelList::PushDouble(int& ioHandle, double iValue, int& oIer) {
  int position = 0;
  GUSPUS(&ioHandle, &iValue, &position, &oIer);
}

void KAVKernelList::PushText(int& ioHandle, const KAVUnicodeString& iText,
                             int& oIer) {
  KAVKernelField record(iText, kPushTextWidth);
  int position = 0;
  GUSPUS(&ioHandle, record.Data(), &position, &oIer);
}
