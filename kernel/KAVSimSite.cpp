// The site-file reader shared by the reference kernel's families, and the
// check of the site directory itself.
#include "KAVSimSite.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "KAVSimKernel.h"

namespace kavsim {
namespace {

using nlohmann::json;

std::string Join(const std::string& iWhere, const std::string& iName) {
  return iWhere.empty() ? iName : iWhere + "." + iName;
}

// A short description of what was found, for messages: the type, and the
// value itself when it is a short scalar.
std::string Found(const json& iValue) {
  if (iValue.is_number() || iValue.is_boolean()) return iValue.dump();
  if (iValue.is_string()) return "a text";
  return iValue.is_null() ? "null" : std::string("an ") + iValue.type_name();
}

int HexDigit(char iDigit) {
  if (iDigit >= '0' && iDigit <= '9') return iDigit - '0';
  if (iDigit >= 'a' && iDigit <= 'f') return iDigit - 'a' + 10;
  if (iDigit >= 'A' && iDigit <= 'F') return iDigit - 'A' + 10;
  return -1;
}

// {"bytes": "<hex>"}: the form of a text that is not UTF-8.
bool IsBytesObject(const json& iValue) {
  return iValue.is_object() && iValue.size() == 1 && iValue.contains("bytes") &&
         iValue.find("bytes")->is_string();
}

bool DecodeHex(const std::string& iHex, std::string& oBytes) {
  if (iHex.size() % 2 != 0) return false;
  oBytes.clear();
  oBytes.reserve(iHex.size() / 2);
  for (size_t i = 0; i < iHex.size(); i += 2) {
    const int high = HexDigit(iHex[i]), low = HexDigit(iHex[i + 1]);
    if (high < 0 || low < 0) return false;
    oBytes.push_back(static_cast<char>(high * 16 + low));
  }
  return true;
}

// Strict UTF-8, as the JSON writer demands it: no overlong forms, no
// surrogates, nothing past U+10FFFF.
bool IsUtf8(const std::string& iBytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(iBytes.data());
  const auto* end = p + iBytes.size();
  while (p < end) {
    const unsigned char c = *p++;
    if (c < 0x80) continue;
    int more = 0;
    unsigned min = 0, code = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1, min = 0x80, code = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2, min = 0x800, code = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3, min = 0x10000, code = c & 0x07u;
    } else {
      return false;
    }
    if (end - p < more) return false;
    for (int k = 0; k < more; ++k) {
      if ((p[k] & 0xC0) != 0x80) return false;
      code = (code << 6) | (p[k] & 0x3Fu);
    }
    p += more;
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return false;
  }
  return true;
}

// The whole file, or why not: absent (ENOENT) is not an error.
enum class ReadResult { kRead, kAbsent, kUnreadable };

ReadResult ReadWhole(const std::string& iPath, std::string& oText,
                     std::string& oWhy) {
  const int fd = ::open(iPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return ReadResult::kAbsent;
    oWhy = std::strerror(errno);
    return ReadResult::kUnreadable;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    oWhy = S_ISDIR(info.st_mode) ? "it is a directory" : "it is not a file";
    ::close(fd);
    return ReadResult::kUnreadable;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      oWhy = std::strerror(errno);
      ::close(fd);
      return ReadResult::kUnreadable;
    }
    oText.append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  return ReadResult::kRead;
}

}  // namespace

// --- SiteValue --------------------------------------------------------------

bool SiteValue::IsText() const {
  return _value != nullptr && (_value->is_string() || IsBytesObject(*_value));
}

bool SiteValue::IsNumber() const {
  return _value != nullptr && _value->is_number();
}

bool SiteValue::Wrong(int iCode, const char* iExpected) const {
  std::string what =
      _value == nullptr
          ? std::string("missing, ") + iExpected + " is required"
          : std::string("expected ") + iExpected + ", found " + Found(*_value);
  if (iCode == KAVSIM_SITE_OUT_OF_RANGE && _value != nullptr)
    what = _value->dump() + " does not fit " + iExpected;
  _file->Error(iCode, _where, what);
  return false;
}

SiteValue SiteValue::Member(const char* iName) const {
  const std::string where = Join(_where, iName);
  if (_value == nullptr || !_value->is_object()) {
    if (_value != nullptr) Wrong(KAVSIM_SITE_WRONG_TYPE, "an object");
    return SiteValue(_file, nullptr, where);
  }
  const auto found = _value->find(iName);
  return SiteValue(_file, found == _value->end() ? nullptr : &*found, where);
}

size_t SiteValue::Size() const {
  if (_value == nullptr) return 0;
  if (!_value->is_array()) {
    Wrong(KAVSIM_SITE_WRONG_TYPE, "a list");
    return 0;
  }
  return _value->size();
}

SiteValue SiteValue::operator[](size_t iIndex) const {
  const std::string where = _where + "[" + std::to_string(iIndex) + "]";
  if (_value == nullptr || !_value->is_array() || iIndex >= _value->size())
    return SiteValue(_file, nullptr, where);
  return SiteValue(_file, &(*_value)[iIndex], where);
}

std::vector<std::pair<std::string, SiteValue>> SiteValue::Members() const {
  std::vector<std::pair<std::string, SiteValue>> members;
  if (_value == nullptr) return members;
  if (!_value->is_object()) {
    Wrong(KAVSIM_SITE_WRONG_TYPE, "an object");
    return members;
  }
  members.reserve(_value->size());
  for (auto it = _value->begin(); it != _value->end(); ++it)
    members.emplace_back(it.key(),
                         SiteValue(_file, &it.value(), Join(_where, it.key())));
  return members;
}

// Every conversion is checked before it is made: a double outside int
// range converted to int is undefined behaviour, not a large number.
bool SiteValue::IntegralInRange(int& oValue) const {
  if (_value->is_number_unsigned()) {
    const auto value = _value->get<json::number_unsigned_t>();
    if (value > static_cast<json::number_unsigned_t>(INT_MAX))
      return Wrong(KAVSIM_SITE_OUT_OF_RANGE, "an int");
    oValue = static_cast<int>(value);
    return true;
  }
  if (_value->is_number_integer()) {
    const auto value = _value->get<json::number_integer_t>();
    if (value < INT_MIN || value > INT_MAX)
      return Wrong(KAVSIM_SITE_OUT_OF_RANGE, "an int");
    oValue = static_cast<int>(value);
    return true;
  }
  if (_value->is_number_float()) {
    const double value = _value->get<double>();
    if (std::isfinite(value) && std::trunc(value) != value)
      return Wrong(KAVSIM_SITE_WRONG_TYPE, "a whole number");
    if (!(value >= INT_MIN && value <= INT_MAX))
      return Wrong(KAVSIM_SITE_OUT_OF_RANGE, "an int");
    oValue = static_cast<int>(value);
    return true;
  }
  return Wrong(KAVSIM_SITE_WRONG_TYPE, "a whole number");
}

int SiteValue::Int() const {
  int value = 0;
  if (_value == nullptr) Wrong(KAVSIM_SITE_WRONG_TYPE, "a whole number");
  return _value != nullptr && IntegralInRange(value) ? value : 0;
}

int SiteValue::Int(int iFallback) const {
  int value = 0;
  if (_value == nullptr) return iFallback;
  return IntegralInRange(value) ? value : iFallback;
}

double SiteValue::Double() const {
  if (_value == nullptr) Wrong(KAVSIM_SITE_WRONG_TYPE, "a number");
  return Double(0.0);
}

double SiteValue::Double(double iFallback) const {
  if (_value == nullptr) return iFallback;
  if (_value->is_number()) return _value->get<double>();
  if (_value->is_string()) {
    const std::string& text = _value->get_ref<const std::string&>();
    if (text == "NaN") return std::nan("");
    if (text == "Infinity") return HUGE_VAL;
    if (text == "-Infinity") return -HUGE_VAL;
  }
  Wrong(KAVSIM_SITE_WRONG_TYPE, "a number");
  return iFallback;
}

std::string SiteValue::Text() const {
  if (_value == nullptr) Wrong(KAVSIM_SITE_WRONG_TYPE, "a text");
  return Text(std::string());
}

std::string SiteValue::Text(const std::string& iFallback) const {
  if (_value == nullptr) return iFallback;
  if (_value->is_string()) return _value->get<std::string>();
  std::string bytes;
  if (IsBytesObject(*_value) &&
      DecodeHex(_value->find("bytes")->get_ref<const std::string&>(), bytes))
    return bytes;
  Wrong(KAVSIM_SITE_WRONG_TYPE, "a text");
  return iFallback;
}

// --- SiteFile ---------------------------------------------------------------

SiteFile::SiteFile(std::set<std::string>* ioReported, std::string iPath)
    : _reported(ioReported), _path(std::move(iPath)) {}

SiteValue SiteFile::Root() { return SiteValue(this, _document.get(), ""); }

void SiteFile::Error(int iCode, const std::string& iWhere,
                     const std::string& iWhat) {
  if (_code != KAVSIM_OK) return;
  _code = iCode;
  if (!_reported->insert(_path).second) return;
  std::fprintf(stderr, "KAVSYMB: site file %s: %s%s%s (code %d)\n",
               _path.c_str(), iWhere.c_str(), iWhere.empty() ? "" : ": ",
               iWhat.c_str(), iCode);
}

// The parser callback refuses a value deeper than kSiteMaxDepth as it
// starts, so its content is skipped without being built; the parser
// itself keeps its nesting in a heap stack, never on the call stack.
void SiteFile::Load() {
  std::string text, why;
  switch (ReadWhole(_path, text, why)) {
    case ReadResult::kAbsent:
      return;
    case ReadResult::kUnreadable:
      _exists = true;
      Error(KAVSIM_SITE_UNREADABLE, "", "cannot be read: " + why);
      return;
    case ReadResult::kRead:
      _exists = true;
      break;
  }
  bool tooDeep = false;
  const json::parser_callback_t limit =
      [&tooDeep](int iDepth, json::parse_event_t iEvent, json&) {
        if (iDepth < kSiteMaxDepth) return true;
        if (iEvent != json::parse_event_t::object_start &&
            iEvent != json::parse_event_t::array_start)
          return true;
        tooDeep = true;
        return false;
      };
  try {
    auto document = std::make_unique<json>(json::parse(text, limit));
    if (tooDeep) {
      Error(KAVSIM_SITE_TOO_DEEP, "",
            "nested deeper than " + std::to_string(kSiteMaxDepth) + " levels");
      return;
    }
    _document = std::move(document);
  } catch (const json::exception& error) {
    // "[json.exception.parse_error.101] parse error at line 1, ..."
    const char* what = std::strchr(error.what(), ']');
    Error(KAVSIM_SITE_SYNTAX, "", what != nullptr ? what + 2 : error.what());
  } catch (const std::exception& error) {
    Error(KAVSIM_SITE_UNREADABLE, "", error.what());
  }
}

// --- SiteFamily -------------------------------------------------------------

SiteFamily::SiteFamily(const char* iSubdirectory)
    : _subdirectory(iSubdirectory) {}

std::string SiteFamily::Directory() const {
  return SiteDirectory() + "/" + _subdirectory;
}

std::string SiteFamily::PathOf(const std::string& iName) const {
  return Directory() + "/" + iName;
}

SiteFile SiteFamily::Read(const std::string& iName) {
  SiteProblem();
  SiteFile file(&_reported, PathOf(iName));
  file.Load();
  return file;
}

// --- Writing ----------------------------------------------------------------

json SiteText(const std::string& iBytes) {
  if (IsUtf8(iBytes)) return iBytes;
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(iBytes.size() * 2);
  for (unsigned char byte : iBytes) {
    hex.push_back(kHex[byte >> 4]);
    hex.push_back(kHex[byte & 0x0F]);
  }
  return json{{"bytes", hex}};
}

json SiteDouble(double iValue) {
  if (std::isnan(iValue)) return "NaN";
  if (std::isinf(iValue)) return iValue > 0 ? "Infinity" : "-Infinity";
  return iValue;
}

// --- The site directory -----------------------------------------------------

const std::string& SiteProblem() {
  static std::string checked;
  static std::string problem;
  static bool done = false;
  const std::string& directory = SiteDirectory();
  if (done && checked == directory) return problem;
  done = true;
  checked = directory;
  problem.clear();
  struct stat info {};
  if (::stat(directory.c_str(), &info) != 0) {
    problem = "does not exist";
  } else if (!S_ISDIR(info.st_mode)) {
    problem = "is not a directory";
  } else if (DIR* entries = ::opendir(directory.c_str())) {
    problem = "is empty";
    while (const dirent* entry = ::readdir(entries)) {
      if (std::strcmp(entry->d_name, ".") != 0 &&
          std::strcmp(entry->d_name, "..") != 0) {
        problem.clear();
        break;
      }
    }
    ::closedir(entries);
  } else {
    problem = std::string("cannot be read: ") + std::strerror(errno);
  }
  if (!problem.empty())
    std::fprintf(stderr, "KAVSYMB: site directory %s %s\n", directory.c_str(),
                 problem.c_str());
  return problem;
}

}  // namespace kavsim
