// t4711 run FILE and t4711 tour: command lines run one after the other in
// one process (kernel state carries from line to line), the tour's steps
// through the very same path, so what the tour shows is what runs.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// Runs one line's words in a context of its own; in JSON mode what the
// line printed becomes one element of the run's document.
int RunLine(const std::string& iLine, const std::vector<std::string>& iWords,
            const KAVCliContext& iOuter, nlohmann::json* ioDocument) {
  KAVCliContext lineContext;
  lineContext.json = iOuter.json;
  KAVCliCapture capture;
  KAVCliCapture* previous = ioDocument ? KAVCliSetCapture(&capture) : nullptr;
  const int status = KAVCliRunWords(iWords, lineContext);
  if (ioDocument == nullptr) return status;
  KAVCliSetCapture(previous);
  nlohmann::json element = {{"command", iLine}, {"status", status}};
  if (capture.results.size() == 1)
    element["result"] = capture.results.front();
  else
    element["result"] = capture.results;
  if (!capture.error.is_null()) element["error"] = capture.error;
  ioDocument->push_back(element);
  return status;
}

// A line that could not run: its failure is reported, and in JSON mode it
// is the line's element of the document, so that a run prints one
// document whatever its lines hold.
int LineFailure(nlohmann::json* ioDocument, const nlohmann::json& iCommand,
                const std::function<int()>& iReport) {
  KAVCliCapture capture;
  KAVCliCapture* previous = ioDocument ? KAVCliSetCapture(&capture) : nullptr;
  const int status = iReport();
  if (ioDocument == nullptr) return status;
  KAVCliSetCapture(previous);
  ioDocument->push_back(
      {{"command", iCommand}, {"status", status}, {"error", capture.error}});
  return status;
}

// The longest line `run` reads: what Linux lets one command line carry
// (ARG_MAX with the usual 8 MiB stack), so no command typed at a shell
// could be longer.
constexpr size_t kMostLineBytes = 2 << 20;

int RunCommand(const std::string& iFile, bool iKeepGoing,
               KAVCliContext& ioContext) {
  std::ifstream fileStream;
  std::istream* in = &std::cin;
  if (iFile != "-") {
    struct stat info {};
    if (stat(iFile.c_str(), &info) != 0)
      return KAVCliInputError("cannot read " + iFile + ": " +
                              std::strerror(errno));
    if (S_ISDIR(info.st_mode))
      return KAVCliInputError("cannot read " + iFile + ": it is a directory");
    fileStream.open(iFile);
    if (!fileStream)
      return KAVCliInputError("cannot read " + iFile + ": " +
                              std::strerror(errno));
    in = &fileStream;
  }
  nlohmann::json document = nlohmann::json::array();
  nlohmann::json* documentPtr = ioContext.json ? &document : nullptr;
  std::string line;
  int lineNumber = 0;
  int status = 0;
  for (KAVCliLineRead read;
       (read = KAVCliReadLine(*in, kMostLineBytes, line)) !=
       KAVCliLineRead::kEnd;) {
    ++lineNumber;
    // Not a command file (/dev/zero, a binary): said once, and the run
    // ends there, -k or not.
    const bool tooLong = read == KAVCliLineRead::kTooLong;
    if (tooLong || line.find('\0') != std::string::npos) {
      status = LineFailure(documentPtr, nullptr, [&] {
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
      lineStatus = LineFailure(documentPtr, line, [&] {
        return KAVCliUsageError("line " + std::to_string(lineNumber) + ": " +
                                error);
      });
    } else if (words.empty()) {
      continue;
    } else {
      if (!ioContext.json) std::cout << "> " << line << std::endl;
      lineStatus = RunLine(line, words, ioContext, documentPtr);
    }
    if (lineStatus != 0) {
      status = lineStatus;
      std::cerr << "t4711: line " << lineNumber << " ended with status "
                << lineStatus << std::endl;
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
  // The tour keeps a kernel-call journal of its own, unless one is asked
  // for already: its last step shows it.
  std::string ownJournal;
  if (std::getenv("T4711_JOURNAL") == nullptr) {
    const char* tmp = std::getenv("TMPDIR");
    std::string name =
        std::string(tmp && *tmp ? tmp : "/tmp") + "/t4711-tour-XXXXXX";
    const int fd = mkstemp(&name[0]);
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
      std::cerr << "t4711: tour line \"" << line
                << "\": " << (error.empty() ? "empty" : error) << std::endl;
      return kKAVCliUsage;
    }
    std::cout << "$ t4711 " << line
              << (failureExpected ? "   (fails on purpose)" : "") << std::endl;
    const int lineStatus = RunLine(line, words, ioContext, nullptr);
    if (failureExpected ? lineStatus == 0 : lineStatus != 0) {
      std::cout << "(unexpected status " << lineStatus << ")" << std::endl;
      if (status == 0)
        status = failureExpected ? kKAVCliKernelFailed : lineStatus;
    }
  }
  return status;
}

void KAVCliAddRunCommands(CLI::App& iApp, KAVCliContext& ioContext) {
  iApp.add_subcommand(
          "tour",
          "Walk through every family of the library on the current kernel")
      ->callback([&ioContext] { ioContext.status = TourCommand(ioContext); });
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
