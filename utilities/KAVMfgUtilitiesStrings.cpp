// KAVMfgUtilities: fixed-field and quoting helpers, comma splitting, text
// shaping for display and line reading. No kernel call, no trace, no state.
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "KAVMfgUtilities.h"

namespace {

// ReadLine's buffer: 1022 characters, room for a terminator, and one spare
// byte that getline never reaches.
const int kLineBufferSize = 1024;
const int kLineMaxLength = kLineBufferSize - 2;

}  // namespace

// A text shorter than the field is read only up to its terminator, a longer
// one only up to the width: an unterminated text of at least iWidth
// characters is therefore fine too.
char* KAVMfgUtilities::dmstrfc(char* oField, const char* iText,
                               const int iWidth) {
  if (oField == nullptr || iWidth < 1) return oField;
  std::memset(oField, ' ', static_cast<size_t>(iWidth));
  if (iText != nullptr) {
    size_t length = ::strnlen(iText, static_cast<size_t>(iWidth));
    std::memcpy(oField, iText, length);
  }
  return oField;
}

char* KAVMfgUtilities::stringtof(const KAVUnicodeString& iText,
                                 const int iWidth, char* oField) {
  return dmstrfc(oField, iText.ConvertToChar(), iWidth);
}

// The backward scan stops at character 0 whatever it holds, so a field of
// blanks keeps its first blank: callers rely on never getting "" back from
// a field.
void KAVMfgUtilities::dmstrcf(char* oText, const char* iField,
                              const int iWidth) {
  if (oText == nullptr) return;
  if (iWidth < 1) {
    oText[0] = '\0';
    return;
  }
  if (iField == nullptr) {
    oText[0] = ' ';
    oText[1] = '\0';
    return;
  }
  int last = iWidth - 1;
  while (last > 0 && iField[last] == ' ') --last;
  std::memmove(oText, iField, static_cast<size_t>(last) + 1);
  oText[last + 1] = '\0';
}

void KAVMfgUtilities::ftostring(const char* iField, const int iWidth,
                                KAVUnicodeString& oText) {
  oText = KAVUnicodeString(iField, iWidth).Strip(KAVStripBoth, ' ');
}

int KAVMfgUtilities::strlen(const char* iText) {
  return iText == nullptr ? 0 : static_cast<int>(::strlen(iText));
}

int KAVMfgUtilities::dmstrlen(const char* iText) { return strlen(iText); }

void KAVMfgUtilities::dmqotqot(char* oText, const char* iText) {
  if (oText == nullptr) return;
  char* out = oText;
  *out++ = '\'';
  for (const char* in = iText; in != nullptr && *in != '\0'; ++in) {
    if (*in == '\'') *out++ = '\'';
    *out++ = *in;
  }
  *out++ = '\'';
  *out = '\0';
}

KAVUnicodeString KAVMfgUtilities::qotqot(const KAVUnicodeString& iText) {
  KAVUnicodeString quoted(iText);
  quoted.ReplaceSubString("'", "''");
  return "'" + quoted + "'";
}

double KAVMfgUtilities::stringtodouble(const KAVUnicodeString& iText) {
  return std::atof(iText.ConvertToChar());
}

KAVUnicodeString KAVMfgUtilities::GetDisplayString(
    const KAVUnicodeString& iText) {
  const int length = iText.GetLengthInChar();
  if (length == 0) return KAVUnicodeString();
  KAVUnicodeString first = iText.SubString(0, 1);
  KAVUnicodeString rest = iText.SubString(1, length - 1);
  first.ToUpper();
  rest.ToLower();
  return first + rest;
}

// The bound is the length of the text as given, not of the growing copy:
// matches that the insertions push past it are left alone. The search
// position grows by at least 1 each turn, so the loop ends even when the
// insert contains the pattern or the pattern is empty.
KAVUnicodeString KAVMfgUtilities::FormatStr(const KAVUnicodeString& iText,
                                            const KAVUnicodeString& iPattern,
                                            const int iStep,
                                            const KAVUnicodeString& iInsert) {
  KAVUnicodeString result(iText);
  if (iStep < 1) return result;
  const int givenLength = iText.GetLengthInChar();
  int position = iStep;
  while (position < givenLength) {
    const int found = result.FindPosition(iPattern, position);
    if (found < 0) break;
    result.Insert(found + 1, iInsert);
    position = found + iStep;
  }
  return result;
}

// With no comma at all the whole text is the single item; after the last
// comma the rest is one more item even when empty ("a," gives "a" and "").
// Blanks go first so that a quoted item keeps the blanks inside its quotes.
KAVUnicodeString* KAVMfgUtilities::GetItems(const KAVUnicodeString& iText,
                                            int* oCount) {
  KAVUnicodeString* items = new KAVUnicodeString[kMaxItems];
  int count = 0;
  int position = 0;
  while (count < kMaxItems) {
    const int comma = iText.FindPosition(",", position);
    if (comma >= 0) {
      items[count++] = iText.SubString(position, comma - position);
      position = comma + 1;
    } else {
      items[count] =
          count == 0
              ? iText
              : iText.SubString(position, iText.GetLengthInChar() - position);
      ++count;
      break;
    }
  }
  for (int i = 0; i < count; ++i)
    items[i] = items[i].Strip(KAVStripBoth, ' ').Strip(KAVStripBoth, '"');
  if (oCount != nullptr) *oCount = count;
  return items;
}

KAVListValKAVUnicodeString KAVMfgUtilities::GetItems(
    const KAVUnicodeString& iText) {
  int count = 0;
  KAVUnicodeString* items = GetItems(iText, &count);
  KAVListValKAVUnicodeString list(count);
  for (int i = 0; i < count; ++i) list.Append(items[i]);
  delete[] items;
  return list;
}

// getline into the fixed buffer sets failbit when a line does not fit; that
// bit is cleared again (the stream has not ended) so that the next call
// reads on where this one stopped instead of failing for good. A stream
// that cannot be read at all answers 0, so a read loop always ends.
int KAVMfgUtilities::ReadLine(std::ifstream& ioStream,
                              KAVUnicodeString& oLine) {
  char buffer[kLineBufferSize];
  buffer[0] = '\0';
  if (!ioStream.good()) {
    oLine = KAVUnicodeString();
    return 0;
  }
  ioStream.getline(buffer, kLineMaxLength + 1, '\n');
  oLine = KAVUnicodeString(buffer, static_cast<int>(::strlen(buffer)));
  if (ioStream.eof()) return 0;
  if (ioStream.fail()) {
    if (ioStream.gcount() < kLineMaxLength) return 0;
    ioStream.clear();
  }
  return 1;
}
