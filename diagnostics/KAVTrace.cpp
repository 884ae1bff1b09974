// Trace layout: blank lines, dashed lines, labelled values and the one
// banner layout.
#include "KAVTrace.h"

#include <iostream>
#include <string>

#include "KAVListValKAVUnicodeString.h"
#include "KAVMfgBaseAnalysisStatic.h"

void KAVTraceLine::Print() const {
  switch (_kind) {
    case Kind::kText:
      KAVTrace::Text(_label);
      break;
    case Kind::kInt:
      KAVTrace::Line(_label, _value.integer);
      break;
    case Kind::kDouble:
      KAVTrace::Line(_label, _value.real);
      break;
    case Kind::kChars:
      KAVTrace::Line(_label, _value.chars);
      break;
    case Kind::kString:
      KAVTrace::Line(_label, *_value.string);
      break;
    case Kind::kList:
      KAVTrace::Line(_label, *_value.list);
      break;
  }
}

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

namespace {

void PrintAll(std::initializer_list<KAVTraceLine> iLines) {
  for (const KAVTraceLine& line : iLines) line.Print();
}

}  // namespace

void KAVTrace::Open(const KAVOpening& iShape, const KAVTraceLine& iTitle,
                    std::initializer_list<KAVTraceLine> iLines) {
  const KAVBannerParts& parts = iShape.Parts();
  if (parts.blankBefore) Blank();
  if (parts.firstDashes >= 0) Dashes(parts.firstDashes);
  iTitle.Print();
  if (!parts.linesUnder) PrintAll(iLines);
  if (parts.secondDashes >= 0) Dashes(parts.secondDashes);
  if (parts.linesUnder) PrintAll(iLines);
  if (parts.blankAfter) Blank();
}

void KAVTrace::Close(const KAVClosing& iShape, const KAVTraceLine& iTitle,
                     std::initializer_list<KAVTraceLine> iLines) {
  CloseAbove(iShape);
  PrintAll(iLines);
  CloseBelow(iShape, iTitle);
}

void KAVTrace::CloseAbove(const KAVClosing& iShape) {
  const KAVBannerParts& parts = iShape.Parts();
  if (parts.blankBefore) Blank();
  if (parts.firstDashes >= 0) Dashes(parts.firstDashes);
}

void KAVTrace::CloseBelow(const KAVClosing& iShape,
                          const KAVTraceLine& iTitle) {
  const KAVBannerParts& parts = iShape.Parts();
  iTitle.Print();
  if (parts.secondDashes >= 0) Dashes(parts.secondDashes);
  if (parts.blankAfter) Blank();
}

KAVOperationTrace::KAVOperationTrace(const char* iClassKey)
    : _on(GetDebug(iClassKey) == 1) {}
