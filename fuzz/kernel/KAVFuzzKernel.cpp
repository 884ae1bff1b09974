// The fuzz kernel: a KAVSYMB module whose resolver binds every routine of
// the routine table to an answerer that takes each output from the run's
// answer stream (KAVFuzzAnswers.h): the return code, every int it writes
// (counts, lengths, handles, type codes, positions), every text field,
// every real. Nothing is remembered between calls but the lists handed
// out, so a question asked twice may get two answers.
//
// The answerers are expanded from the routine table's argument column, as
// the call lines are (KAVCallLog.h): a new row needs nothing here unless
// it hands out a list the column does not describe. Inputs are read as the
// column says, so AddressSanitizer sees a caller that passes less than the
// contract; outputs are written only within what the contract gives: a
// text within its field, an array within its capacity, a list record
// within the record the caller reads from that list (the column's list
// marks),
// whatever width GUSINF reports.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "KAVCallLog.h"
#include "KAVFuzzAnswers.h"
#include "KAVFuzzControl.h"
#include "KAVResolverABI.h"

#define KAV_FUZZ_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using kavcall::Arg;
using kavcall::Flow;
using kavcall::Kind;
using kavcall::kRoutines;

// What a caller reads from a list: an int, a real, a text of `width`, or
// what GUSINF's width names (a type code is read as the list is handed
// out).
enum class RecordKind : unsigned char { kNone, kInt, kDouble, kText, kByWidth };

struct Record {
  RecordKind kind = RecordKind::kNone;
  int width = 0;
  int Bytes() const {
    switch (kind) {
      case RecordKind::kInt:
        return kavcall::kIntRecordWidth;
      case RecordKind::kDouble:
        return kavcall::kRealRecordWidth;
      case RecordKind::kText:
        return width;
      default:
        return 0;
    }
  }
};

// As the library chooses a record by a list's width or a value type code.
Record OfWidth(int iWidth, int iTextWidth) {
  if (iWidth == kavcall::kIntRecordWidth)
    return {RecordKind::kInt, kavcall::kIntRecordWidth};
  if (iWidth == kavcall::kRealRecordWidth)
    return {RecordKind::kDouble, kavcall::kRealRecordWidth};
  if (iWidth == kavcall::kValueTextWidth)
    return {RecordKind::kText, iTextWidth};
  return {};
}
Record OfType(int iType, int iTextWidth) {
  if (iType == 0 || iType == 1)
    return {RecordKind::kInt, kavcall::kIntRecordWidth};
  if (iType == 2) return {RecordKind::kDouble, kavcall::kRealRecordWidth};
  if (iType == 3) return {RecordKind::kText, iTextWidth};
  return {};
}

constexpr int kInfRow = kavcall::RowOf("GUSINF");
constexpr int kIniRow = kavcall::RowOf("GUSINI");
constexpr int kReaRow = kavcall::RowOf("GUSREA");
static_assert(kInfRow >= 0 && kIniRow >= 0 && kReaRow >= 0, "list routines");

struct RunState {
  std::string bytes;
  kavfuzz::AnswerReader reader;
  KAVFuzzPolicy policy = nullptr;
  kavfuzz::AnswerWriter writer;
  // Per handle the records callers may read: the handle's entries from
  // the latest call that handed it out (several when that call gave the
  // same handle twice). kByWidth stays so until GUSINF reports a width.
  std::map<int, std::vector<Record>> lists;
  std::map<int, int> reportedWidths;  // GUSINF's width per handle
  std::map<int, int> pushWidths;      // GUSINI's width per handle
  long calls = 0;
  long reads = 0;
};

RunState& TheRun() {
  static RunState* run = new RunState;  // used until the process ends
  return *run;
}

// Inputs are read here byte by byte, so a caller's short buffer shows.
volatile unsigned gSink;
void Touch(const void* iData, long iBytes) {
  if (iData == nullptr || iBytes <= 0) return;
  const unsigned char* data = static_cast<const unsigned char*>(iData);
  unsigned sum = 0;
  for (long i = 0; i < iBytes; ++i) sum += data[i];
  gSink = gSink + sum;
}

int IntAt(void* const* iArgs, int iArg) {
  const void* cell = iArgs[iArg - 1];
  return cell == nullptr ? 0 : *static_cast<const int*>(cell);
}

// The record the caller reads from handle iHandle: the smallest of its
// entries (a handle given out twice in one call may be read either way).
Record RecordOf(int iHandle) {
  RunState& run = TheRun();
  const auto found = run.lists.find(iHandle);
  Record smallest;
  if (found == run.lists.end()) return smallest;
  for (Record record : found->second) {
    if (record.kind == RecordKind::kByWidth) {
      const auto width = run.reportedWidths.find(iHandle);
      record = OfWidth(width == run.reportedWidths.end() ? 0 : width->second,
                       record.width);
    }
    if (record.kind == RecordKind::kNone) continue;
    if (smallest.kind == RecordKind::kNone || record.Bytes() < smallest.Bytes())
      smallest = record;
  }
  return smallest;
}

// In record mode the policy's answer is spelled into the stream first
// (true, oAnswer the answer); either way the value is then decoded from
// the stream.
bool Ask(const KAVFuzzQuestion& iQuestion, Kind iKind, KAVFuzzAnswer& oAnswer) {
  RunState& run = TheRun();
  if (run.policy == nullptr) return false;
  KAVFuzzAnswer& answer = oAnswer;
  answer = KAVFuzzAnswer{};
  run.policy(&iQuestion, &answer);
  if (answer.end < 0) {  // the stream ends here
    run.policy = nullptr;
    return false;
  }
  switch (iKind) {
    case Kind::kCode:
      run.writer.Code(answer.value);
      break;
    case Kind::kDouble:
    case Kind::kDoubles:
      run.writer.Real(answer.real);
      break;
    case Kind::kText:
    case Kind::kTexts:
      run.writer.Text(std::string(answer.bytes == nullptr ? "" : answer.bytes,
                                  answer.length > 0 ? answer.length : 0),
                      static_cast<kavfuzz::TextEnd>(answer.end),
                      iQuestion.width);
      break;
    default:
      run.writer.Int(answer.value);
      break;
  }
  run.bytes += run.writer.Bytes();
  run.writer.Clear();
  run.reader.Extend(reinterpret_cast<const uint8_t*>(run.bytes.data()),
                    run.bytes.size());
  return true;
}

// A recorded value decodes as the policy gave it, or the recording would
// not replay what it recorded.
template <typename T>
T Recorded(bool iRecorded, T iDecoded, T iAsked) {
  if (iRecorded && std::memcmp(&iDecoded, &iAsked, sizeof iDecoded) != 0) {
    std::fprintf(stderr,
                 "fuzz kernel: an answer does not decode as recorded\n");
    std::abort();
  }
  return iDecoded;
}

class Answerer {
 public:
  Answerer(int iRow, void* const* iArgs)
      : _row(iRow), _routine(kRoutines[iRow]), _args(iArgs) {}

  int Run() {
    RunState& run = TheRun();
    ++run.calls;
    if (_row == kReaRow) ++run.reads;
    for (int i = 0; i < _routine.argc; ++i)
      if (_routine.args[i].flow != Flow::kOut) ReadInput(i);
    int result = 0;
    const int codeArg = kavcall::CodeArg(_routine);
    if (codeArg >= 0 && _args[codeArg] != nullptr)
      *static_cast<int*>(_args[codeArg]) = Code();
    else if (_routine.returnsCode)
      result = Int(0, Kind::kInt);
    for (int i = 0; i < _routine.argc; ++i)
      if (_routine.args[i].flow != Flow::kIn &&
          _routine.args[i].kind != Kind::kCode)
        WriteOutput(i);
    Learn();
    return result;
  }

 private:
  KAVFuzzQuestion Question(int iArg, Kind iKind, int iWidth) const {
    KAVFuzzQuestion question{_routine.name, iArg, static_cast<int>(iKind),
                             iWidth,        0,    TheRun().calls};
    if (_row == kInfRow || _row == kReaRow)
      question.record_width = RecordOf(IntAt(_args, 1)).Bytes();
    return question;
  }
  int Code() {
    KAVFuzzAnswer asked;
    const bool recorded = Ask(Question(0, Kind::kCode, 0), Kind::kCode, asked);
    return Recorded(recorded, TheRun().reader.Code(), asked.value);
  }
  int Int(int iArg, Kind iKind) {
    KAVFuzzAnswer asked;
    const bool recorded = Ask(Question(iArg, iKind, 0), Kind::kInt, asked);
    return Recorded(recorded, TheRun().reader.Int(), asked.value);
  }
  double Real(int iArg) {
    KAVFuzzAnswer asked;
    const bool recorded =
        Ask(Question(iArg, Kind::kDouble, 0), Kind::kDouble, asked);
    return Recorded(recorded, TheRun().reader.Real(), asked.real);
  }
  void Text(int iArg, char* oField, int iWidth) {
    KAVFuzzAnswer asked;
    Ask(Question(iArg, Kind::kText, iWidth), Kind::kText, asked);
    TheRun().reader.Text(oField, iWidth);
  }

  void ReadInput(int i) {
    const Arg& a = _routine.args[i];
    const void* cell = _args[i];
    if (cell == nullptr) return;
    switch (a.kind) {
      case Kind::kText:
        Touch(cell, a.ref == 0 ? a.width : IntAt(_args, a.ref));
        return;
      case Kind::kTextKind: {
        const int kind = IntAt(_args, a.ref);
        Touch(cell, kind == 1 || kind == 2   ? 16
                    : kind == 3 || kind == 4 ? 32
                                             : 0);
        return;
      }
      case Kind::kTextSum: {
        const int* lengths = static_cast<const int*>(_args[a.ref - 1]);
        long sum = 0;
        for (int k = 0; lengths != nullptr && k < IntAt(_args, a.count); ++k)
          if (lengths[k] > 0) sum += lengths[k];
        Touch(cell, sum);
        return;
      }
      case Kind::kCString:
        Touch(cell,
              static_cast<long>(std::strlen(static_cast<const char*>(cell))));
        return;
      case Kind::kInt:
      case Kind::kHandle:
      case Kind::kCode:
        Touch(cell, sizeof(int));
        return;
      case Kind::kDouble:
        Touch(cell, sizeof(double));
        return;
      case Kind::kInts:
        Touch(cell, static_cast<long>(sizeof(int)) * IntAt(_args, a.count));
        return;
      case Kind::kDoubles:
        Touch(cell, static_cast<long>(sizeof(double)) * IntAt(_args, a.count));
        return;
      case Kind::kRecord: {
        const auto width = TheRun().pushWidths.find(IntAt(_args, a.ref));
        if (width != TheRun().pushWidths.end()) Touch(cell, width->second);
        return;
      }
      case Kind::kTexts:
      case Kind::kNone:
        return;
    }
  }

  int Capped(int iArg, int iCapacity) const {
    const int count = IntAt(_args, iArg);
    return count < 0 ? 0 : count > iCapacity ? iCapacity : count;
  }

  void WriteOutput(int i) {
    const Arg& a = _routine.args[i];
    void* cell = _args[i];
    if (cell == nullptr) return;
    switch (a.kind) {
      case Kind::kInt:
      case Kind::kHandle:
        *static_cast<int*>(cell) = Int(i + 1, a.kind);
        return;
      case Kind::kDouble:
        *static_cast<double*>(cell) = Real(i + 1);
        return;
      case Kind::kText:
        Text(i + 1, static_cast<char*>(cell), a.width);
        return;
      case Kind::kInts: {
        int* values = static_cast<int*>(cell);
        for (int k = 0, n = Capped(a.count, a.capacity); k < n; ++k)
          values[k] = Int(i + 1, Kind::kInts);
        return;
      }
      case Kind::kTexts: {
        char* records = static_cast<char*>(cell);
        for (int k = 0, n = Capped(a.count, a.capacity); k < n; ++k)
          Text(i + 1, records + static_cast<size_t>(k) * a.width, a.width);
        return;
      }
      case Kind::kRecord: {
        const Record record = RecordOf(IntAt(_args, a.ref));
        if (record.kind == RecordKind::kInt)
          *static_cast<int*>(cell) = Int(i + 1, Kind::kInt);
        else if (record.kind == RecordKind::kDouble)
          *static_cast<double*>(cell) = Real(i + 1);
        else if (record.kind == RecordKind::kText)
          Text(i + 1, static_cast<char*>(cell), record.width);
        return;
      }
      default:
        return;
    }
  }

  // After the answer: the lists this call handed out, GUSINF's width and
  // GUSINI's push width.
  void Learn() {
    RunState& run = TheRun();
    if (_row == kInfRow && _args[0] != nullptr && _args[1] != nullptr)
      run.reportedWidths[IntAt(_args, 1)] = IntAt(_args, 2);
    if (_row == kIniRow && _args[0] != nullptr && _args[1] != nullptr)
      run.pushWidths[IntAt(_args, 2)] = IntAt(_args, 1);
    std::vector<int> handedOut;
    for (int i = 0; i < _routine.argc; ++i) {
      if (_routine.args[i].kind != Kind::kHandle ||
          _routine.args[i].flow != Flow::kOut || _args[i] == nullptr)
        continue;
      const int handle = IntAt(_args, i + 1);
      bool again = false;
      for (int seen : handedOut) again = again || seen == handle;
      if (!again) {
        handedOut.push_back(handle);
        run.lists.erase(handle);
        run.reportedWidths.erase(handle);
      }
      const Record record = HandedOut(_routine.args[i]);
      if (record.kind != RecordKind::kNone) run.lists[handle].push_back(record);
    }
  }

  // The record the library reads from a list the argument hands out, as
  // the routine table's list column says; none for a list it does not
  // describe (GUSINI's).
  Record HandedOut(const Arg& iArg) const {
    switch (iArg.list) {
      case kavcall::List::kTexts:
        return {RecordKind::kText, iArg.width};
      case kavcall::List::kInts:
        return {RecordKind::kInt, kavcall::kIntRecordWidth};
      case kavcall::List::kReals:
        return {RecordKind::kDouble, kavcall::kRealRecordWidth};
      case kavcall::List::kByWidth:
        return {RecordKind::kByWidth, iArg.width};
      case kavcall::List::kByType:
        return OfType(IntAt(_args, iArg.ref), iArg.width);
      default:
        return {};
    }
  }

  int _row;
  const kavcall::Routine& _routine;
  void* const* _args;
};

template <int Row, typename Prototype>
struct Answering;

template <int Row, typename R, typename... A>
struct Answering<Row, R(A...)> {
  static R Answer(A... iArgs) {
    void* args[sizeof...(A) + 1] = {static_cast<void*>(iArgs)..., nullptr};
    const int result = Answerer(Row, args).Run();
    if constexpr (!std::is_void_v<R>) return static_cast<R>(result);
  }
};

// The address cells the resolver points entries at.
void* gCells[] = {
#define KAV_ROUTINE(num, name, ret, params, module, library, args) \
  reinterpret_cast<void*>(&Answering<num - 1, ret params>::Answer),
#include "KAVRoutines.def"
#undef KAV_ROUTINE
};
static_assert(sizeof gCells / sizeof *gCells == kavcall::kRoutineCount,
              "one cell per routine");

void StartRun(KAVFuzzPolicy iPolicy) {
  RunState& run = TheRun();
  run.reader = kavfuzz::AnswerReader(
      reinterpret_cast<const uint8_t*>(run.bytes.data()), run.bytes.size());
  run.policy = iPolicy;
  run.writer.Clear();
  run.lists.clear();
  run.reportedWidths.clear();
  run.pushWidths.clear();
  run.calls = 0;
  run.reads = 0;
}

}  // namespace

// Binds the routines of the table; any other name is left unbound.
KAV_FUZZ_EXPORT void kavsymb(KAVReferenceEntry* iEntry) {
  char name[9] = {0};
  std::memcpy(name, iEntry->routine, 8);
  for (int i = 7; i >= 0 && name[i] == ' '; --i) name[i] = '\0';
  const int row = kavcall::RowOf(name);
  if (row >= 0) iEntry->cell = &gCells[row];
}

KAV_FUZZ_EXPORT void kavfuzz_answer(const unsigned char* iAnswers,
                                    size_t iSize) {
  TheRun().bytes.assign(reinterpret_cast<const char*>(iAnswers), iSize);
  StartRun(nullptr);
}

KAV_FUZZ_EXPORT void kavfuzz_record(KAVFuzzPolicy iPolicy) {
  TheRun().bytes.clear();
  StartRun(iPolicy);
}

KAV_FUZZ_EXPORT const unsigned char* kavfuzz_recorded(size_t* oSize) {
  if (oSize != nullptr) *oSize = TheRun().bytes.size();
  return reinterpret_cast<const unsigned char*>(TheRun().bytes.data());
}

KAV_FUZZ_EXPORT long kavfuzz_calls(void) { return TheRun().calls; }

KAV_FUZZ_EXPORT long kavfuzz_reads(void) { return TheRun().reads; }
