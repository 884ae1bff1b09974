// The library's journal (or the kernel's boundary log, same format) read
// back for replay: its calls, each with the
// values its line shows, decoded into what the caller passed or was
// answered (bytes of a text, ints, reals). Either form is read, text or
// JSON lines; only a journal that begins with the header of the format
// this module writes back (kavcall::kFormat) is taken.
#ifndef KAVReplayJournal_h
#define KAVReplayJournal_h

#include <string>
#include <vector>

namespace kavreplay {

// One value as a line shows it.
struct Value {
  enum Type { kNull, kWhole, kReal, kText, kList, kUnknown } type = kNull;
  long long whole = 0;
  double real = 0;
  std::string bytes;         // a text's bytes, escapes undone
  std::vector<Value> items;  // an array's values
  std::string shown;         // as written in the line, for messages
};

bool SameValue(const Value& iA, const Value& iB);

// A word of the text form, or false when it is none a line writes.
bool ParseWord(const std::string& iWord, Value& oValue);

struct Call {
  long line = 0;  // 1-based, in the file
  int row = -1;
  int thread = 1;
  std::vector<Value> in, out;
  bool hasCode = false;
  Value code;  // kWhole, or kNull for an ier the caller did not pass
};

struct Journal {
  std::string file;
  std::vector<Call> calls;  // in the order of the file
};

// Reads iFile. False, with the reason in oWhy (one sentence, without the
// file's name), for a file that cannot be read, a journal without the
// header or of another format, or a line that is not a call.
bool ReadJournal(const std::string& iFile, Journal& oJournal,
                 std::string& oWhy);

}  // namespace kavreplay

#endif
