// KAVUnicodeChar: one character of a KAVUnicodeString. A character is one
// byte; any byte value, 0x80 and above included, is kept as given.
#ifndef KAVUnicodeChar_h
#define KAVUnicodeChar_h

#include <iosfwd>

#include "KAVPlatformExport.h"

class KAV_PLATFORM_API KAVUnicodeChar {
 public:
  // Both conversions are implicit on purpose: `iText[0] == 'a'` and
  // `char c = iText[i]` compare and copy plain chars. No operator== is
  // declared, since one would make such comparisons ambiguous.
  KAVUnicodeChar(char iChar = '\0') : _char(iChar) {}
  operator char() const { return _char; }
  char ToChar() const { return _char; }

 private:
  char _char;
};

// Writes the character itself (one byte).
KAV_PLATFORM_API std::ostream& operator<<(std::ostream& ioStream,
                                          const KAVUnicodeChar& iChar);

#endif
