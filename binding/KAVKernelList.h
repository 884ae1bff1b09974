// Reading and writing kernel lists, shared by every wrapper family: a
// list's width and count (GUSINF), its records read as their kind (GUSREA),
// lists ended (GUSEND), new lists filled (GUSINI, GUSPUS). Each record
// buffer is owned here, and its size is told to the library's journal just
// before GUSREA or GUSPUS. Fixed-width text fields are KAVKernelForm.h's.
// Control flow (what stops, what is still ended, what is traced) stays in
// the operations.
#ifndef KAVKernelList_h
#define KAVKernelList_h

#include <initializer_list>
#include <string>

#include "KAVKernelForm.h"
#include "KAVListValKAVUnicodeString.h"
#include "KAVRawColldouble.h"
#include "KAVRawCollint.h"
#include "KAVUnicodeString.h"

// How a list record is read: chosen by the list's record width (4, 8, 72)
// or by a value type code (0 and 1 int, 2 real, 3 text). Anything else is
// kNone and reads nothing.
enum class KAVValueKind { kNone, kInt, kDouble, kText };
KAVValueKind KAVValueKindOfWidth(int iWidth);
KAVValueKind KAVValueKindOfType(int iType);

// One record read as its kind; only the member of that kind is set.
struct KAVKernelValue {
  KAVValueKind kind = KAVValueKind::kNone;
  int intValue = 0;
  double doubleValue = 0;
  KAVUnicodeString text;
  // Appends the value to the output of its kind (nothing for kNone).
  void AppendTo(KAVRawCollint& ioInts, KAVRawColldouble& ioDoubles,
                KAVListValKAVUnicodeString& ioTexts) const;
};

class KAVKernelList {
 public:
  // GUSINF: the list's record width and count.
  static void Info(int& ioHandle, int& oWidth, int& oCount, int& oIer);
  // GUSREA of record iIndex (from 1) of a text list of width iWidth; the
  // record is terminated after its width and stripped at both ends.
  static KAVUnicodeString ReadText(int& ioHandle, int iIndex, int iWidth,
                                   int& oIer);
  // The same record as the kernel left it: iWidth characters, blanks kept
  // (up to an earlier NUL).
  static KAVUnicodeString ReadRecord(int& ioHandle, int iIndex, int iWidth,
                                     int& oIer);
  static int ReadInt(int& ioHandle, int iIndex, int& oIer);
  // Record iIndex appended to ioOut (a text as ReadText reads it, or an
  // int) and shown by iTrace, the operation's trace, under iLabel. False
  // when the read failed: nothing is appended or shown.
  template <typename Trace>
  static bool AppendText(const Trace& iTrace, const char* iLabel, int& ioHandle,
                         int iIndex, int iWidth,
                         KAVListValKAVUnicodeString& ioOut, int& oIer) {
    const KAVUnicodeString text = ReadText(ioHandle, iIndex, iWidth, oIer);
    if (oIer != 0) return false;
    ioOut.Append(text);
    iTrace.Line(iLabel, text);
    return true;
  }
  template <typename Trace>
  static bool AppendInt(const Trace& iTrace, const char* iLabel, int& ioHandle,
                        int iIndex, KAVRawCollint& ioOut, int& oIer) {
    const int value = ReadInt(ioHandle, iIndex, oIer);
    if (oIer != 0) return false;
    ioOut.Append(value);
    iTrace.Line(iLabel, value);
    return true;
  }
  static double ReadDouble(int& ioHandle, int iIndex, int& oIer);
  // GUSREA of record iIndex as iKind: an int, a double, or a text of
  // iTextWidth characters, stripped unless iKeepBlanks. kNone calls
  // nothing and leaves oIer as it is.
  static KAVKernelValue ReadValue(int& ioHandle, int iIndex, KAVValueKind iKind,
                                  int iTextWidth, int& oIer,
                                  bool iKeepBlanks = false);
  // GUSEND, only for a list the kernel handed out (handle not 0); a 0
  // handle leaves oIer as it is.
  static void End(int& ioHandle, int& oIer);
  // End of each list in order, stopping at the first that fails: the lists
  // after it stay open. False then, its code in oIer.
  static bool EndInOrder(std::initializer_list<int*> ioHandles, int& oIer);

  // GUSINI: a new list of records of iWidth bytes (4, 8 or 72).
  static void Start(int iWidth, int& oHandle, int& oIer);
  // GUSPUS of one record; texts go blank-padded to 72 characters.
  static void PushInt(int& ioHandle, int iValue, int& oIer);
  static void PushDouble(int& ioHandle, double iValue, int& oIer);
  static void PushText(int& ioHandle, const KAVUnicodeString& iText, int& oIer);
  // GUSPUS of every value in order, stopping at the first that fails:
  // false then, the values after it not pushed.
  static bool PushAll(int& ioHandle, const KAVRawCollint& iValues, int& oIer);
  static bool PushAll(int& ioHandle, const KAVRawColldouble& iValues,
                      int& oIer);
  static bool PushAll(int& ioHandle, const KAVListValKAVUnicodeString& iTexts,
                      int& oIer);

  static constexpr int kPushTextWidth = 72;
};

#endif
