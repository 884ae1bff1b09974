// KAVMfgUtilities: taking apart the text of SQL-like query statements.
// Keywords are found by exact, case-sensitive search of their upper-case
// form with a blank on each side; nothing is validated, so a statement in
// lower case simply has no keyword.
#include <cstring>

#include "KAVMfgUtilities.h"

namespace {

const char* const kFrom = " FROM ";
const int kFromLength = 6;
const char* const kWhere = " WHERE ";
const char* const kOrderBy = " ORDER BY ";
// GetAtt takes the statement to begin with "SELECT " and does not check it.
const int kAttributesStart = 7;

// Trailing ";" first, then blanks at both ends: "t ;" gives "t", while
// "t; " keeps its ";".
KAVUnicodeString StripTail(const KAVUnicodeString& iText) {
  return iText.Strip(KAVStripTrailing, ';').Strip(KAVStripBoth, ' ');
}

KAVUnicodeString Tail(const KAVUnicodeString& iText, int iStart) {
  return iText.SubString(iStart, iText.GetLengthInChar() - iStart);
}

}  // namespace

KAVUnicodeString KAVMfgUtilities::GetSelect(const KAVUnicodeString& iText,
                                            const int iIndex) {
  int position = 0;
  for (int k = 2; k <= iIndex; ++k) {
    const int separator = iText.FindPosition(";", position);
    if (separator < 0) return KAVUnicodeString();
    position = separator + 1;
  }
  const int end = iText.FindPosition(";", position);
  if (end < 0) return Tail(iText, position);
  return iText.SubString(position, end - position);
}

KAVUnicodeString KAVMfgUtilities::GetAtt(const KAVUnicodeString& iText) {
  const int from = iText.FindPosition(kFrom, kAttributesStart);
  if (from < 0) return KAVUnicodeString();
  return iText.SubString(kAttributesStart, from - kAttributesStart);
}

// The end keywords are searched from the start of the whole text: one that
// stands before " FROM " leaves an empty table part.
KAVUnicodeString KAVMfgUtilities::GetTable(const KAVUnicodeString& iText) {
  const int from = iText.FindPosition(kFrom);
  if (from < 0) return KAVUnicodeString();
  const int start = from + kFromLength;
  int end = iText.FindPosition(kWhere);
  if (end < 0) end = iText.FindPosition(kOrderBy);
  if (end < 0) end = iText.GetLengthInChar();
  return StripTail(iText.SubString(start, end - start));
}

KAVListValKAVUnicodeString KAVMfgUtilities::GetTableList(
    const KAVUnicodeString& iText) {
  KAVListValKAVUnicodeString items = GetItems(GetTable(iText));
  KAVListValKAVUnicodeString names(items.Size());
  for (int i = 1; i <= items.Size(); ++i) {
    const int blank = items[i].FindPosition(" ");
    names.Append(blank < 0 ? items[i] : items[i].SubString(0, blank));
  }
  return names;
}

// The keyword is kept: the result starts at the character after the blank
// in front of it.
KAVUnicodeString KAVMfgUtilities::GetWhere(const KAVUnicodeString& iText) {
  int found = iText.FindPosition(kWhere);
  if (found < 0) found = iText.FindPosition(kOrderBy);
  if (found < 0) return KAVUnicodeString();
  return StripTail(Tail(iText, found + 1));
}

KAVUnicodeString KAVMfgUtilities::ObjectOwner(const KAVUnicodeString& iName) {
  const int point = iName.FindPosition(".");
  KAVUnicodeString owner = point < 0 ? iName : iName.SubString(0, point);
  return owner.Strip(KAVStripTrailing, ' ');
}

KAVUnicodeString KAVMfgUtilities::ObjectTable(const KAVUnicodeString& iName) {
  const int point = iName.FindPosition(".");
  if (point < 0) return KAVUnicodeString();
  return Tail(iName, point + 1).Strip(KAVStripTrailing, ' ');
}

char* KAVMfgUtilities::dmobjtable(const char* iName, char* oText) {
  if (oText == nullptr) return oText;
  const char* point = iName == nullptr ? nullptr : std::strchr(iName, '.');
  if (point == nullptr) {
    oText[0] = '\0';
    return oText;
  }
  const size_t length = ::strlen(point + 1);
  std::memmove(oText, point + 1, length + 1);
  return oText;
}

// Each longer placeholder contains a shorter one ("$COID_REF" holds
// "$COID"), so the order of the table decides.
int KAVMfgUtilities::IsCoidOrCompid(const KAVUnicodeString& iText) {
  static const struct {
    const char* placeholder;
    int code;
  } kPlaceholders[] = {{"$COID_FATHER", 21}, {"$COMPID_FATHER", 22},
                       {"$COID_REF", 11},    {"$COMPID_REF", 12},
                       {"$COID", 1},         {"$COMPID", 2}};
  if (iText.GetLengthInChar() < 5) return 0;
  for (const auto& entry : kPlaceholders)
    if (iText.FindPosition(entry.placeholder) >= 0) return entry.code;
  return 0;
}
