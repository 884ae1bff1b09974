// One line per kernel call, expanded from the routine table
// (KAVRoutineTable.h): the routine, every input as passed, then the return
// code and every output. The library's journal (KAVJournal.cpp) and the
// reference kernel's boundary log both write their lines with this code,
// so the two can be compared line by line:
//
//   GNFLOD "MSPECFR2" "MSPECFR2" -> 0 "<80 characters>"
//   GUSINF 3 -> 0 16 12
//   GNFRNW2 "MFG_TOOL" 8 -> 1          (no return code: outputs only)
//
// Texts are quoted with their blanks; a quote, a backslash and any byte
// outside printable ASCII are escaped (\" \\ \xHH). A null address is
// "null", several values are "[a,b]". The JSON-lines form carries the
// same values: {"routine":..,"in":[..],"code":..,"out":[..]}. The
// reference kernel's message log is a third, shorter form (Style).
//
// A journal or boundary log begins with a header line naming its format
// (Header()), so that a reader can tell one it can replay from an older
// one. A call of any thread but the first to call ends with "@N"
// ("thread":N in JSON): the thread's ordinal, in the order threads first
// called, so that the records of two runs stay comparable. Every output the
// caller can see is shown whole (texts with their bytes, reals %.17g), so
// that its calls can be answered again call for call.
//
// Header-only: the kernel module compiles its own copy and shares nothing
// with the library at run time.
#ifndef KAVCallLog_h
#define KAVCallLog_h

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "KAVRoutineTable.h"

namespace kavcall {

// The format of the lines, named by the header line a journal or boundary
// log begins with. 1: the lines before the header existed (no thread,
// records of a list of unknown width shown as `record`).
inline constexpr int kFormat = 2;
inline constexpr char kTextHeader[] = "# t4711 journal, format ";
inline constexpr char kJsonHeader[] = "{\"journal\":\"t4711\",\"format\":";

inline std::string Header(bool iJson) {
  return (iJson ? kJsonHeader : kTextHeader) + std::to_string(kFormat) +
         (iJson ? "}\n" : "\n");
}

// How a line lays out a routine's arguments: the inputs (every argument
// the routine reads, in/out ones included) before the arrow, then its code
// where it has one, then the outputs (every argument it writes but the
// code, which has its place of its own). Readers of a line count on these.
inline int InputCount(const Routine& iRoutine) {
  int n = 0;
  for (int i = 0; i < iRoutine.argc; ++i)
    n += iRoutine.args[i].flow != Flow::kOut;
  return n;
}

inline int OutputCount(const Routine& iRoutine) {
  int n = 0;
  for (int i = 0; i < iRoutine.argc; ++i)
    n += iRoutine.args[i].flow != Flow::kIn &&
         iRoutine.args[i].kind != Kind::kCode;
  return n;
}

inline bool HasCode(const Routine& iRoutine) {
  return iRoutine.returnsCode || CodeArg(iRoutine) >= 0;
}

// Steps over the quoted texts of a line, quoted alike in both forms ("..."
// with backslash escapes): Quoted(at) is true for each byte of a quoted
// text, its quotes included, and moves at past an escaped byte.
class QuoteScan {
 public:
  explicit QuoteScan(const std::string& iText) : text_(iText) {}
  bool Quoted(size_t& ioAt) {
    const char c = text_[ioAt];
    if (inside_) {
      if (c == '\\')
        ++ioAt;
      else if (c == '"')
        inside_ = false;
      return true;
    }
    inside_ = c == '"';
    return inside_;
  }

 private:
  const std::string& text_;
  bool inside_ = false;
};

// Splits a line of the text form into its words: a quoted text (with its
// escapes) and a bracketed array are one word each.
inline std::vector<std::string> SplitLine(const std::string& iLine) {
  std::vector<std::string> words;
  QuoteScan scan(iLine);
  size_t i = 0;
  while (i < iLine.size()) {
    if (iLine[i] == ' ') {
      ++i;
      continue;
    }
    const size_t start = i;
    int depth = 0;
    for (; i < iLine.size(); ++i) {
      if (scan.Quoted(i)) continue;
      const char c = iLine[i];
      if (c == '[')
        ++depth;
      else if (c == ']')
        --depth;
      else if (c == ' ' && depth == 0)
        break;
    }
    words.push_back(iLine.substr(start, std::min(i, iLine.size()) - start));
  }
  return words;
}

// The calling thread's ordinal: 1 for the first thread that asks, 2 for
// the next, and so on. Each module that includes this header counts its
// own threads.
inline int ThreadOrdinal() {
  static std::atomic<int> next{0};
  thread_local int mine = 0;
  if (mine == 0) mine = ++next;
  return mine;
}

// Where a line finds the record width of a kernel list (0: unknown), so
// that a record read or pushed can be shown: 4 an int, 8 a real, anything
// else text.
class ListWidths {
 public:
  virtual int Of(int iHandle) const = 0;

 protected:
  ~ListWidths() = default;
};

// The width of each open kernel list as the caller was told: as GUSINI was
// asked or GUSINF answered.
class RecordWidths : public ListWidths {
 public:
  int Of(int iHandle) const override {
    const auto it = _widths.find(iHandle);
    return it == _widths.end() ? 0 : it->second;
  }
  void Learn(int iRow, void* const* iArgs, int iCode) {
    static constexpr int kInit = Row("GUSINI"), kInf = Row("GUSINF"),
                         kEnd = Row("GUSEND");
    const auto value = [&](int i) {
      return iArgs[i] == nullptr ? 0 : *static_cast<const int*>(iArgs[i]);
    };
    if (iCode != 0) return;
    if (iRow == kInit && iArgs[1] != nullptr) _widths[value(1)] = value(0);
    if (iRow == kInf && iArgs[0] != nullptr) _widths[value(0)] = value(1);
    if (iRow == kEnd && iArgs[0] != nullptr) _widths.erase(value(0));
  }
  // The routines whose lines need the widths or change them.
  static constexpr bool Concerns(int iRow) {
    const char* name = kRoutines[iRow].name;
    return name[0] == 'G' && name[1] == 'U' && name[2] == 'S';
  }

 private:
  std::map<int, int> _widths;
};

// The forms of a line. The library's journal and the kernel's boundary
// log write the text form or JSON lines: every input, the code, every
// output. The kernel's message log (Message) notes the inputs as the
// routine table's notes say, then the code the caller is left with:
//   GUSINI 8 0 -> 0          (GUSINI's new handle noted as it came in)
//   GNFCAT "MFG_SIDES       " [406,1,0,1,0,0,1,0,6,406,0] 1 -> 0
//   GUSINI scripted -> -7    (answered by a script instead of the routine)
enum class Style : unsigned char { kText, kJson, kMessage };

// Builds one line: Begin() with the routine and its inputs before the
// call, End() with the code and the outputs after it (EndWithCode() for
// the message log).
class Line {
 public:
  explicit Line(Style iStyle)
      : _json(iStyle == Style::kJson), _message(iStyle == Style::kMessage) {}

  // iRecordBytes: the bytes of storage behind the call's list record
  // (GUSREA, GUSPUS), -1 when the writer does not know them. A list whose
  // width says more is shown cut to them: what a kernel says of its width
  // never makes the line read past the record.
  // They also stand in for the width of a list the line has not seen (a
  // list read without GUSINF), so that the record can be answered again.
  void Begin(int iRow, void* const* iArgs, const ListWidths& iWidths,
             int iRecordBytes = -1) {
    const Routine& r = kRoutines[iRow];
    _recordBytes = iRecordBytes;
    _text.clear();
    if (_json) {
      _text += "{\"routine\":\"";
      _text += r.name;
      _text += "\",\"in\":[";
    } else {
      _text += r.name;
    }
    _first = true;
    for (int i = 0; i < r.argc; ++i)
      if (_message ? Noted(r, i, iArgs, iWidths) : r.args[i].flow != Flow::kOut)
        Value(r, i, iArgs, iWidths);
    _text += _json ? "]" : " ->";
  }

  // A message-log line of a call a script answered instead of the routine:
  // no argument is noted.
  void BeginScripted(int iRow) {
    _text = kRoutines[iRow].name;
    _text += " scripted ->";
  }

  // The end of a message-log line: the code the caller is left with.
  void EndWithCode(int iCode) {
    _text += ' ';
    Number(iCode);
    _text += '\n';
  }

  // iResult: the int the routine returned (for a routine whose code it
  // is). iNanoseconds < 0: no time. iThread: the caller's ordinal, shown
  // when it is not 1.
  void End(int iRow, void* const* iArgs, int iResult, const ListWidths& iWidths,
           long long iNanoseconds, int iThread = 1) {
    const Routine& r = kRoutines[iRow];
    _first = true;
    // The code: the routine's ier ("null" when the caller passed none) or
    // the int it returned; nothing for a routine that has neither.
    const int codeArg = CodeArg(r);
    if (codeArg >= 0 || r.returnsCode) {
      _text += _json ? ",\"code\":" : " ";
      if (codeArg >= 0 && iArgs[codeArg] == nullptr)
        Null();
      else
        Number(codeArg >= 0 ? Int(iArgs[codeArg]) : iResult);
    }
    if (_json) _text += ",\"out\":[";
    for (int i = 0; i < r.argc; ++i)
      if (r.args[i].flow != Flow::kIn && r.args[i].kind != Kind::kCode)
        Value(r, i, iArgs, iWidths);
    if (_json) {
      _text += ']';
      if (iThread != 1) {
        _text += ",\"thread\":";
        _text += std::to_string(iThread);
      }
      if (iNanoseconds >= 0) {
        _text += ",\"ns\":";
        _text += std::to_string(iNanoseconds);
      }
      _text += '}';
    } else {
      if (iThread != 1) {
        _text += " @";
        _text += std::to_string(iThread);
      }
      if (iNanoseconds >= 0) {
        _text += " (";
        _text += std::to_string(iNanoseconds);
        _text += " ns)";
      }
    }
    _text += '\n';
  }

  const std::string& Text() const { return _text; }

  // The code End() found (0 when the routine has none).
  static int Code(int iRow, void* const* iArgs, int iResult) {
    const int codeArg = CodeArg(kRoutines[iRow]);
    if (codeArg >= 0) return Int(iArgs[codeArg]);
    return kRoutines[iRow].returnsCode ? iResult : 0;
  }

 private:
  // Lengths a caller declares for its own texts are believed up to this.
  static constexpr int kMostDeclared = 1 << 16;

  static int Int(const void* iCell) {
    return iCell == nullptr ? 0 : *static_cast<const int*>(iCell);
  }
  static int Clamped(int iValue, int iMost) {
    return iValue < 0 ? 0 : iValue > iMost ? iMost : iValue;
  }

  void Separate() {
    if (_json) {
      if (!_first) _text += ',';
    } else {
      _text += ' ';
    }
    _first = false;
  }

  void Quoted(const char* iText, size_t iLength) {
    _text += '"';
    for (size_t i = 0; i < iLength; ++i) {
      const unsigned char c = static_cast<unsigned char>(iText[i]);
      if (c == '"' || c == '\\') {
        _text += '\\';
        _text += static_cast<char>(c);
      } else if (c < 0x20 || c >= 0x7f) {
        char hex[8];
        std::snprintf(hex, sizeof hex, _json ? "\\u%04x" : "\\x%02x", c);
        _text += hex;
      } else {
        _text += static_cast<char>(c);
      }
    }
    _text += '"';
  }

  void Null() { _text += "null"; }

  void Number(int iValue) { _text += std::to_string(iValue); }

  // JSON has no NaN or infinity: those are null there.
  void Number(double iValue) {
    if (_json && (iValue != iValue || iValue - iValue != 0)) return Null();
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", iValue);
    _text += text;
  }

  template <typename T>
  void Numbers(const T* iValues, int iCount) {
    _text += '[';
    for (int k = 0; k < iCount; ++k) {
      if (k) _text += ',';
      Number(iValues[k]);
    }
    _text += ']';
  }

  // Whether the message log notes argument i through Value(); the notes
  // Value() does not write (a text area as passed, an array of ints) are
  // written here instead, and answer false.
  bool Noted(const Routine& iRoutine, int i, void* const* iArgs,
             const ListWidths& iWidths) {
    const Arg& a = iRoutine.args[i];
    switch (a.note) {
      case Note::kPlain:
        return a.flow != Flow::kOut;
      case Note::kAsPassed:
        if (a.kind != Kind::kText && a.kind != Kind::kTexts) return true;
        Separate();
        _text += iArgs[i] == nullptr ? "null" : "buffer";
        return false;
      case Note::kArray: {
        const bool first = i == 0 || iRoutine.args[i - 1].note != Note::kArray;
        if (first) {
          Separate();
          _text += '[';
        } else {
          _text += ',';
        }
        Number(Int(iArgs[i]));
        if (i + 1 == iRoutine.argc || iRoutine.args[i + 1].note != Note::kArray)
          _text += ']';
        return false;
      }
      case Note::kIfKnown:
        if (a.kind == Kind::kTextKind)
          return KeyWidth(Int(iArgs[a.ref - 1])) > 0;
        return iArgs[i] != nullptr && iWidths.Of(Int(iArgs[a.ref - 1])) > 0;
      case Note::kAnswer:
        return false;
    }
    return false;
  }

  void Value(const Routine& iRoutine, int i, void* const* iArgs,
             const ListWidths& iWidths) {
    const Arg& a = iRoutine.args[i];
    const void* cell = iArgs[i];
    const char* text = static_cast<const char*>(cell);
    Separate();
    if (cell == nullptr) return Null();
    const auto ref = [&](int k) { return Int(iArgs[k - 1]); };
    const int count =
        a.count ? Clamped(ref(a.count), a.capacity ? a.capacity : kMostDeclared)
                : 0;
    switch (a.kind) {
      case Kind::kText:
        if (a.ref == 0) return Quoted(text, static_cast<size_t>(a.width));
        return Quoted(
            text, static_cast<size_t>(
                      Clamped(ref(a.ref), a.width ? a.width : kMostDeclared)));
      case Kind::kTextKind:
        return Quoted(text, static_cast<size_t>(KeyWidth(ref(a.ref))));
      case Kind::kTextSum: {
        const int* lengths = static_cast<const int*>(iArgs[a.ref - 1]);
        long long sum = 0;
        for (int k = 0; lengths != nullptr && k < count; ++k)
          if (lengths[k] > 0) sum += lengths[k];
        return Quoted(text, static_cast<size_t>(
                                sum < kMostDeclared ? sum : kMostDeclared));
      }
      case Kind::kCString:
        return Quoted(text, strnlen(text, kMostDeclared));
      case Kind::kInt:
      case Kind::kHandle:
      case Kind::kCode:
        return Number(Int(cell));
      case Kind::kDouble:
        return Number(*static_cast<const double*>(cell));
      case Kind::kInts:
        return Numbers(static_cast<const int*>(cell), count);
      case Kind::kDoubles:
        return Numbers(static_cast<const double*>(cell), count);
      case Kind::kTexts:
        _text += '[';
        for (int k = 0; k < count; ++k) {
          if (k) _text += ',';
          Quoted(text + static_cast<size_t>(k) * static_cast<size_t>(a.width),
                 static_cast<size_t>(a.width));
        }
        _text += ']';
        return;
      case Kind::kRecord: {
        const int width = iWidths.Of(ref(a.ref));
        if (_recordBytes >= 0 && (width > _recordBytes || width == 0))
          return Quoted(text, static_cast<size_t>(_recordBytes));
        if (width == kIntRecordWidth) return Number(Int(cell));
        if (width == kRealRecordWidth)
          return Number(*static_cast<const double*>(cell));
        if (width > 0)
          return Quoted(
              text, static_cast<size_t>(width < kMostDeclared ? width
                                                              : kMostDeclared));
        _text += _json ? "null" : "record";
        return;
      }
      case Kind::kNone:
        return;
    }
  }

  bool _json;
  bool _message;
  bool _first = true;
  int _recordBytes = -1;
  std::string _text;
};

}  // namespace kavcall

#endif
