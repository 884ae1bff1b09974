// Test support: whole-block text and trace helpers, standard output
// capture, a fork helper for what is decided once per process, temporary
// directories.
#ifndef TestSupport_h
#define TestSupport_h

#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "KAVListValKAVUnicodeString.h"
#include "KAVRawColldouble.h"
#include "KAVRawCollint.h"

namespace kavtest {

using Strings = std::vector<std::string>;

// The texts of a list, positions 1 to Size().
Strings Items(const KAVListValKAVUnicodeString& iList);
// The values of a KAVRawCollint or KAVRawColldouble, positions 1 to Size().
template <typename Collection>
auto Values(const Collection& iValues) {
  std::vector<std::decay_t<decltype(iValues[1])>> values;
  for (int i = 1; i <= iValues.Size(); ++i) values.push_back(iValues[i]);
  return values;
}

// Each text followed by "\n": the expected trace or message-log block.
std::string Lines(std::initializer_list<std::string> iLines);
std::string Lines(const Strings& iLines);
std::string Dashes(int iCount);

// Trace blocks as KAVTrace lays them out. A blank line holds one blank.
inline const std::string kBlank = " ";
// Start banner: blank line, dashes, title, dashes.
Strings Opening(int iDashes, const std::string& iTitle);
// End banner: the start banner's lines, then a blank line.
Strings Closing(int iDashes, const std::string& iTitle);
// The parts one after the other, each line followed by "\n":
// Block({Opening(13, "Load, start"), {"Name : X"}, Closing(10, "Load, end ")}).
std::string Block(std::initializer_list<Strings> iParts);

// Captures what is written to std::cout (where every trace goes) from
// construction until Take() or destruction.
class CoutCapture {
 public:
  CoutCapture();
  ~CoutCapture();
  CoutCapture(const CoutCapture&) = delete;
  CoutCapture& operator=(const CoutCapture&) = delete;
  // What was written since construction or the last Take().
  std::string Take();

 private:
  std::ostringstream _captured;
  std::streambuf* _saved;
};

struct ChildResult {
  int status = -1;  // exit status, or 128 + signal number
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs iScenario in a forked child with the environment changed by iEnv
// (a value of std::nullopt unsets the variable) before anything runs; the
// child exits with iScenario's return value. Both output streams are
// captured whole.
using Environment = std::map<std::string, std::optional<std::string>>;
ChildResult RunInChild(const Environment& iEnv, const std::function<int()>& iScenario);

// "$TMPDIR/<iStem>-XXXXXX" (/tmp when TMPDIR is unset or empty), for
// mkstemp and mkdtemp.
std::string TempTemplate(const std::string& iStem);

// A fresh temporary directory (under TMPDIR), removed with its content on
// destruction; an empty path if none could be made.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return _path; }
  // Writes iContent to Path()/iName (creating parent directories).
  std::string Write(const std::string& iName, const std::string& iContent) const;

 private:
  std::string _path;
};

std::string ReadFile(const std::string& iPath);
// A journal, text or JSON, without its times, which no two runs share.
std::string WithoutTimes(const std::string& iJournal);

// Shell words that run the program iPath of this build: the quoted path,
// behind the emulator when the build is for another machine.
std::string ProgramCommand(const std::string& iPath);

// Runs iCommand through the shell; its exit status (-1 when it did not
// exit), standard output and standard error.
ChildResult RunShell(const std::string& iCommand);

// --- Shared by the suites ---------------------------------------------------

// iText cut or blank-padded to iWidth characters, as a kernel field holds it.
std::string Padded(std::string iText, size_t iWidth);
// The lines of iText without their "\n".
Strings SplitLines(const std::string& iText);
// A list of the texts in order.
KAVListValKAVUnicodeString ListOf(const Strings& iItems);
// Collections holding the values in order.
KAVRawCollint IntsOf(std::initializer_list<int> iValues);
KAVRawColldouble DoublesOf(std::initializer_list<double> iValues);
// The parts one after the other.
Strings Concat(std::initializer_list<Strings> iParts);
// What << writes of iValue.
template <typename T>
std::string Streamed(const T& iValue) {
  std::ostringstream out;
  out << iValue;
  return out.str();
}

// For what a process reads once: runs iScenario in a new run of this test
// binary (a threadsafe death test, so nothing is read yet) with iEnv set
// first, and expects what it writes to std::cout, followed by the text it
// returns, to be iExpected.
void ExpectFresh(const Environment& iEnv, const std::string& iExpected,
                 const std::function<std::string()>& iScenario);

// --- Kernel call logs and output counts, shared by the kernel suites ---------

// The message log of calls that all answered 0 but the last, which answered
// iLastCode: CallLog({"GNSRFI", "GUSINF"}, 9002) is
// "GNSRFI -> 0\nGUSINF -> 9002\n". A call may carry its arguments, as the
// journal shows them.
std::string CallLog(const Strings& iCalls, int iLastCode = 0);

// A run for an operation sweep: hands iRun fresh outputs and answers how
// many values it appended to them (Outputs::Appended()).
template <typename Outputs>
std::function<int()> AppendedBy(std::function<void(Outputs&)> iRun) {
  return [=] {
    Outputs outputs;
    iRun(outputs);
    return outputs.Appended();
  };
}

}  // namespace kavtest

#endif
