// KAVUnicodeString and KAVUnicodeChar: one byte per character, a std::string
// inside.
#include "KAVUnicodeString.h"

#include <algorithm>
#include <ostream>
#include <string_view>

namespace {

// The part of [0, iSize) covered by the range (iStart, iLength), as a first
// position and a count. 64-bit arithmetic: iStart + iLength cannot overflow.
struct Range {
  std::size_t first;
  std::size_t count;
};

Range CutRange(std::size_t iSize, int iStart, int iLength) {
  const long long size = static_cast<long long>(iSize);
  const long long begin = std::max<long long>(iStart, 0);
  const long long end =
      std::min<long long>(static_cast<long long>(iStart) + iLength, size);
  if (iLength <= 0 || begin >= end) return {0, 0};
  return {static_cast<std::size_t>(begin),
          static_cast<std::size_t>(end - begin)};
}

std::string_view View(const char* iText) {
  return iText == nullptr ? std::string_view() : std::string_view(iText);
}

}  // namespace

std::ostream& operator<<(std::ostream& ioStream, const KAVUnicodeChar& iChar) {
  return ioStream << iChar.ToChar();
}

KAVUnicodeString::KAVUnicodeString(const char* iText) : _text(View(iText)) {}

KAVUnicodeString::KAVUnicodeString(const char* iText, int iLength) {
  if (iText != nullptr && iLength > 0)
    _text.assign(iText, static_cast<std::size_t>(iLength));
}

KAVUnicodeString& KAVUnicodeString::operator=(const char* iText) {
  // iText may point into this string's own characters: assign copes with
  // the overlap.
  _text.assign(View(iText));
  return *this;
}

KAVUnicodeChar KAVUnicodeString::CharAt(long long iPosition) const {
  if (iPosition < 0 || iPosition >= static_cast<long long>(_text.size()))
    return KAVUnicodeChar('\0');
  return KAVUnicodeChar(_text[static_cast<std::size_t>(iPosition)]);
}

KAVUnicodeString& KAVUnicodeString::Append(const KAVUnicodeString& iText) {
  _text.append(iText._text);
  return *this;
}

KAVUnicodeString& KAVUnicodeString::Append(const char* iText) {
  _text.append(View(iText));
  return *this;
}

KAVUnicodeString& KAVUnicodeString::Append(char iChar) {
  _text.push_back(iChar);
  return *this;
}

KAVUnicodeString KAVUnicodeString::SubString(int iStart, int iLength) const {
  const Range range = CutRange(_text.size(), iStart, iLength);
  return KAVUnicodeString(_text.substr(range.first, range.count));
}

int KAVUnicodeString::FindPosition(const KAVUnicodeString& iText,
                                   int iStart) const {
  const std::size_t from = static_cast<std::size_t>(std::max(iStart, 0));
  if (from > _text.size()) return -1;
  const std::size_t found = _text.find(iText._text, from);
  return found == std::string::npos ? -1 : static_cast<int>(found);
}

int KAVUnicodeString::SearchSubString(const KAVUnicodeString& iText, int iStart,
                                      int iMode) const {
  if (iMode == KAVSearchForward) return FindPosition(iText, iStart);
  if (iMode != KAVSearchBackward || iStart < 0) return -1;
  const std::size_t found =
      _text.rfind(iText._text, static_cast<std::size_t>(iStart));
  return found == std::string::npos ? -1 : static_cast<int>(found);
}

KAVUnicodeString& KAVUnicodeString::Insert(int iPosition,
                                           const KAVUnicodeString& iText) {
  const long long at =
      std::clamp<long long>(iPosition, 0, static_cast<long long>(_text.size()));
  _text.insert(static_cast<std::size_t>(at), iText._text);
  return *this;
}

KAVUnicodeString& KAVUnicodeString::Remove(int iStart, int iCount) {
  const Range range = CutRange(_text.size(), iStart, iCount);
  _text.erase(range.first, range.count);
  return *this;
}

KAVUnicodeString& KAVUnicodeString::ReplaceSubString(
    const KAVUnicodeString& iOld, const KAVUnicodeString& iNew) {
  if (iOld._text.empty()) return *this;
  // Built into a fresh string in one pass: linear in the length, and
  // iOld / iNew may be this very string without harm.
  const std::string oldText = iOld._text;
  const std::string newText = iNew._text;
  std::string result;
  result.reserve(_text.size());
  std::size_t from = 0;
  for (std::size_t found = _text.find(oldText); found != std::string::npos;
       found = _text.find(oldText, from)) {
    result.append(_text, from, found - from);
    result.append(newText);
    from = found + oldText.size();
  }
  result.append(_text, from, std::string::npos);
  _text.swap(result);
  return *this;
}

KAVUnicodeString& KAVUnicodeString::ToUpper() {
  for (char& c : _text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return *this;
}

KAVUnicodeString& KAVUnicodeString::ToLower() {
  for (char& c : _text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return *this;
}

KAVUnicodeString& KAVUnicodeString::Resize(int iLength, KAVUnicodeChar iPad,
                                           int /*iMode*/) {
  _text.resize(static_cast<std::size_t>(std::max(iLength, 0)), iPad.ToChar());
  return *this;
}

KAVUnicodeString KAVUnicodeString::Strip(KAVStripMode iMode,
                                         KAVUnicodeChar iChar) const {
  return Strip(static_cast<int>(iMode), iChar);
}

KAVUnicodeString KAVUnicodeString::Strip(int iMode,
                                         KAVUnicodeChar iChar) const {
  if (iMode != KAVStripLeading && iMode != KAVStripTrailing &&
      iMode != KAVStripBoth)
    return *this;
  const char c = iChar.ToChar();
  std::size_t first = 0;
  std::size_t last = _text.size();  // one past the last kept character
  if (iMode != KAVStripTrailing)
    while (first < last && _text[first] == c) ++first;
  if (iMode != KAVStripLeading)
    while (last > first && _text[last - 1] == c) --last;
  return KAVUnicodeString(_text.substr(first, last - first));
}

bool operator==(const KAVUnicodeString& iLeft, const KAVUnicodeString& iRight) {
  return iLeft.ToStdString() == iRight.ToStdString();
}

bool operator==(const KAVUnicodeString& iLeft, const char* iRight) {
  return std::string_view(iLeft.ToStdString()) == View(iRight);
}

bool operator==(const char* iLeft, const KAVUnicodeString& iRight) {
  return iRight == iLeft;
}

bool operator!=(const KAVUnicodeString& iLeft, const KAVUnicodeString& iRight) {
  return !(iLeft == iRight);
}

bool operator!=(const KAVUnicodeString& iLeft, const char* iRight) {
  return !(iLeft == iRight);
}

bool operator!=(const char* iLeft, const KAVUnicodeString& iRight) {
  return !(iRight == iLeft);
}

// std::string compares with char_traits<char>, which orders bytes as
// unsigned char: 0x80 and above sort after ASCII.
bool operator<(const KAVUnicodeString& iLeft, const KAVUnicodeString& iRight) {
  return iLeft.ToStdString() < iRight.ToStdString();
}

bool operator>(const KAVUnicodeString& iLeft, const KAVUnicodeString& iRight) {
  return iRight < iLeft;
}

bool operator<=(const KAVUnicodeString& iLeft, const KAVUnicodeString& iRight) {
  return !(iRight < iLeft);
}

bool operator>=(const KAVUnicodeString& iLeft, const KAVUnicodeString& iRight) {
  return !(iLeft < iRight);
}

KAVUnicodeString operator+(const KAVUnicodeString& iLeft,
                           const KAVUnicodeString& iRight) {
  KAVUnicodeString result(iLeft);
  result.Append(iRight);
  return result;
}

KAVUnicodeString operator+(const KAVUnicodeString& iLeft, const char* iRight) {
  KAVUnicodeString result(iLeft);
  result.Append(iRight);
  return result;
}

KAVUnicodeString operator+(const char* iLeft, const KAVUnicodeString& iRight) {
  KAVUnicodeString result(iLeft);
  result.Append(iRight);
  return result;
}

KAVUnicodeString operator+(const KAVUnicodeString& iLeft, char iRight) {
  KAVUnicodeString result(iLeft);
  result.Append(iRight);
  return result;
}

std::ostream& operator<<(std::ostream& ioStream,
                         const KAVUnicodeString& iText) {
  return ioStream << iText.ToStdString();
}
