// Fuzz target for the text helpers: comma splitting, FormatStr, the
// query-text helpers, the comparisons, the fixed-field and quoting helpers
// on buffers of exactly their contracted size (so that AddressSanitizer
// sees one byte too many), and the path helpers when the class has them.
//
// Input: byte 0 picks FormatStr's step and GetSelect's index, the rest is
// cut at newlines into a text, a pattern and an insert.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "KAVMfgUtilities.h"

namespace {

using U = KAVMfgUtilities;

void Check(bool iCondition) {
  if (!iCondition) std::abort();
}

bool IsOrder(int iValue) { return iValue >= -1 && iValue <= 1; }

template <typename T, typename = void>
struct HasAppendDir : std::false_type {};
template <typename T>
struct HasAppendDir<T, std::void_t<decltype(T::AppendDir(
                           std::declval<KAVUnicodeString&>(),
                           std::declval<const KAVUnicodeString&>()))>>
    : std::true_type {};

template <typename T, typename = void>
struct HasExpandPath : std::false_type {};
template <typename T>
struct HasExpandPath<T, std::void_t<decltype(T::ExpandPath(
                            std::declval<const KAVUnicodeString&>()))>>
    : std::true_type {};

// Called only where the helpers exist, so the target builds before the
// path helpers are there and picks them up once they are.
template <typename T>
void FuzzPaths(const KAVUnicodeString& iPath, const KAVUnicodeString& iDir) {
  if constexpr (HasAppendDir<T>::value) {
    KAVUnicodeString path(iPath);
    T::AppendDir(path, iDir);
  }
  if constexpr (HasExpandPath<T>::value) T::ExpandPath(iPath);
}

void FuzzFixedFields(const std::string& iText) {
  const int width = static_cast<int>(iText.size() % 97);
  std::vector<char> field(static_cast<size_t>(width) + 1);
  U::dmstrfc(field.data(), iText.c_str(), width);
  std::vector<char> back(static_cast<size_t>(width) + 1);
  U::dmstrcf(back.data(), field.data(), width);
  KAVUnicodeString stripped;
  U::ftostring(field.data(), width, stripped);

  const size_t length = std::strlen(iText.c_str());
  std::vector<char> quoted(2 * length + 3);
  U::dmqotqot(quoted.data(), iText.c_str());
  Check(U::qotqot(iText.c_str()) == KAVUnicodeString(quoted.data()));

  // dmobjtable's room: the name's length minus the owner's, plus 1.
  const char* point = std::strchr(iText.c_str(), '.');
  const size_t room = point == nullptr
                          ? 1
                          : length - static_cast<size_t>(point - iText.c_str());
  std::vector<char> object(room);
  U::dmobjtable(iText.c_str(), object.data());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* iData, size_t iSize) {
  if (iSize == 0) return 0;
  const int step = iData[0] % 8;  // 0 exercises the refused step
  const int index = iData[0] / 8 - 4;
  std::string rest(reinterpret_cast<const char*>(iData) + 1, iSize - 1);
  std::string parts[3];
  for (size_t i = 0, part = 0; i < rest.size(); ++i) {
    if (rest[i] == '\n' && part < 2)
      ++part;
    else
      parts[part] += rest[i];
  }
  const KAVUnicodeString text(parts[0]), pattern(parts[1]), insert(parts[2]);

  int count = 0;
  KAVUnicodeString* items = U::GetItems(text, &count);
  Check(count >= 1 && count <= U::kMaxItems);
  delete[] items;
  Check(U::GetItems(text).Size() == count);

  const KAVUnicodeString formatted = U::FormatStr(text, pattern, step, insert);
  Check(formatted.GetLengthInChar() >= text.GetLengthInChar());

  U::GetSelect(text, index);
  U::GetAtt(text);
  U::GetTable(text);
  U::GetTableList(text);
  U::GetWhere(text);
  U::ObjectOwner(text);
  U::ObjectTable(text);
  const int placeholder = U::IsCoidOrCompid(text);
  Check(placeholder == 0 || placeholder == 1 || placeholder == 2 ||
        placeholder == 11 || placeholder == 12 || placeholder == 21 ||
        placeholder == 22);
  U::GetDayOfWeek(text);
  U::stringtodouble(text);
  U::GetDisplayString(text);

  KAVUnicodeString first(text), second(pattern);
  Check(U::CompareStrings(&first, &first) == 0);
  Check(IsOrder(U::CompareStrings(&first, &second)));
  Check(IsOrder(U::CompareDecStrings(&first, &second)));
  char fieldA[U::kDecFieldWidth], fieldB[U::kDecFieldWidth];
  U::stringtof(text, U::kDecFieldWidth, fieldA);
  U::stringtof(pattern, U::kDecFieldWidth, fieldB);
  Check(IsOrder(U::CompareDecStrings(static_cast<const void*>(fieldA),
                                     static_cast<const void*>(fieldB))));

  FuzzFixedFields(parts[0]);
  FuzzPaths<U>(text, pattern);
  return 0;
}
