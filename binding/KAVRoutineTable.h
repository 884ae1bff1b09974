// The routine table (KAVRoutines.def) as data: each kernel routine's row,
// name and arguments one by one (direction, kind, field width, which
// argument holds a length, a count, a list handle or a value type, what a
// list handed out holds, how the kernel's message log shows it), which
// argument is its return code, and the list protocol's record widths.
//
// Everything that needs a routine's name or a field width takes it from
// here: the call lines (KAVCallLog.h), the families' field widths, the
// reference kernel and the fuzz kernel, t4711. A width that must stay
// spelled out beside its use is defined by SharedWidth, which names every
// argument it serves and does not compile when the table disagrees.
//
// Header-only and constexpr: the library and each kernel module compile
// their own copy and share nothing at run time.
#ifndef KAVRoutineTable_h
#define KAVRoutineTable_h

#include <initializer_list>
#include <string_view>
#include <type_traits>
#include <utility>

namespace kavcall {

// The list protocol: an int record is a 4-byte int, a real one an 8-byte
// double; a text is written (GUSINI, GUSPUS) and read back from lists of
// values (by width or by type code) as a record of 72 characters.
constexpr int kIntRecordWidth = 4;
constexpr int kRealRecordWidth = 8;
constexpr int kValueTextWidth = 72;
static_assert(kIntRecordWidth == sizeof(int) &&
                  kRealRecordWidth == sizeof(double),
              "records are the C types' bytes");

// GNFNL1's key, by its kind 1..4 (attribute, block, class, value): 16
// characters for the first two, 32 for the others, 0 for a kind the
// routine does not know.
constexpr int KeyWidth(int iKind) {
  return iKind == 1 || iKind == 2 ? 16 : iKind == 3 || iKind == 4 ? 32 : 0;
}

enum class Flow : unsigned char { kIn, kOut, kInOut };

enum class Kind : unsigned char {
  kNone,      // end of an argument list
  kText,      // width characters (or `ref`'s value when width is 0)
  kTextKind,  // GNFNL1's key: KeyWidth of `ref`'s value
  kTextSum,   // the sum of the `count` lengths in `ref`
  kCString,   // a terminated text
  kInt,
  kHandle,  // a kernel list handle, shown as an int
  kCode,    // the return code ier
  kDouble,
  kInts,  // `count` ints, at most `capacity`
  kDoubles,
  kTexts,   // `count` records of width characters, at most `capacity`
  kRecord,  // a record of list `ref`, of the width that list has
};

// What each record of a list a routine hands out is, as its caller reads
// it.
enum class List : unsigned char {
  kUnknown,  // not said (GUSINI's list: the width the caller asked)
  kTexts,    // texts of `width` characters
  kInts,
  kReals,
  kByWidth,  // by the width GUSINF answers: 4 an int, 8 a real, 72 a text
  kByType,   // by the type code in argument `ref`: 0 and 1 an int, 2 a
             // real, 3 a text of 72
};

// How the kernel's message log shows an argument; its boundary log and
// the library's journal show every argument whatever the note.
enum class Note : unsigned char {
  kPlain,     // an input is shown as passed, an output left out
  kAsPassed,  // an output shown as it came in: a number as its value, a
              // text area as "buffer" (or null)
  kArray,     // with its neighbours of this note, one array; null as 0
  kIfKnown,   // left out when the log cannot tell its width: a key of an
              // unknown kind, a record of a list the kernel does not hold
              // (or no record at all)
  kAnswer,    // the int a routine without an ier answers: the line's code
};

struct Arg {
  Flow flow;
  Kind kind;
  int width;     // characters; a list's text records; for kText with
                 // `ref`, the field's width
  int ref;       // 1-based argument holding a length, a list handle or a
                 // list's type code
  int count;     // 1-based argument holding a count
  int capacity;  // most values an array holds
  List list = List::kUnknown;
  Note note = Note::kPlain;
};

constexpr Arg Noted(Arg iArg, Note iNote) {
  iArg.note = iNote;
  return iArg;
}

// The routine table's argument column, one macro per argument (see the
// opening of KAVRoutines.def).
// clang-format off
#define TIN(w) kavcall::Arg{kavcall::Flow::kIn, kavcall::Kind::kText, w, 0, 0, 0}
#define TOUT(w) kavcall::Arg{kavcall::Flow::kOut, kavcall::Kind::kText, w, 0, 0, 0}
#define TLIN(k) kavcall::Arg{kavcall::Flow::kIn, kavcall::Kind::kText, 0, k, 0, 0}
#define TLOUT(w, k) kavcall::Arg{kavcall::Flow::kOut, kavcall::Kind::kText, w, k, 0, 0}
#define TKIND(k) kavcall::Arg{kavcall::Flow::kIn, kavcall::Kind::kTextKind, 0, k, 0, 0}
#define TSUM(l, c) kavcall::Arg{kavcall::Flow::kIn, kavcall::Kind::kTextSum, 0, l, c, 0}
#define CSTR kavcall::Arg{kavcall::Flow::kIn, kavcall::Kind::kCString, 0, 0, 0, 0}
#define IIN kavcall::Arg{kavcall::Flow::kIn, kavcall::Kind::kInt, 0, 0, 0, 0}
#define IOUT kavcall::Arg{kavcall::Flow::kOut, kavcall::Kind::kInt, 0, 0, 0, 0}
#define IINOUT kavcall::Arg{kavcall::Flow::kInOut, kavcall::Kind::kInt, 0, 0, 0, 0}
#define HIN kavcall::Arg{kavcall::Flow::kIn, kavcall::Kind::kHandle, 0, 0, 0, 0}
#define HOUT kavcall::Arg{kavcall::Flow::kOut, kavcall::Kind::kHandle, 0, 0, 0, 0}
#define LTEXT(w) kavcall::Arg{kavcall::Flow::kOut, kavcall::Kind::kHandle, w, 0, 0, 0, kavcall::List::kTexts}
#define LINT kavcall::Arg{kavcall::Flow::kOut, kavcall::Kind::kHandle, kavcall::kIntRecordWidth, 0, 0, 0, kavcall::List::kInts}
#define LREAL kavcall::Arg{kavcall::Flow::kOut, kavcall::Kind::kHandle, kavcall::kRealRecordWidth, 0, 0, 0, kavcall::List::kReals}
#define LWIDTH kavcall::Arg{kavcall::Flow::kOut, kavcall::Kind::kHandle, kavcall::kValueTextWidth, 0, 0, 0, kavcall::List::kByWidth}
#define LTYPE(k) kavcall::Arg{kavcall::Flow::kOut, kavcall::Kind::kHandle, kavcall::kValueTextWidth, k, 0, 0, kavcall::List::kByType}
#define IER kavcall::Arg{kavcall::Flow::kOut, kavcall::Kind::kCode, 0, 0, 0, 0}
#define DOUT kavcall::Arg{kavcall::Flow::kOut, kavcall::Kind::kDouble, 0, 0, 0, 0}
#define ISIN(c) kavcall::Arg{kavcall::Flow::kIn, kavcall::Kind::kInts, 0, 0, c, 0}
#define DSIN(c) kavcall::Arg{kavcall::Flow::kIn, kavcall::Kind::kDoubles, 0, 0, c, 0}
#define ISOUT(n, c) kavcall::Arg{kavcall::Flow::kOut, kavcall::Kind::kInts, 0, 0, c, n}
#define TSOUT(n, w, c) kavcall::Arg{kavcall::Flow::kOut, kavcall::Kind::kTexts, w, 0, c, n}
#define RIN(h) kavcall::Arg{kavcall::Flow::kIn, kavcall::Kind::kRecord, 0, h, 0, 0}
#define ROUT(h) kavcall::Arg{kavcall::Flow::kOut, kavcall::Kind::kRecord, 0, h, 0, 0}
#define NOARGS kavcall::Arg{}
#define PASSED(a) kavcall::Noted(a, kavcall::Note::kAsPassed)
#define ARRAY(a) kavcall::Noted(a, kavcall::Note::kArray)
#define KNOWN(a) kavcall::Noted(a, kavcall::Note::kIfKnown)
#define ANSWER(a) kavcall::Noted(a, kavcall::Note::kAnswer)
// clang-format on
#define KAV_UNPAREN(...) __VA_ARGS__

#define KAV_ROUTINE(num, name, ret, params, module, library, args) \
  inline constexpr Arg kArgs_##name[] = {KAV_UNPAREN args, Arg{}};
#include "KAVRoutines.def"
#undef KAV_ROUTINE

#undef TIN
#undef TOUT
#undef TLIN
#undef TLOUT
#undef TKIND
#undef TSUM
#undef CSTR
#undef IIN
#undef IOUT
#undef IINOUT
#undef HIN
#undef HOUT
#undef LTEXT
#undef LINT
#undef LREAL
#undef LWIDTH
#undef LTYPE
#undef IER
#undef DOUT
#undef ISIN
#undef DSIN
#undef ISOUT
#undef TSOUT
#undef RIN
#undef ROUT
#undef NOARGS
#undef PASSED
#undef ARRAY
#undef KNOWN
#undef ANSWER

template <size_t N>
constexpr int CountArgs(const Arg (&iArgs)[N]) {
  int n = 0;
  while (n < static_cast<int>(N) && iArgs[n].kind != Kind::kNone) ++n;
  return n;
}

struct Routine {
  const char* name;
  const Arg* args;
  int argc;
  bool returnsCode;  // the int the routine returns is its code (LBATCH)
};

inline constexpr Routine kRoutines[] = {
#define KAV_ROUTINE(num, name, ret, params, module, library, args) \
  {#name, kArgs_##name, CountArgs(kArgs_##name), std::is_same_v<ret, int>},
#include "KAVRoutines.def"
#undef KAV_ROUTINE
};
inline constexpr int kRoutineCount = sizeof kRoutines / sizeof *kRoutines;

// The row of a routine (from 0), or -1 for a name the table lacks.
constexpr int RowOf(std::string_view iName) {
  for (int row = 0; row < kRoutineCount; ++row)
    if (iName == kRoutines[row].name) return row;
  return -1;
}
constexpr int RowOf(const char* iName) {
  return iName == nullptr ? -1 : RowOf(std::string_view(iName));
}

// Reached only by a use the table refuses. Not constexpr, so that the
// constant that made the use does not compile, and names this function in
// its error.
inline int RoutineOrArgumentNotInTheTable() { return -1; }
inline int WidthsOfTheseArgumentsDiffer() { return -1; }

// The row of a routine named in code: a constant expression only for a
// name the table holds.
constexpr int Row(const char* iName) {
  return RowOf(iName) >= 0 ? RowOf(iName) : RoutineOrArgumentNotInTheTable();
}

// The 0-based argument that is the routine's ier, or -1.
constexpr int CodeArg(const Routine& iRoutine) {
  for (int i = 0; i < iRoutine.argc; ++i)
    if (iRoutine.args[i].kind == Kind::kCode) return i;
  return -1;
}

// The 0-based argument that a routine without an ier answers in (noted
// kAnswer), or -1.
constexpr int AnswerArg(const Routine& iRoutine) {
  for (int i = 0; i < iRoutine.argc; ++i)
    if (iRoutine.args[i].note == Note::kAnswer) return i;
  return -1;
}

// The 0-based argument of routine iRow that is a list record, or -1.
constexpr int RecordArg(int iRow) {
  for (int i = 0; i < kRoutines[iRow].argc; ++i)
    if (kRoutines[iRow].args[i].kind == Kind::kRecord) return i;
  return -1;
}

// Argument iArg (from 1) of a routine named in code.
constexpr const Arg& ArgOf(const char* iRoutine, int iArg) {
  const Routine& routine = kRoutines[Row(iRoutine)];
  return routine.args[iArg >= 1 && iArg <= routine.argc
                          ? iArg - 1
                          : RoutineOrArgumentNotInTheTable()];
}

// The width of argument iArg (from 1) of a routine named in code: a text
// field's characters (a text array's record), or the record width of the
// list it hands out (a text record's characters for a list of values).
constexpr int Width(const char* iRoutine, int iArg) {
  return ArgOf(iRoutine, iArg).width;
}

// Most values an array argument holds.
constexpr int Capacity(const char* iRoutine, int iArg) {
  return ArgOf(iRoutine, iArg).capacity;
}

// One argument of one routine, named in code.
struct Place {
  const char* routine;
  int arg;
};

// The width every listed argument has; a constant expression only when
// they all have it, so that a constant defined by it names, where it is
// used, every argument it serves and fails to compile when one of them
// changes in the table.
constexpr int SharedWidth(std::initializer_list<Place> iPlaces) {
  const int width = Width(iPlaces.begin()->routine, iPlaces.begin()->arg);
  for (const Place& place : iPlaces)
    if (Width(place.routine, place.arg) != width)
      return WidthsOfTheseArgumentsDiffer();
  return width;
}

// --- Checks of the table against the routines' prototypes ----------------

// Each argument is of the pointer type its kind reads (texts char*, reals
// double*, records void*, everything else int*).
template <typename P>
constexpr bool Fits(const Arg& iArg) {
  switch (iArg.kind) {
    case Kind::kText:
    case Kind::kTextKind:
    case Kind::kTextSum:
    case Kind::kCString:
    case Kind::kTexts:
      return std::is_same_v<P, char*>;
    case Kind::kDouble:
    case Kind::kDoubles:
      return std::is_same_v<P, double*>;
    case Kind::kRecord:
      return std::is_same_v<P, void*>;
    case Kind::kNone:
      return false;
    default:
      return std::is_same_v<P, int*>;
  }
}
template <typename... P, size_t... I>
constexpr bool AllFit(const Arg* iArgs, std::index_sequence<I...>) {
  return (Fits<P>(iArgs[I]) && ...);
}
constexpr bool RefersTo(const Routine& iRoutine, int iRef, Kind iKind) {
  return iRef >= 1 && iRef <= iRoutine.argc &&
         iRoutine.args[iRef - 1].kind == iKind;
}
// References name arguments of the kind they read; a text has a width or a
// length; lists handed out and notes sit on arguments they can describe.
constexpr bool RefsValid(const Routine& iRoutine) {
  const bool hasCode = CodeArg(iRoutine) >= 0;
  int answers = 0;
  for (int i = 0; i < iRoutine.argc; ++i) {
    const Arg& a = iRoutine.args[i];
    const bool out = a.flow == Flow::kOut;
    if ((a.kind == Kind::kText && a.ref != 0 &&
         !RefersTo(iRoutine, a.ref, Kind::kInt)) ||
        (a.kind == Kind::kTextKind && !RefersTo(iRoutine, a.ref, Kind::kInt)) ||
        (a.kind == Kind::kTextSum && !RefersTo(iRoutine, a.ref, Kind::kInts)) ||
        (a.kind == Kind::kRecord &&
         !RefersTo(iRoutine, a.ref, Kind::kHandle)) ||
        (a.count != 0 && !RefersTo(iRoutine, a.count, Kind::kInt)) ||
        (a.kind == Kind::kText && a.ref == 0 && a.width <= 0) ||
        (a.list != List::kUnknown &&
         (a.kind != Kind::kHandle || !out || a.width <= 0)) ||
        (a.list == List::kByType && !RefersTo(iRoutine, a.ref, Kind::kInt)) ||
        (a.note == Note::kAsPassed && !out) ||
        (a.note == Note::kArray && (a.kind != Kind::kInt || out)) ||
        (a.note == Note::kIfKnown && a.kind != Kind::kTextKind &&
         a.kind != Kind::kRecord) ||
        (a.note == Note::kAnswer && (a.kind != Kind::kInt || !out || hasCode)))
      return false;
    answers += a.note == Note::kAnswer;
  }
  return answers <= 1;
}
template <typename R, typename... P>
constexpr bool Agrees(R (*)(P...), const Routine& iRoutine) {
  return static_cast<int>(sizeof...(P)) == iRoutine.argc &&
         AllFit<P...>(iRoutine.args, std::index_sequence_for<P...>{}) &&
         RefsValid(iRoutine);
}
#define KAV_ROUTINE(num, name, ret, params, module, library, args)           \
  static_assert(Agrees(static_cast<std::add_pointer_t<ret params>>(nullptr), \
                       kRoutines[num - 1]),                                  \
                "the argument column of " #name                              \
                " disagrees with its parameters");
#include "KAVRoutines.def"
#undef KAV_ROUTINE

}  // namespace kavcall

#endif
