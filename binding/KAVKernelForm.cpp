// Kernel-form texts: fields, unpadded texts, record arrays.
#include "KAVKernelForm.h"

#include <cstring>

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
  // there, as a terminated C text would. The spare byte past the width
  // is never handed to the kernel, so strlen stops inside the buffer.
  return KAVUnicodeString(_buffer.c_str(),
                          static_cast<int>(std::strlen(_buffer.c_str())));
}

KAVUnicodeString KAVKernelField::Stripped() const {
  return Text().Strip(KAVStripBoth, ' ');
}

KAVUnicodeString KAVKernelField::Prefix(int iLength) const {
  return KAVUnicodeString(_buffer.data(), KAVClampLength(iLength, _width));
}

KAVKernelText::KAVKernelText(const KAVUnicodeString& iText)
    : _buffer(iText.CastToCharPtr(),
              static_cast<size_t>(iText.GetLengthInChar())),
      _length(iText.GetLengthInChar()) {}

KAVKernelRecords::KAVKernelRecords(int iCount, int iWidth)
    : _count(iCount > 0 ? iCount : 0),
      _width(iWidth > 0 ? iWidth : 0),
      _buffer(static_cast<size_t>(_count) * static_cast<size_t>(_width), ' ') {
  _buffer.push_back('\0');
}

KAVUnicodeString KAVKernelRecords::Record(int iIndex) const {
  if (iIndex < 1 || iIndex > _count) return KAVUnicodeString();
  const char* record =
      _buffer.data() + static_cast<size_t>(iIndex - 1) * _width;
  int length = 0;
  while (length < _width && record[length] != '\0') ++length;
  return KAVUnicodeString(record, length);
}

KAVUnicodeString KAVKernelRecords::Record(int iIndex, int iLength) const {
  if (iIndex < 1 || iIndex > _count) return KAVUnicodeString();
  const char* record =
      _buffer.data() + static_cast<size_t>(iIndex - 1) * _width;
  return KAVUnicodeString(record, KAVClampLength(iLength, _width));
}
