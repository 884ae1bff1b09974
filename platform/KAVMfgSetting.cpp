// KAVMfgSetting: integer settings from one "key = value" file per group.
#include "KAVMfgSetting.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

const char kBlanks[] = " \t\r";

std::string Trim(const std::string& iText) {
  const std::size_t first = iText.find_first_not_of(kBlanks);
  if (first == std::string::npos) return std::string();
  const std::size_t last = iText.find_last_not_of(kBlanks);
  return iText.substr(first, last - first + 1);
}

// A whole decimal int, optional sign, nothing else; false when out of range
// or not a number.
bool ParseInt(const std::string& iText, int& oValue) {
  if (iText.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(iText.c_str(), &end, 10);
  if (end == iText.c_str() || *end != '\0' || errno == ERANGE ||
      value < INT_MIN || value > INT_MAX)
    return false;
  oValue = static_cast<int>(value);
  return true;
}

}  // namespace

KAVMfgSetting::~KAVMfgSetting() = default;

KAVUnicodeString KAVMfgSetting::GetStoreDirectory() {
  const char* settingPath = std::getenv("KAVUserSettingPath");
  if (settingPath != nullptr && settingPath[0] != '\0')
    return KAVUnicodeString(settingPath);
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') return KAVUnicodeString();
  return KAVUnicodeString(home) + "/.kavsettings";
}

int KAVMfgSetting::ReadSetting(const KAVUnicodeString& iKey, int* oValue,
                               const KAVUnicodeString& iGroup) {
  if (oValue == nullptr) return SettingNoCell;
  const KAVUnicodeString directory = GetStoreDirectory();
  if (directory.GetLengthInChar() == 0) return SettingMissing;
  std::ifstream store(
      (directory + "/" + iGroup + ".txt").ToStdString().c_str());
  if (!store) return SettingMissing;
  const std::string key = iKey.ToStdString();
  bool seen = false;
  std::string lastValue;
  std::string line;
  while (std::getline(store, line)) {
    const std::string text = Trim(line);
    if (text.empty() || text[0] == '#') continue;
    const std::size_t equal = text.find('=');
    if (equal == std::string::npos) continue;
    if (Trim(text.substr(0, equal)) != key) continue;
    seen = true;
    lastValue = Trim(text.substr(equal + 1));
  }
  if (!seen) return SettingMissing;
  int value = 0;
  if (!ParseInt(lastValue, value)) return SettingMalformed;
  *oValue = value;
  return SettingFound;
}
