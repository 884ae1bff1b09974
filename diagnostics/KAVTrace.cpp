// Trace layout: blank lines, dashed lines, banners and labelled values.
#include "KAVTrace.h"

#include <iostream>
#include <string>

#include "KAVListValKAVUnicodeString.h"

void KAVTrace::Blank() { std::cout << " " << std::endl; }

void KAVTrace::Dashes(int iCount) {
  std::cout << std::string(iCount > 0 ? iCount : 0, '-') << std::endl;
}

void KAVTrace::Text(const char* iText) {
  std::cout << (iText ? iText : "") << std::endl;
}

void KAVTrace::Text(const KAVUnicodeString& iText) {
  std::cout << iText << std::endl;
}

void KAVTrace::Open(int iDashes, const char* iTitle) {
  Blank();
  Dashes(iDashes);
  Text(iTitle);
  Dashes(iDashes);
}

void KAVTrace::Close(int iDashes, const char* iTitle) {
  Blank();
  Dashes(iDashes);
  Text(iTitle);
  Dashes(iDashes);
  Blank();
}

void KAVTrace::Line(const char* iLabel, int iValue) {
  std::cout << iLabel << iValue << std::endl;
}

void KAVTrace::Line(const char* iLabel, double iValue) {
  std::cout << iLabel << iValue << std::endl;
}

void KAVTrace::Line(const char* iLabel, const char* iValue) {
  std::cout << iLabel << (iValue ? iValue : "") << std::endl;
}

void KAVTrace::Line(const char* iLabel, const KAVUnicodeString& iValue) {
  std::cout << iLabel << iValue << std::endl;
}

void KAVTrace::Line(const char* iLabel,
                    const KAVListValKAVUnicodeString& iValue) {
  std::cout << iLabel << iValue << std::endl;
}
