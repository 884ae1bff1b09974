#include "KAVReplayJournal.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "KAVCallLog.h"

namespace kavreplay {

namespace {

bool Whole(const std::string& iWord, long long& oValue) {
  if (iWord.empty()) return false;
  size_t i = iWord[0] == '-' ? 1 : 0;
  if (i == iWord.size()) return false;
  for (size_t k = i; k < iWord.size(); ++k)
    if (iWord[k] < '0' || iWord[k] > '9') return false;
  errno = 0;
  oValue = std::strtoll(iWord.c_str(), nullptr, 10);
  return errno == 0;
}

// A quoted text of the text form: \" \\ and \xHH undone.
bool Unquote(const std::string& iWord, std::string& oBytes) {
  if (iWord.size() < 2 || iWord.front() != '"' || iWord.back() != '"')
    return false;
  oBytes.clear();
  for (size_t i = 1; i + 1 < iWord.size(); ++i) {
    const char c = iWord[i];
    if (c != '\\') {
      oBytes += c;
      continue;
    }
    if (++i + 1 >= iWord.size()) return false;
    if (iWord[i] == '"' || iWord[i] == '\\') {
      oBytes += iWord[i];
    } else if (iWord[i] == 'x' && i + 3 < iWord.size()) {
      char* end = nullptr;
      const std::string hex = iWord.substr(i + 1, 2);
      const long byte = std::strtol(hex.c_str(), &end, 16);
      if (end != hex.c_str() + 2) return false;
      oBytes += static_cast<char>(byte);
      i += 2;
    } else {
      return false;
    }
  }
  return true;
}

// The elements of "[a,b,...]": commas outside quotes split.
bool Elements(const std::string& iWord, std::vector<std::string>& oItems) {
  if (iWord.size() < 2 || iWord.front() != '[' || iWord.back() != ']')
    return false;
  bool quoted = false;
  std::string item;
  for (size_t i = 1; i + 1 < iWord.size(); ++i) {
    const char c = iWord[i];
    if (quoted && c == '\\') {
      item += c;
      item += iWord[++i];
      continue;
    }
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      oItems.push_back(item);
      item.clear();
    } else {
      item += c;
    }
  }
  if (!item.empty() || !oItems.empty()) oItems.push_back(item);
  return !quoted;
}

// A JSON string's characters back to the bytes the journal escaped: every
// byte outside printable ASCII was written as \u00HH, so no character is
// past U+00FF.
bool Bytes(const std::string& iUtf8, std::string& oBytes) {
  oBytes.clear();
  for (size_t i = 0; i < iUtf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(iUtf8[i]);
    if (c < 0x80) {
      oBytes += static_cast<char>(c);
    } else if ((c == 0xc2 || c == 0xc3) && i + 1 < iUtf8.size()) {
      const auto next = static_cast<unsigned char>(iUtf8[++i]);
      oBytes += static_cast<char>(((c & 0x03) << 6) | (next & 0x3f));
    } else {
      return false;
    }
  }
  return true;
}

bool FromJson(const nlohmann::json& iJson, Value& oValue) {
  oValue.shown =
      iJson.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  if (iJson.is_null()) {
    oValue.type = Value::kNull;
  } else if (iJson.is_number_integer()) {
    oValue.type = Value::kWhole;
    oValue.whole = iJson.get<long long>();
  } else if (iJson.is_number()) {
    oValue.type = Value::kReal;
    oValue.real = iJson.get<double>();
  } else if (iJson.is_string()) {
    oValue.type = Value::kText;
    if (!Bytes(iJson.get<std::string>(), oValue.bytes)) return false;
  } else if (iJson.is_array()) {
    oValue.type = Value::kList;
    for (const auto& item : iJson) {
      oValue.items.emplace_back();
      if (!FromJson(item, oValue.items.back()) ||
          oValue.items.back().type == Value::kList)
        return false;
    }
  } else {
    return false;
  }
  return true;
}

bool TextLine(const std::string& iLine, Call& oCall) {
  std::vector<std::string> words = kavcall::SplitLine(iLine);
  if (words.size() >= 2 && words.back() == "ns)")
    words.resize(words.size() - 2);
  long long thread = 1;
  if (!words.empty() && words.back().size() > 1 && words.back()[0] == '@') {
    if (!Whole(words.back().substr(1), thread) || thread < 2 ||
        thread > 1 << 30)
      return false;
    words.pop_back();
  }
  oCall.thread = static_cast<int>(thread);
  if (words.empty() || (oCall.row = kavcall::RowOf(words[0])) < 0) return false;
  const kavcall::Routine& routine = kavcall::kRoutines[oCall.row];
  const size_t arrow = 1 + static_cast<size_t>(kavcall::InputCount(routine));
  if (words.size() <= arrow || words[arrow] != "->") return false;
  size_t next = arrow + 1;
  oCall.hasCode = kavcall::HasCode(routine);
  if (oCall.hasCode &&
      (next >= words.size() || !ParseWord(words[next++], oCall.code) ||
       (oCall.code.type != Value::kWhole && oCall.code.type != Value::kNull)))
    return false;
  if (words.size() - next != static_cast<size_t>(kavcall::OutputCount(routine)))
    return false;
  for (size_t i = 1; i < words.size(); ++i) {
    if (i == arrow || (oCall.hasCode && i == arrow + 1)) continue;
    std::vector<Value>& values = i < arrow ? oCall.in : oCall.out;
    values.emplace_back();
    if (!ParseWord(words[i], values.back())) return false;
  }
  return true;
}

bool JsonLine(const std::string& iLine, Call& oCall) {
  const nlohmann::json line = nlohmann::json::parse(iLine, nullptr, false);
  if (!line.is_object() || !line.contains("routine") ||
      !line["routine"].is_string() ||
      (oCall.row = kavcall::RowOf(line["routine"].get<std::string>())) < 0)
    return false;
  const kavcall::Routine& routine = kavcall::kRoutines[oCall.row];
  const auto values = [&](const char* iKey, int iCount,
                          std::vector<Value>& oValues) {
    if (!line.contains(iKey) || !line[iKey].is_array() ||
        line[iKey].size() != static_cast<size_t>(iCount))
      return false;
    for (const auto& item : line[iKey]) {
      oValues.emplace_back();
      if (!FromJson(item, oValues.back())) return false;
    }
    return true;
  };
  if (!values("in", kavcall::InputCount(routine), oCall.in) ||
      !values("out", kavcall::OutputCount(routine), oCall.out))
    return false;
  oCall.hasCode = kavcall::HasCode(routine);
  if (oCall.hasCode &&
      (!line.contains("code") || !FromJson(line["code"], oCall.code) ||
       (oCall.code.type != Value::kWhole && oCall.code.type != Value::kNull)))
    return false;
  if (line.contains("thread")) {
    if (!line["thread"].is_number_integer()) return false;
    const long long thread = line["thread"].get<long long>();
    if (thread < 2 || thread > 1 << 30) return false;
    oCall.thread = static_cast<int>(thread);
  }
  return true;
}

// The format a header line names, or 0 when the line is no header.
int HeaderFormat(const std::string& iLine) {
  for (const char* header : {kavcall::kTextHeader, kavcall::kJsonHeader}) {
    const size_t length = std::strlen(header);
    if (iLine.compare(0, length, header) != 0) continue;
    std::string rest = iLine.substr(length);
    if (header == kavcall::kJsonHeader) {
      if (rest.empty() || rest.back() != '}') return 0;
      rest.pop_back();
    }
    long long format = 0;
    return Whole(rest, format) && format > 0 && format < 1 << 30
               ? static_cast<int>(format)
               : 0;
  }
  return 0;
}

}  // namespace

bool SameValue(const Value& iA, const Value& iB) {
  const bool aNumber = iA.type == Value::kWhole || iA.type == Value::kReal;
  const bool bNumber = iB.type == Value::kWhole || iB.type == Value::kReal;
  if (aNumber && bNumber) {
    if (iA.type == Value::kWhole && iB.type == Value::kWhole)
      return iA.whole == iB.whole;
    const double a = iA.type == Value::kWhole ? double(iA.whole) : iA.real;
    const double b = iB.type == Value::kWhole ? double(iB.whole) : iB.real;
    return a == b || (std::isnan(a) && std::isnan(b));
  }
  if (iA.type != iB.type) return false;
  if (iA.type == Value::kText) return iA.bytes == iB.bytes;
  if (iA.type != Value::kList) return true;
  if (iA.items.size() != iB.items.size()) return false;
  for (size_t i = 0; i < iA.items.size(); ++i)
    if (!SameValue(iA.items[i], iB.items[i])) return false;
  return true;
}

bool ParseWord(const std::string& iWord, Value& oValue) {
  oValue = Value();
  oValue.shown = iWord;
  if (iWord == "null") return true;
  if (iWord == "record") {
    oValue.type = Value::kUnknown;
    return true;
  }
  if (!iWord.empty() && iWord[0] == '"') {
    oValue.type = Value::kText;
    return Unquote(iWord, oValue.bytes);
  }
  if (!iWord.empty() && iWord[0] == '[') {
    oValue.type = Value::kList;
    std::vector<std::string> items;
    if (!Elements(iWord, items)) return false;
    for (const std::string& item : items) {
      oValue.items.emplace_back();
      if (!ParseWord(item, oValue.items.back()) ||
          oValue.items.back().type == Value::kList)
        return false;
    }
    return true;
  }
  if (Whole(iWord, oValue.whole)) {
    oValue.type = Value::kWhole;
    return true;
  }
  // %.17g, which also writes nan and inf.
  char* end = nullptr;
  oValue.real = std::strtod(iWord.c_str(), &end);
  oValue.type = Value::kReal;
  return !iWord.empty() && end == iWord.c_str() + iWord.size();
}

bool ReadJournal(const std::string& iFile, Journal& oJournal,
                 std::string& oWhy) {
  std::ifstream in(iFile);
  if (!in) {
    oWhy = std::string("cannot read it: ") + std::strerror(errno);
    return false;
  }
  oJournal.file = iFile;
  oJournal.calls.clear();
  std::string text;
  long number = 0;
  bool headed = false;
  while (std::getline(in, text)) {
    ++number;
    if (text.empty()) continue;
    const int format = HeaderFormat(text);
    if (!headed) {
      if (format == 0) {
        oWhy = "line " + std::to_string(number) +
               " is not a journal header: a journal written before "
               "format " +
               std::to_string(kavcall::kFormat) + " (or not a journal)";
        return false;
      }
      if (format != kavcall::kFormat) {
        oWhy = "a journal of format " + std::to_string(format) +
               "; this kernel replays format " +
               std::to_string(kavcall::kFormat);
        return false;
      }
      headed = true;
      continue;
    }
    if (format != 0) {
      oWhy = "line " + std::to_string(number) +
             " begins another journal: several runs wrote to this file, "
             "keep the lines of one";
      return false;
    }
    Call call;
    call.line = number;
    if (!(text[0] == '{' ? JsonLine(text, call) : TextLine(text, call))) {
      oWhy = "line " + std::to_string(number) + " is not a call line";
      return false;
    }
    oJournal.calls.push_back(std::move(call));
  }
  if (in.bad()) {
    oWhy = "cannot read it";
    return false;
  }
  if (!headed) {
    oWhy = "it is empty: no journal header";
    return false;
  }
  return true;
}

}  // namespace kavreplay
