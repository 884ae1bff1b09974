// KAVToken: strtok-like walk over a copy of the text.
#include "KAVToken.h"

#include <string>

KAVToken::KAVToken(const KAVUnicodeString& iText) : _text(iText) {}

KAVToken::~KAVToken() = default;

KAVUnicodeString KAVToken::GetNextToken(const KAVUnicodeString& iSeparators) {
  const std::string& text = _text.ToStdString();
  const std::string& separators = iSeparators.ToStdString();
  std::size_t begin = static_cast<std::size_t>(_position);
  if (!separators.empty()) begin = text.find_first_not_of(separators, begin);
  if (begin == std::string::npos || begin >= text.size()) {
    _position = static_cast<int>(text.size());
    return KAVUnicodeString();
  }
  std::size_t end = separators.empty() ? std::string::npos
                                       : text.find_first_of(separators, begin);
  if (end == std::string::npos) end = text.size();
  _position = static_cast<int>(end);
  return KAVUnicodeString(text.substr(begin, end - begin));
}
