// Kernel form of texts, shared by every wrapper family: fixed-width
// blank-padded fields, texts passed unpadded with a separate length, read
// buffers whose returned length is never trusted, and fixed-width record
// arrays. Whatever a kernel writes back or says it wrote, reading these
// never goes outside their storage.
#ifndef KAVKernelForm_h
#define KAVKernelForm_h

#include <string>

#include "KAVUnicodeString.h"

// A returned length brought into 0..iCapacity: a kernel that says it wrote
// more than the buffer holds, or a negative count, is read as far as the
// buffer goes, or as nothing.
inline int KAVClampLength(int iLength, int iCapacity) {
  if (iCapacity < 0) iCapacity = 0;
  if (iLength < 0) return 0;
  return iLength < iCapacity ? iLength : iCapacity;
}

// A text field in kernel form: exactly Width() characters, blank-padded on
// the right, with one spare byte past the end so that what the kernel
// writes back can be read as a terminated text.
class KAVKernelField {
 public:
  // All blanks.
  explicit KAVKernelField(int iWidth);
  // iText cut or blank-padded to iWidth characters.
  KAVKernelField(const KAVUnicodeString& iText, int iWidth);

  char* Data() { return &_buffer[0]; }
  const char* Data() const { return _buffer.data(); }
  int Width() const { return _width; }
  // The field's characters up to its width (or an earlier NUL).
  KAVUnicodeString Text() const;
  // The same, stripped of blanks at both ends.
  KAVUnicodeString Stripped() const;
  // The first iLength characters as the kernel left them (NULs included),
  // iLength clamped to 0..Width(): for fields whose length the kernel
  // returns separately.
  KAVUnicodeString Prefix(int iLength) const;

 private:
  int _width;
  std::string _buffer;  // _width characters and a NUL
};

// The two ways a name is brought to a field of kernel form. Stripped:
// blanks at both ends go first, then the text is cut or blank-padded, so
// a long name keeps its first characters after its leading blanks.
inline KAVKernelField KAVStrippedField(const KAVUnicodeString& iText,
                                       int iWidth) {
  return KAVKernelField(iText.Strip(KAVStripBoth, ' '), iWidth);
}
// Cut: the text is cut or blank-padded first, then stripped and padded
// again, so only its first iWidth characters ever count.
inline KAVKernelField KAVCutField(const KAVUnicodeString& iText, int iWidth) {
  return KAVKernelField(KAVKernelField(iText, iWidth).Stripped(), iWidth);
}

// A text passed unpadded: its characters (with a terminating NUL the kernel
// does not count) and its length in a separate int, passed by address.
//
//   KAVKernelText name(iName.Strip(KAVStripBoth, ' '));
//   GMIQID(&name.Length(), name.Data(), &id, &ier);
class KAVKernelText {
 public:
  explicit KAVKernelText(const KAVUnicodeString& iText);
  char* Data() { return &_buffer[0]; }
  int& Length() { return _length; }
  int Length() const { return _length; }
  KAVUnicodeString Text() const {
    return KAVUnicodeString(_buffer.data(), _length);
  }

 private:
  std::string _buffer;
  int _length;
};

// iCount records of iWidth characters each, back to back, all blanks
// (G7AQRY's 50 x 64 items and 50 x 256 values). Records count from 1 as
// kernel lists do; an index outside 1..Count() reads as an empty text.
class KAVKernelRecords {
 public:
  KAVKernelRecords(int iCount, int iWidth);
  char* Data() { return &_buffer[0]; }
  int Count() const { return _count; }
  int Width() const { return _width; }
  // Record iIndex up to its width or an earlier NUL.
  KAVUnicodeString Record(int iIndex) const;
  // The first iLength characters of record iIndex, iLength clamped to
  // 0..Width(), NULs included.
  KAVUnicodeString Record(int iIndex, int iLength) const;

 private:
  int _count;
  int _width;
  std::string _buffer;  // _count * _width characters and a NUL
};

#endif
