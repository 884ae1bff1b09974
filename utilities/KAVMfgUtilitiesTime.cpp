// KAVMfgUtilities: timestamps, calendar helpers and the comparison
// functions handed to sorting routines. Uses the C library's shared
// broken-down time (localtime): single-threaded use only.
#include <cstring>
#include <ctime>

#include "KAVMfgUtilities.h"

namespace {

const char* const kTimestampFormat = "%Y-%m-%d-%H.%M.%S.000000";
// 26 characters and the terminator.
const int kTimestampBufferSize = 27;
// One digit and the terminator.
const int kWeekDayBufferSize = 2;

// Null pointers compare as the empty text.
const KAVUnicodeString& Text(const KAVUnicodeString* iText) {
  static const KAVUnicodeString empty;
  return iText == nullptr ? empty : *iText;
}

// The value of a "key,value" text: the part after the first comma when the
// comma is not in first position, without double quotes at either end.
KAVUnicodeString DecValue(const KAVUnicodeString& iText) {
  KAVUnicodeString value(iText);
  const int comma = value.FindPosition(",");
  if (comma > 0) value.Remove(0, comma + 1);
  return value.Strip(KAVStripBoth, '"');
}

}  // namespace

// strftime answers 0 and leaves the buffer undefined when the text would
// not fit (a year past 9999): then the result is empty.
KAVUnicodeString KAVMfgUtilities::GetCurTimeCDMFormat() {
  char buffer[kTimestampBufferSize];
  const time_t now = time(nullptr);
  const struct tm* local = localtime(&now);
  if (local == nullptr) return KAVUnicodeString();
  if (strftime(buffer, sizeof buffer, kTimestampFormat, local) == 0)
    return KAVUnicodeString();
  return KAVUnicodeString(buffer);
}

// Months other than February alternate 31/30 from January and again from
// August: m mod 2 with m folded back by 7 above July. The remainders are
// exact for negative years too (C's % keeps the sign, and only 0 is
// tested).
int KAVMfgUtilities::GetNumberOfDays(const int iYear, const int iMonth) {
  if (iMonth < 1 || iMonth > 12) return 0;
  if (iMonth != 2) {
    const int m = iMonth > 7 ? iMonth - 7 : iMonth;
    return 30 + m % 2;
  }
  if (iYear % 400 == 0) return 29;
  if (iYear % 100 == 0) return 28;
  if (iYear % 4 == 0) return 29;
  return 28;
}

// The daylight-saving flag is left to mktime (-1): a cleared flag would
// read a summer time as standard time and move it by an hour, across
// midnight for late evening times, and so change the day.
KAVUnicodeString KAVMfgUtilities::GetDayOfWeek(const KAVUnicodeString& iDate) {
  KAVUnicodeString day;
  if (iDate.Strip(KAVStripLeading, ' ').GetLengthInChar() == 0) return day;
  struct tm broken;
  std::memset(&broken, 0, sizeof broken);
  if (strptime(iDate.ConvertToChar(), kTimestampFormat, &broken) == nullptr)
    return day;
  broken.tm_isdst = -1;
  const time_t when = mktime(&broken);
  const struct tm* local = localtime(&when);
  if (local == nullptr) return day;
  broken = *local;
  char buffer[kWeekDayBufferSize];
  if (strftime(buffer, sizeof buffer, "%w", &broken) == 0) return day;
  day = buffer;
  return day;
}

// Positions 0 to the shorter length are compared, the terminator of the
// shorter text included, so a text that goes on compares against its
// partner's NUL. Both character forms hold at least that many bytes even
// with NULs inside the text.
int KAVMfgUtilities::CompareStrings(KAVUnicodeString* iFirst,
                                    KAVUnicodeString* iSecond) {
  const KAVUnicodeString& first = Text(iFirst);
  const KAVUnicodeString& second = Text(iSecond);
  const int firstLength = first.GetLengthInChar();
  const int secondLength = second.GetLengthInChar();
  const int shorter = firstLength < secondLength ? firstLength : secondLength;
  const char* a = first.ConvertToChar();
  const char* b = second.ConvertToChar();
  for (int i = 0; i <= shorter; ++i) {
    const signed char x = static_cast<signed char>(a[i]);
    const signed char y = static_cast<signed char>(b[i]);
    if (x == y) continue;
    // An ended first text sorts first even against a negative byte.
    if (i == firstLength) return -1;
    return x < y ? -1 : 1;
  }
  return 0;
}

int KAVMfgUtilities::CompareDecStrings(KAVUnicodeString* iFirst,
                                       KAVUnicodeString* iSecond) {
  KAVUnicodeString first = DecValue(Text(iFirst));
  KAVUnicodeString second = DecValue(Text(iSecond));
  return CompareStrings(&first, &second);
}

int KAVMfgUtilities::CompareDecStrings(const void* iFirst,
                                       const void* iSecond) {
  KAVUnicodeString first, second;
  ftostring(static_cast<const char*>(iFirst), kDecFieldWidth, first);
  ftostring(static_cast<const char*>(iSecond), kDecFieldWidth, second);
  return CompareDecStrings(&first, &second);
}
