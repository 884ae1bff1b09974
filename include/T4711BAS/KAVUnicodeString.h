// KAVUnicodeString: the application's string, and KAVStripMode.
//
// A character is one byte: a string holds any bytes, 0x80 and above and
// NUL included, and its length counts bytes. Case conversion is ASCII only;
// bytes outside a-z / A-Z are never changed. Positions count from 0.
//
// Ranges: an operation given (start, length) works on the characters at
// positions p with start <= p < start + length that exist in the string,
// so a range hanging over either end is cut to the string, a range wholly
// outside it is empty and a negative length is empty. Null C strings are
// the empty string. No operation throws or reads outside the string.
#ifndef KAVUnicodeString_h
#define KAVUnicodeString_h

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <type_traits>

#include "KAVPlatformExport.h"
#include "KAVUnicodeChar.h"

// Which ends Strip works on. Strip also takes the plain ints 1, 2 and 3.
enum KAVStripMode {
  KAVStripLeading = 1,   // at the start
  KAVStripTrailing = 2,  // at the end
  KAVStripBoth = 3       // at both ends
};

// Direction of SearchSubString. The library uses the forward mode 1.
enum KAVSearchMode {
  KAVSearchForward = 1,   // first match starting at or after start
  KAVSearchBackward = -1  // last match starting at or before start
};

class KAV_PLATFORM_API KAVUnicodeString {
 public:
  KAVUnicodeString() = default;
  // A null pointer gives the empty string.
  KAVUnicodeString(const char* iText);
  // Exactly iLength bytes from iText, NULs included. A null pointer or a
  // length of 0 or less gives the empty string.
  KAVUnicodeString(const char* iText, int iLength);
  explicit KAVUnicodeString(const std::string& iText) : _text(iText) {}
  KAVUnicodeString(const KAVUnicodeString&) = default;
  KAVUnicodeString(KAVUnicodeString&&) noexcept = default;
  KAVUnicodeString& operator=(const KAVUnicodeString&) = default;
  KAVUnicodeString& operator=(KAVUnicodeString&&) noexcept = default;
  // A null pointer gives the empty string.
  KAVUnicodeString& operator=(const char* iText);
  ~KAVUnicodeString() = default;

  // The characters, terminated by a NUL, valid while the string lives
  // unchanged. Never null. A string holding a NUL reads shorter as a C
  // string than GetLengthInChar says.
  operator const char*() const { return _text.c_str(); }
  const char* CastToCharPtr() const { return _text.c_str(); }
  // Writable form for kernel routines that take char*: the first
  // GetLengthInChar() bytes may be overwritten in place, the terminator not.
  char* CastToCharPtr() { return _text.data(); }
  const char* ConvertToChar() const { return _text.c_str(); }
  const std::string& ToStdString() const { return _text; }

  int GetLengthInChar() const { return static_cast<int>(_text.size()); }

  // The character at iPosition, or NUL when iPosition is outside the
  // string. A template so that any integer type is an exact match and wins
  // over the built-in subscript reached through the const char* conversion.
  template <typename Index,
            typename = std::enable_if_t<std::is_integral<Index>::value>>
  KAVUnicodeChar operator[](Index iPosition) const {
    return CharAt(static_cast<long long>(iPosition));
  }

  // Appends in place; each returns *this.
  KAVUnicodeString& Append(const KAVUnicodeString& iText);
  KAVUnicodeString& Append(const char* iText);
  KAVUnicodeString& Append(char iChar);
  KAVUnicodeString& operator+=(const KAVUnicodeString& iText) {
    return Append(iText);
  }
  KAVUnicodeString& operator+=(const char* iText) { return Append(iText); }
  KAVUnicodeString& operator+=(char iChar) { return Append(iChar); }

  // The characters of the range (iStart, iLength), cut to the string.
  [[nodiscard]] KAVUnicodeString SubString(int iStart, int iLength) const;

  // Position of the first occurrence of iText starting at or after iStart,
  // or -1. A negative iStart searches from 0; iStart past the end gives -1.
  // An empty iText is found at iStart when iStart <= length.
  int FindPosition(const KAVUnicodeString& iText, int iStart = 0) const;
  // iMode 1 (KAVSearchForward) is FindPosition. KAVSearchBackward gives the
  // last occurrence starting at or before iStart (iStart past the end
  // searches from the end; a negative iStart gives -1). Other modes give -1.
  int SearchSubString(const KAVUnicodeString& iText, int iStart = 0,
                      int iMode = KAVSearchForward) const;

  // Inserts iText before iPosition; iPosition is brought into 0..length
  // (below 0 inserts at the start, past the end appends). Returns *this.
  KAVUnicodeString& Insert(int iPosition, const KAVUnicodeString& iText);
  // Removes the range (iStart, iCount), cut to the string. Returns *this.
  KAVUnicodeString& Remove(int iStart, int iCount);
  // Replaces every occurrence of iOld by iNew, left to right: after a
  // replacement the search goes on after the inserted text, so overlapping
  // occurrences count once ("aaa", "aa" -> "b" gives "ba") and an iNew that
  // contains iOld is not replaced again. An empty iOld changes nothing.
  // Returns *this.
  KAVUnicodeString& ReplaceSubString(const KAVUnicodeString& iOld,
                                     const KAVUnicodeString& iNew);

  // ASCII case change in place; returns *this.
  KAVUnicodeString& ToUpper();
  KAVUnicodeString& ToLower();

  // Leaves exactly iLength characters (0 when negative), cutting or padding
  // on the right with iPad. iMode is accepted for the caller's 1; every mode
  // works on the right. Returns *this.
  KAVUnicodeString& Resize(int iLength, KAVUnicodeChar iPad = ' ',
                           int iMode = 1);

  // A copy without iChar at the start (mode 1), at the end (mode 2) or at
  // both ends (mode 3); every repetition of iChar there goes. Any other mode
  // gives an unchanged copy. The string itself is not changed.
  [[nodiscard]] KAVUnicodeString Strip(KAVStripMode iMode,
                                       KAVUnicodeChar iChar = ' ') const;
  [[nodiscard]] KAVUnicodeString Strip(int iMode,
                                       KAVUnicodeChar iChar = ' ') const;

 private:
  KAVUnicodeChar CharAt(long long iPosition) const;

  std::string _text;
};

// Exact, case-sensitive comparison of the bytes; a null C string equals the
// empty string.
KAV_PLATFORM_API bool operator==(const KAVUnicodeString& iLeft,
                                 const KAVUnicodeString& iRight);
KAV_PLATFORM_API bool operator==(const KAVUnicodeString& iLeft,
                                 const char* iRight);
KAV_PLATFORM_API bool operator==(const char* iLeft,
                                 const KAVUnicodeString& iRight);
KAV_PLATFORM_API bool operator!=(const KAVUnicodeString& iLeft,
                                 const KAVUnicodeString& iRight);
KAV_PLATFORM_API bool operator!=(const KAVUnicodeString& iLeft,
                                 const char* iRight);
KAV_PLATFORM_API bool operator!=(const char* iLeft,
                                 const KAVUnicodeString& iRight);

// Ordering by unsigned byte value, then length (for ordered containers).
// Declared so that `a < b` never falls back to comparing pointers through
// the const char* conversion.
KAV_PLATFORM_API bool operator<(const KAVUnicodeString& iLeft,
                                const KAVUnicodeString& iRight);
KAV_PLATFORM_API bool operator>(const KAVUnicodeString& iLeft,
                                const KAVUnicodeString& iRight);
KAV_PLATFORM_API bool operator<=(const KAVUnicodeString& iLeft,
                                 const KAVUnicodeString& iRight);
KAV_PLATFORM_API bool operator>=(const KAVUnicodeString& iLeft,
                                 const KAVUnicodeString& iRight);

// Concatenation; a null C string adds nothing.
KAV_PLATFORM_API KAVUnicodeString operator+(const KAVUnicodeString& iLeft,
                                            const KAVUnicodeString& iRight);
KAV_PLATFORM_API KAVUnicodeString operator+(const KAVUnicodeString& iLeft,
                                            const char* iRight);
KAV_PLATFORM_API KAVUnicodeString operator+(const char* iLeft,
                                            const KAVUnicodeString& iRight);
KAV_PLATFORM_API KAVUnicodeString operator+(const KAVUnicodeString& iLeft,
                                            char iRight);
// `text + 1` would otherwise compile as pointer arithmetic on the
// const char* conversion.
KAVUnicodeString operator+(const KAVUnicodeString&, int) = delete;

// Writes the characters as they are, all of them (embedded NULs included);
// honours the stream's width and fill like a std::string.
KAV_PLATFORM_API std::ostream& operator<<(std::ostream& ioStream,
                                          const KAVUnicodeString& iText);

namespace std {
template <>
struct hash<KAVUnicodeString> {
  size_t operator()(const KAVUnicodeString& iText) const noexcept {
    return hash<string>()(iText.ToStdString());
  }
};
}  // namespace std

#endif
