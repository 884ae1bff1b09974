// t4711 run FILE and t4711 tour: command lines run one after the other in
// one process (kernel state carries from line to line), the tour's steps
// through the very same path, so what the tour shows is what runs.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>

#include "KAVCliInternal.h"

namespace {

// One line of a file or of the tour, split and without a leading "t4711".
// Returns false with a message for a line that cannot be split.
bool LineWords(const std::string& iLine, std::vector<std::string>& oWords,
               std::string& oError) {
  if (!KAVCliSplitWords(iLine, oWords, oError)) return false;
  if (!oWords.empty() && oWords[0] == "t4711") oWords.erase(oWords.begin());
  if (!oWords.empty() && (oWords[0] == "run" || oWords[0] == "tour")) {
    oError = oWords[0] + " cannot be nested";
    return false;
  }
  return true;
}

// A line's element of a `run --json` document: a line that ran has a
// result (an empty array when it printed nothing), one that could not run
// only its error.
nlohmann::json LineElement(const nlohmann::json& iCommand, bool iRan,
                           int iStatus, const KAVCliCapture& iCapture) {
  nlohmann::json element = {{"command", iCommand}, {"status", iStatus}};
  if (iRan)
    element["result"] = iCapture.results.size() == 1
                            ? iCapture.results.front()
                            : nlohmann::json(iCapture.results);
  if (!iCapture.error.is_null()) element["error"] = iCapture.error;
  return element;
}

// Runs iRun, in JSON mode with what it prints and its failure becoming
// one element of the run's document (iDocument): a run prints one
// document whatever its lines hold, and still prints it when the process
// ends inside a line (the binder's exit(99)).
int InDocument(nlohmann::json* ioDocument, const nlohmann::json& iCommand,
               bool iRuns, const std::function<int()>& iRun) {
  if (ioDocument == nullptr) return iRun();
  KAVCliCapture capture;
  capture.onExit = [ioDocument, &iCommand, iRuns, &capture](int iStatus) {
    ioDocument->push_back(LineElement(iCommand, iRuns, iStatus, capture));
    KAVCliPrintJson(*ioDocument);
  };
  int status = 0;
  {
    KAVCliCaptureScope scope(capture);
    status = iRun();
  }
  ioDocument->push_back(LineElement(iCommand, iRuns, status, capture));
  return status;
}

// Runs one line's words in a context of its own.
int RunLine(const std::vector<std::string>& iWords,
            const KAVCliContext& iOuter) {
  KAVCliContext lineContext;
  lineContext.json = iOuter.json;
  return KAVCliRunWords(iWords, lineContext);
}

// On a terminal, a long run says how far it is, on one line of standard
// error rewritten at most ten times a second and cleared at the end; it
// says nothing when standard error is not a terminal, or when the lines'
// own output goes to the same terminal and shows it already.
class Progress {
 public:
  Progress(const std::string& iFile, std::istream& iIn, bool iJson)
      : shown_(isatty(STDERR_FILENO) == 1 &&
               (iJson || !KAVCliOutputIsTerminal())),
        file_(iFile),
        in_(iIn) {
    struct stat info {};
    if (shown_ && iFile != "-" && stat(iFile.c_str(), &info) == 0 &&
        S_ISREG(info.st_mode))
      size_ = static_cast<long long>(info.st_size);
  }
  ~Progress() {
    if (said_) std::cerr << "\r\033[K" << std::flush;
  }
  void Line(int iNumber) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (said_ && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    said_ = true;
    std::cerr << "\rt4711: run " << file_ << ": line " << iNumber;
    const long long at = size_ > 0 ? static_cast<long long>(in_.tellg()) : -1;
    if (at >= 0) std::cerr << " (" << at * 100 / size_ << "%)";
    std::cerr << "\033[K" << std::flush;
  }

 private:
  const bool shown_;
  const std::string file_;
  std::istream& in_;
  long long size_ = 0;
  bool said_ = false;
  std::chrono::steady_clock::time_point last_;
};

// The longest line `run` reads: what Linux lets one command line carry
// (ARG_MAX with the usual 8 MiB stack), so no command typed at a shell
// could be longer.
constexpr size_t kMostLineBytes = 2 << 20;

int RunCommand(const std::string& iFile, bool iKeepGoing,
               KAVCliContext& ioContext) {
  std::ifstream fileStream;
  std::istream* in = &std::cin;
  if (iFile != "-") {
    if (const int status = KAVCliOpenInput(iFile, fileStream)) return status;
    in = &fileStream;
  }
  nlohmann::json document = nlohmann::json::array();
  nlohmann::json* documentPtr = ioContext.json ? &document : nullptr;
  Progress progress(iFile, *in, ioContext.json);
  std::string line;
  int lineNumber = 0;
  int status = 0;
  for (KAVCliLineRead read;
       (read = KAVCliReadLine(*in, kMostLineBytes, line)) !=
       KAVCliLineRead::kEnd;) {
    progress.Line(++lineNumber);
    // Not a command file (/dev/zero, a binary): said once, and the run
    // ends there, -k or not.
    const bool tooLong = read == KAVCliLineRead::kTooLong;
    if (tooLong || line.find('\0') != std::string::npos) {
      status = InDocument(documentPtr, nullptr, false, [&] {
        return KAVCliInputError(
            "cannot read " + iFile + ": line " + std::to_string(lineNumber) +
            (tooLong ? " is longer than any command (" +
                           std::to_string(kMostLineBytes) + " bytes)"
                     : " holds a NUL byte"));
      });
      break;
    }
    std::vector<std::string> words;
    std::string error;
    int lineStatus = 0;
    if (!LineWords(line, words, error)) {
      lineStatus = InDocument(documentPtr, line, false, [&] {
        return KAVCliUsageError("line " + std::to_string(lineNumber) + ": " +
                                error);
      });
    } else if (words.empty()) {
      continue;
    } else {
      if (!ioContext.json) std::cout << "> " << line << std::endl;
      lineStatus = InDocument(documentPtr, line, true,
                              [&] { return RunLine(words, ioContext); });
    }
    if (lineStatus != 0) {
      status = lineStatus;
      KAVCliSay("line " + std::to_string(lineNumber) + " ended with status " +
                std::to_string(lineStatus));
      if (!iKeepGoing) break;
    }
  }
  if (in->bad()) status = KAVCliInputError("cannot read " + iFile);
  if (documentPtr) KAVCliPrintJson(document);
  return status;
}

int TourCommand(KAVCliContext& ioContext) {
  if (ioContext.json)
    return KAVCliUsageError(
        "tour shows commands and their output for people: it has "
        "no JSON form (run 't4711 --json run FILE' instead)");
  // The tour writes the library's journal to a file of its own, unless
  // one is asked for already: its last step shows it.
  const std::string& scratch = ioContext.tourScratch;
  const bool madeScratch =
      !scratch.empty() && mkdir(scratch.c_str(), 0700) == 0;
  struct stat what;
  if (!scratch.empty() &&
      (stat(scratch.c_str(), &what) != 0 || !S_ISDIR(what.st_mode)))
    return KAVCliInputError("cannot use " + scratch +
                            " as the tour's scratch directory");
  std::string ownJournal;
  if (std::getenv("T4711_JOURNAL") == nullptr) {
    const char* tmp = std::getenv("TMPDIR");
    std::string name =
        scratch.empty()
            ? std::string(tmp && *tmp ? tmp : "/tmp") + "/t4711-tour-XXXXXX"
            : scratch + "/journal";
    const int fd = scratch.empty()
                       ? mkstemp(&name[0])
                       : open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) {
      close(fd);
      ownJournal = name;
      setenv("T4711_JOURNAL", name.c_str(), 1);
    }
  }
  int status = 0;
  for (const KAVCliTourEntry& step : KAVCliTourEntries()) {
    KAVCliTourHeading(step.title.c_str());
    const int stepStatus = step.step ? step.step(ioContext)
                                     : KAVCliRunLines(step.lines, ioContext);
    if (stepStatus != 0) {
      std::cout << "(step \"" << step.title << "\" ended with status "
                << stepStatus << ")" << std::endl;
      status = stepStatus;
    }
  }
  if (!ownJournal.empty()) {
    unlink(ownJournal.c_str());
    unsetenv("T4711_JOURNAL");
  }
  if (madeScratch) rmdir(scratch.c_str());
  return status;
}

}  // namespace

namespace {

// The next byte, or eof. A read error (libstdc++'s file buffer throws one
// from underflow, as reading a directory does) marks the stream bad, as
// std::getline would.
int NextByte(std::istream& ioIn, std::streambuf& ioBuffer) {
  try {
    return ioBuffer.sbumpc();
  } catch (...) {
    ioIn.setstate(std::ios::badbit);
    return std::char_traits<char>::eof();
  }
}

}  // namespace

KAVCliLineRead KAVCliReadLine(std::istream& ioIn, size_t iMost,
                              std::string& oLine) {
  oLine.clear();
  std::streambuf* buffer = ioIn.rdbuf();
  if (!ioIn.good() || buffer == nullptr) return KAVCliLineRead::kEnd;
  for (;;) {
    const int c = NextByte(ioIn, *buffer);
    if (c == std::char_traits<char>::eof()) {
      if (ioIn.bad()) return KAVCliLineRead::kEnd;
      ioIn.setstate(std::ios::eofbit);
      return oLine.empty() ? KAVCliLineRead::kEnd : KAVCliLineRead::kLine;
    }
    if (c == '\n') return KAVCliLineRead::kLine;
    if (oLine.size() == iMost) {
      buffer->sungetc();
      return KAVCliLineRead::kTooLong;
    }
    oLine += static_cast<char>(c);
  }
}

int KAVCliOpenInput(const std::string& iFile, std::ifstream& oIn) {
  struct stat info {};
  if (stat(iFile.c_str(), &info) != 0)
    return KAVCliInputError("cannot read " + iFile + ": " +
                            std::strerror(errno));
  if (S_ISDIR(info.st_mode))
    return KAVCliInputError("cannot read " + iFile + ": it is a directory");
  oIn.open(iFile);
  if (!oIn)
    return KAVCliInputError("cannot read " + iFile + ": " +
                            std::strerror(errno));
  return 0;
}

void KAVCliSkipLine(std::istream& ioIn) {
  std::streambuf* buffer = ioIn.rdbuf();
  if (!ioIn.good() || buffer == nullptr) return;
  for (int c = NextByte(ioIn, *buffer); c != '\n';
       c = NextByte(ioIn, *buffer)) {
    if (c == std::char_traits<char>::eof()) {
      if (!ioIn.bad()) ioIn.setstate(std::ios::eofbit);
      return;
    }
  }
}

bool KAVCliSplitWords(const std::string& iLine,
                      std::vector<std::string>& oWords, std::string& oError) {
  // Blanks separate, single or double quotes group, a backslash escapes
  // the next character outside single quotes; "#" at the start of a word
  // begins a comment.
  oWords.clear();
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (size_t i = 0; i < iLine.size(); ++i) {
    const char c = iLine[i];
    if (quote) {
      if (c == quote) {
        quote = 0;
      } else if (c == '\\' && quote == '"' && i + 1 < iLine.size()) {
        word += iLine[++i];
      } else {
        word += c;
      }
    } else if (c == '\'' || c == '"') {
      quote = c;
      inWord = true;
    } else if (c == '\\' && i + 1 < iLine.size()) {
      word += iLine[++i];
      inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      if (inWord) oWords.push_back(word);
      word.clear();
      inWord = false;
    } else if (c == '#' && !inWord) {
      break;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quote) {
    oError = std::string("unterminated ") +
             (quote == '"' ? "double" : "single") + " quote";
    return false;
  }
  if (inWord) oWords.push_back(word);
  return true;
}

int KAVCliRunLines(const std::vector<std::string>& iLines,
                   KAVCliContext& ioContext) {
  int status = 0;
  bool first = true, afterRemark = false;
  for (const std::string& given : iLines) {
    if (!first && !afterRemark) std::cout << '\n';
    first = false;
    // "# text": a remark shown as it stands, just above what it explains.
    afterRemark = !given.empty() && given[0] == '#';
    if (afterRemark) {
      const size_t start = given.find_first_not_of("# ");
      std::cout << (start == std::string::npos ? "" : given.substr(start))
                << std::endl;
      continue;
    }
    // "!command": a failure shown on purpose.
    const bool failureExpected = !given.empty() && given[0] == '!';
    const std::string line = failureExpected ? given.substr(1) : given;
    std::vector<std::string> words;
    std::string error;
    if (!LineWords(line, words, error) || words.empty()) {
      KAVCliSay("tour line \"" + line +
                "\": " + (error.empty() ? "empty" : error));
      return kKAVCliUsage;
    }
    std::cout << "$ t4711 " << line
              << (failureExpected ? "   (fails on purpose)" : "") << std::endl;
    const int lineStatus = RunLine(words, ioContext);
    if (failureExpected ? lineStatus == 0 : lineStatus != 0) {
      std::cout << "(unexpected status " << lineStatus << ")" << std::endl;
      if (status == 0)
        status = failureExpected ? kKAVCliKernelFailed : lineStatus;
    }
  }
  return status;
}

void KAVCliAddRunCommands(CLI::App& iApp, KAVCliContext& ioContext) {
  CLI::App* tour = iApp.add_subcommand(
      "tour",
      "Walk through every family of the library on the current kernel "
      "(for people: no JSON form)");
  tour->add_option("--scratch", ioContext.tourScratch,
                   "make the tour's files in DIR (made and removed if it is "
                   "not there) instead of fresh temporary ones, so that a "
                   "run names the same paths each time (to replay it)");
  tour->callback([&ioContext] { ioContext.status = TourCommand(ioContext); });
  ioContext.textOnly.push_back(tour);
  struct Options {
    std::string file;
    bool keepGoing = false;
  };
  Options& o = ioContext.Options<Options>();
  auto* run = iApp.add_subcommand("run",
                                  "Execute the commands of FILE (one per line, "
                                  "'-' for standard input) in one process");
  run->add_option("FILE", o.file, "command file")->required();
  run->add_flag("-k,--keep-going", o.keepGoing, "go on after a failing line");
  run->callback([&ioContext, &o] {
    ioContext.status = RunCommand(o.file, o.keepGoing, ioContext);
  });
}
