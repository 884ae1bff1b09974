// KAVToken: cuts a text into tokens, one call at a time.
#ifndef KAVToken_h
#define KAVToken_h

#include "KAVPlatformExport.h"
#include "KAVUnicodeString.h"

class KAV_PLATFORM_API KAVToken {
 public:
  // Keeps a copy of iText; the walk starts at its first character.
  explicit KAVToken(const KAVUnicodeString& iText);
  virtual ~KAVToken();

  // The next token: the separators at the current place are skipped (every
  // character of iSeparators is a separator, in the manner of strtok), then
  // the characters up to the next separator or the end make the token. So
  // "/a//b/" with "/" gives "a", "b", then "" for ever: empty components
  // are never returned, and the empty string means the text is used up.
  // An empty iSeparators gives the whole rest of the text as one token.
  KAVUnicodeString GetNextToken(const KAVUnicodeString& iSeparators);

 private:
  KAVUnicodeString _text;
  int _position = 0;
};

#endif
