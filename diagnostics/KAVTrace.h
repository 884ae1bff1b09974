// The one trace writer every operation prints through. Each call writes
// whole lines to standard output, each ended with std::endl (newline and
// flush), so a trace interleaves correctly with any other output.
//
// The texts themselves (titles, labels, dash counts, trailing blanks) stay
// in the operations that print them; this class only lays them out.
#ifndef KAVTrace_h
#define KAVTrace_h

#include "KAVUnicodeString.h"

class KAVListValKAVUnicodeString;

class KAVTrace {
 public:
  // A line holding one blank.
  static void Blank();
  // A line of iCount dashes.
  static void Dashes(int iCount);
  // A line holding iText as it stands.
  static void Text(const char* iText);
  static void Text(const KAVUnicodeString& iText);
  // Start banner: blank line, dashes, title, dashes.
  static void Open(int iDashes, const char* iTitle);
  // End banner: blank line, dashes, title, dashes, blank line.
  static void Close(int iDashes, const char* iTitle);
  // A labelled line: the label as given (it carries its own " : "), then
  // the value in decimal or as text.
  static void Line(const char* iLabel, int iValue);
  static void Line(const char* iLabel, double iValue);
  static void Line(const char* iLabel, const char* iValue);
  static void Line(const char* iLabel, const KAVUnicodeString& iValue);
  // A list in the list type's own stream form.
  static void Line(const char* iLabel,
                   const KAVListValKAVUnicodeString& iValue);
};

#endif
