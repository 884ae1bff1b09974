// Text helpers, stdout capture, the fork helper and temporary directories.
#include "TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>

#include "KAVListValKAVUnicodeString.h"

namespace kavtest {

std::string Lines(std::initializer_list<std::string> iLines) {
  return Lines(std::vector<std::string>(iLines));
}

std::string Lines(const Strings& iLines) {
  std::string text;
  for (const std::string& line : iLines) text += line + "\n";
  return text;
}

Strings Items(const KAVListValKAVUnicodeString& iList) {
  Strings items;
  for (int i = 1; i <= iList.Size(); ++i) items.push_back(iList[i].ToStdString());
  return items;
}

std::string Dashes(int iCount) { return std::string(iCount, '-'); }

Strings Opening(int iDashes, const std::string& iTitle) {
  return {kBlank, Dashes(iDashes), iTitle, Dashes(iDashes)};
}

Strings Closing(int iDashes, const std::string& iTitle) {
  Strings lines = Opening(iDashes, iTitle);
  lines.push_back(kBlank);
  return lines;
}

std::string Block(std::initializer_list<Strings> iParts) { return Lines(Concat(iParts)); }

CoutCapture::CoutCapture() : _saved(std::cout.rdbuf(_captured.rdbuf())) {}

CoutCapture::~CoutCapture() { std::cout.rdbuf(_saved); }

std::string CoutCapture::Take() {
  std::string text = _captured.str();
  _captured.str(std::string());
  return text;
}

std::string ReadFile(const std::string& iPath) {
  std::ifstream in(iPath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string ProgramCommand(const std::string& iPath) { return KAV_TEST_EMULATOR "'" + iPath + "'"; }

std::string WithoutTimes(const std::string& iJournal) {
  return std::regex_replace(std::regex_replace(iJournal, std::regex(" \\([0-9]+ ns\\)\n"), "\n"),
                            std::regex(",\"ns\":[0-9]+\\}\n"), "}\n");
}

ChildResult RunShell(const std::string& iCommand) {
  ChildResult result;
  TempDir dir;
  const std::string errFile = dir.Path() + "/err";
  FILE* pipe = popen((iCommand + " 2>'" + errFile + "'").c_str(), "r");
  char buffer[4096];
  size_t read = 0;
  while (pipe && (read = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    result.out.append(buffer, read);
  const int status = pipe ? pclose(pipe) : -1;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.err = ReadFile(errFile);
  return result;
}

std::string TempTemplate(const std::string& iStem) {
  const char* directory = std::getenv("TMPDIR");
  return std::string(directory && *directory ? directory : "/tmp") + "/" + iStem + "-XXXXXX";
}

ChildResult RunInChild(const Environment& iEnv, const std::function<int()>& iScenario) {
  ChildResult result;
  std::string outName = TempTemplate("kavtest-out");
  std::string errName = TempTemplate("kavtest-err");
  int outFd = mkstemp(&outName[0]);
  int errFd = mkstemp(&errName[0]);
  if (outFd < 0 || errFd < 0) return result;
  std::cout.flush();
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    for (const auto& entry : iEnv) {
      if (entry.second)
        setenv(entry.first.c_str(), entry.second->c_str(), 1);
      else
        unsetenv(entry.first.c_str());
    }
    int status = iScenario();
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    _exit(status);
  }
  int waitStatus = 0;
  if (pid > 0) waitpid(pid, &waitStatus, 0);
  if (WIFEXITED(waitStatus))
    result.status = WEXITSTATUS(waitStatus);
  else if (WIFSIGNALED(waitStatus))
    result.status = 128 + WTERMSIG(waitStatus);
  close(outFd);
  close(errFd);
  result.out = ReadFile(outName);
  result.err = ReadFile(errName);
  unlink(outName.c_str());
  unlink(errName.c_str());
  return result;
}

TempDir::TempDir() {
  std::string name = TempTemplate("kavtest-dir");
  if (mkdtemp(&name[0]) != nullptr) _path = name;
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!_path.empty()) std::filesystem::remove_all(_path, ignored);
}

std::string TempDir::Write(const std::string& iName, const std::string& iContent) const {
  std::filesystem::path path = std::filesystem::path(_path) / iName;
  std::error_code ignored;
  std::filesystem::create_directories(path.parent_path(), ignored);
  std::ofstream out(path, std::ios::binary);
  out << iContent;
  return path.string();
}

std::string Padded(std::string iText, size_t iWidth) {
  iText.resize(iWidth, ' ');
  return iText;
}

Strings SplitLines(const std::string& iText) {
  Strings lines;
  std::istringstream in(iText);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

KAVListValKAVUnicodeString ListOf(const Strings& iItems) {
  KAVListValKAVUnicodeString list;
  for (const std::string& item : iItems) list.Append(KAVUnicodeString(item));
  return list;
}

KAVRawCollint IntsOf(std::initializer_list<int> iValues) {
  KAVRawCollint values(0);
  for (int value : iValues) values.Append(value);
  return values;
}

KAVRawColldouble DoublesOf(std::initializer_list<double> iValues) {
  KAVRawColldouble values(0);
  for (double value : iValues) values.Append(value);
  return values;
}

Strings Concat(std::initializer_list<Strings> iParts) {
  Strings lines;
  for (const Strings& part : iParts) lines.insert(lines.end(), part.begin(), part.end());
  return lines;
}

void ExpectFresh(const Environment& iEnv, const std::string& iExpected,
                 const std::function<std::string()>& iScenario) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        for (const auto& entry : iEnv)
          entry.second ? setenv(entry.first.c_str(), entry.second->c_str(), 1)
                       : unsetenv(entry.first.c_str());
        std::string out;
        {
          CoutCapture capture;
          const std::string returned = iScenario();
          out = capture.Take() + returned;
        }
        std::fputs(out.c_str(), stderr);
        std::fflush(stderr);
        _exit(0);
      },
      ::testing::ExitedWithCode(0), ::testing::Eq(iExpected));
}

// --- Kernel call logs, shared by the kernel suites ---------------------------

std::string CallLog(const Strings& iCalls, int iLastCode) {
  std::string log;
  for (size_t i = 0; i < iCalls.size(); ++i)
    log += iCalls[i] + " -> " + std::to_string(i + 1 == iCalls.size() ? iLastCode : 0) + "\n";
  return log;
}

}  // namespace kavtest
