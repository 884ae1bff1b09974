// Mechanics every wrapper shares when it talks to the kernel: fixed-width
// text fields, and reading and writing kernel lists (GUSINF, GUSREA,
// GUSEND, GUSINI, GUSPUS). Control flow (what stops, what is still ended,
// what is traced) stays in the operations.
#ifndef KAVKernelList_h
#define KAVKernelList_h

#include <string>

#include "KAVUnicodeString.h"

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
  int Width() const { return _width; }
  // The field's characters up to its width (or an earlier NUL).
  KAVUnicodeString Text() const;
  // The same, stripped of blanks at both ends.
  KAVUnicodeString Stripped() const;

 private:
  int _width;
  std::string _buffer;  // _width characters and a NUL
};

class KAVKernelList {
 public:
  // GUSINF: the list's record width and count.
  static void Info(int& ioHandle, int& oWidth, int& oCount, int& oIer);
  // GUSREA of record iIndex (from 1) of a text list of width iWidth; the
  // record is terminated after its width and stripped at both ends.
  static KAVUnicodeString ReadText(int& ioHandle, int iIndex, int iWidth,
                                   int& oIer);
  static int ReadInt(int& ioHandle, int iIndex, int& oIer);
  static double ReadDouble(int& ioHandle, int iIndex, int& oIer);
  // GUSEND, only for a list the kernel handed out (handle not 0); a 0
  // handle leaves oIer as it is.
  static void End(int& ioHandle, int& oIer);

  // GUSINI: a new list of records of iWidth bytes (4, 8 or 72).
  static void Start(int iWidth, int& oHandle, int& oIer);
  // GUSPUS of one record; texts go blank-padded to 72 characters.
  static void PushInt(int& ioHandle, int iValue, int& oIer);
  static void PushDouble(int& ioHandle, double iValue, int& oIer);
  static void PushText(int& ioHandle, const KAVUnicodeString& iText,
                       int& oIer);

  static constexpr int kPushTextWidth = 72;
};

#endif
