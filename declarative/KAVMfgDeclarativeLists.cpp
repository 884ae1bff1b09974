// KAVMfgDeclarative: the customization lists of the site (transition
// paths, standard macros, unwanted, possible, default and resource-list
// attributes, tool classes). Every kernel call takes _ErrorNumber as its
// code, so it ends holding the last one.
#include <string>

#include "KAVKernelList.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgDeclarative.h"
#include "KAVMfgDeclarativeForms.h"
#include "KAVTrace.h"

using namespace kavdeclarative;

namespace {

// The kernel's answer when nothing is defined for what was asked.
constexpr int kNothingDefined = 9550;

// GetDefaultAttributes, GetResListAttributes and GetToolClasses append an
// entry per record the count names without looking at the read codes, a
// failed read giving a blank entry. A kernel list holds only records the
// kernel can read back, so past this many records a failing read means the
// count was wrong, and the reading stops there: a real list of any length
// is still read whole, and a kernel that claims two billion records and
// answers none cannot fill memory or hold the caller for minutes.
constexpr int kMostUncheckedReads = 4096;

// Records 1..iCount of a list of iWidth-character texts appended to ioOut,
// stripped, and traced under iLabel, the read codes not looked at (up to
// kMostUncheckedReads records, as above). oIer keeps the last read's code.
void AppendUnchecked(const KAVOperationTrace& iTrace, const char* iLabel,
                     int& ioList, int iCount, int iWidth,
                     KAVListValKAVUnicodeString& ioOut, int& oIer) {
  for (int i = 1; i <= iCount; ++i) {
    const KAVUnicodeString text =
        KAVKernelList::ReadText(ioList, i, iWidth, oIer);
    if (oIer != 0 && i > kMostUncheckedReads) break;
    ioOut.Append(text);
    iTrace.Line(iLabel, text);
  }
}

// Reads record i of the three lists of a transition-path reader into the
// caller's lists, tracing each; false at the first failing read, which
// leaves the lists it had not reached unappended.
bool ReadPathEntry(int& ioPaths, int& ioMacros, int& ioNlsMacros, int iIndex,
                   const KAVOperationTrace& iTrace,
                   KAVListValKAVUnicodeString& oPaths,
                   KAVListValKAVUnicodeString& oMacroNames,
                   KAVListValKAVUnicodeString& oNlsMacroNames, int& oIer) {
  const KAVUnicodeString path =
      KAVKernelList::ReadText(ioPaths, iIndex, kPathItemWidth, oIer);
  if (oIer != 0) return false;
  oPaths.Append(path);
  iTrace.Blank();
  iTrace.Line("indice : ", iIndex);
  iTrace.Line("Path   : ", path);
  return KAVKernelList::AppendText(iTrace, "MacroName : ", ioMacros, iIndex,
                                   kMacroNameWidth, oMacroNames, oIer) &&
         KAVKernelList::AppendText(iTrace, "NlsMacroName : ", ioNlsMacros,
                                   iIndex, kNlsNameWidth, oNlsMacroNames, oIer);
}

// What tells the two transition-path readers apart besides their routine:
// their trace texts.
struct PathTexts {
  int startDashes;
  const char* startTitle;
  const char* codeLabel;
  const char* okText;
  const char* endTitle;
};

// GetTransitionPaths and GetStandardMacros: the three-list reader.
// iOpen converts the reader's inputs and calls its routine (GNFLTP,
// GNFLMC) with the three handles and the error number.
//
// Relies on: the routine opens three lists of one record per transition;
// only the first is asked for the count. A failure returns at once and
// leaves every list open; after success entry k of each output is
// transition k.
template <typename OpenLists>
void ReadPaths(const KAVOperationTrace& iTrace, const PathTexts& iTexts,
               const OpenLists& iOpen, KAVListValKAVUnicodeString& oPaths,
               KAVListValKAVUnicodeString& oMacroNames,
               KAVListValKAVUnicodeString& oNlsMacroNames, int& ioErrorNumber) {
  iTrace.Open(KAVOpening::Listed(iTexts.startDashes), iTexts.startTitle);
  int paths = 0, macros = 0, nlsMacros = 0;
  iOpen(paths, macros, nlsMacros);
  iTrace.Line(iTexts.codeLabel, ioErrorNumber);
  if (ioErrorNumber != 0) return;
  iTrace.Text(iTexts.okText);
  int width = 0, count = 0;
  KAVKernelList::Info(paths, width, count, ioErrorNumber);
  if (ioErrorNumber != 0) return;
  for (int i = 1; i <= count; ++i)
    if (!ReadPathEntry(paths, macros, nlsMacros, i, iTrace, oPaths, oMacroNames,
                       oNlsMacroNames, ioErrorNumber))
      return;
  iTrace.Text("transfert information, ok");
  if (!KAVKernelList::EndInOrder({&paths, &macros, &nlsMacros}, ioErrorNumber))
    return;
  iTrace.Close(KAVClosing::Framed(23), iTexts.endTitle);
}

// 9550 from GNFRLA or GNFRVA: an answer, not a failure. The code is
// cleared here and in the kernel (GUERJO), and iText printed under a line
// of 33 dashes; no list was opened.
void ClearNothingDefined(const KAVOperationTrace& iTrace, const char* iText,
                         int& oErrorNumber) {
  oErrorNumber = 0;
  GUERJO();
  iTrace.Dashes(33);
  iTrace.Text(iText);
}

}  // namespace

void KAVMfgDeclarative::GetTransitionPaths(
    KAVListValKAVUnicodeString& oPaths, KAVListValKAVUnicodeString& oMacroNames,
    KAVListValKAVUnicodeString& oNlsMacroNames) {
  ReadPaths(
      KAVOperationTrace(Traced()),
      {25, "GetTransitionPaths, start",
       "gnfltp(ier) : ", "read transtion paths, ok", "GetTransitionPaths, end"},
      [](int& ioPaths, int& ioMacros, int& ioNlsMacros) {
        GNFLTP(&ioPaths, &ioMacros, &ioNlsMacros, &_ErrorNumber);
      },
      oPaths, oMacroNames, oNlsMacroNames, _ErrorNumber);
}

// The names are padded or cut, never stripped: leading blanks reach the
// kernel.
void KAVMfgDeclarative::GetStandardMacros(
    const KAVUnicodeString& iClassName, const KAVUnicodeString& iMacroKey,
    KAVListValKAVUnicodeString& oPaths, KAVListValKAVUnicodeString& oMacroNames,
    KAVListValKAVUnicodeString& oNlsMacroNames) {
  ReadPaths(
      KAVOperationTrace(Traced()),
      {24, "GetStandardMacros, start",
       "gnflmc(ier) : ", "read standard macros, ok", "GetStandardMacros, end"},
      [&](int& ioPaths, int& ioMacros, int& ioNlsMacros) {
        KAVKernelField className(iClassName, kClassWidth);
        KAVKernelField macroKey(iMacroKey, kMacroKeyWidth);
        GNFLMC(className.Data(), macroKey.Data(), &ioPaths, &ioMacros,
               &ioNlsMacros, &_ErrorNumber);
      },
      oPaths, oMacroNames, oNlsMacroNames, _ErrorNumber);
}

// Relies on: GNFRLA answers 9550 for a class with nothing defined. That
// is an answer, not a failure: the code is cleared here and in the
// kernel (GUERJO), and no list was opened.
void KAVMfgDeclarative::GetUnwantedAttributes(
    const KAVUnicodeString& iClassName,
    KAVListValKAVUnicodeString& oAttributes) {
  const KAVOperationTrace trace(Traced());
  trace.Open(KAVOpening::Listed(24), "GetUnwantedAttributes, start");
  KAVKernelField className(iClassName, kClassWidth);
  int attributes = 0;
  GNFRLA(className.Data(), &attributes, &_ErrorNumber);
  trace.Line("gnfrla(ier) : ", _ErrorNumber);
  if (_ErrorNumber == kNothingDefined) {
    ClearNothingDefined(trace, "Unwanted Attribute, none define", _ErrorNumber);
    return;
  }
  if (_ErrorNumber != 0) return;
  trace.Text("read unwanted attributes, ok");
  int width = 0, count = 0;
  KAVKernelList::Info(attributes, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  for (int i = 1; i <= count; ++i) {
    const KAVUnicodeString name = KAVKernelList::ReadText(
        attributes, i, kListAttributeWidth, _ErrorNumber);
    if (_ErrorNumber != 0) return;
    oAttributes.Append(name);
    trace.Blank();
    trace.Line("indice : ", i);
    trace.Line("Attribute : ", name);
  }
  trace.Text("transfert information, ok");
  KAVKernelList::End(attributes, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Close(KAVClosing::Framed(23), "GetUnwantedAttributes, end");
}

// Relies on: GNFRVA opens a list of values of the kind iType names and a
// parallel list of national names; the count comes from the values. The
// national name of an entry is read before its value, so a value of an
// unknown type leaves one name appended; that case is reported whatever
// the trace switch says, and both lists stay open.
void KAVMfgDeclarative::GetPossibleValues(
    const KAVUnicodeString& iClassName, const KAVUnicodeString& iAttributeName,
    const int& iType, KAVRawCollint& oIntValues, KAVRawColldouble& oRealValues,
    KAVListValKAVUnicodeString& oTextValues,
    KAVListValKAVUnicodeString& oNlsNames) {
  const KAVOperationTrace trace(Traced());
  trace.Open(KAVOpening::Listed(24), "GetPossibleValues, start");
  KAVKernelField className(iClassName, kClassWidth);
  KAVKernelField attributeName(iAttributeName, kAttributeNameWidth);
  // The kernel gets a copy: the type that chooses the output below is the
  // caller's, whatever the kernel does with its argument.
  int type = iType;
  int values = 0, names = 0;
  GNFRVA(className.Data(), attributeName.Data(), &type, &values, &names,
         &_ErrorNumber);
  trace.Line("gnfrva(ier) : ", _ErrorNumber);
  if (_ErrorNumber == kNothingDefined) {
    ClearNothingDefined(trace, "read possibles values, not define",
                        _ErrorNumber);
    return;
  }
  if (_ErrorNumber != 0) return;
  trace.Text("read possibles values, ok");
  int width = 0, count = 0;
  KAVKernelList::Info(values, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  const KAVValueKind kind = KAVValueKindOfType(iType);
  for (int i = 1; i <= count; ++i) {
    const KAVUnicodeString nlsName =
        KAVKernelList::ReadText(names, i, kNlsNameWidth, _ErrorNumber);
    if (_ErrorNumber != 0) return;
    oNlsNames.Append(nlsName);
    trace.Blank();
    trace.Line("indice : ", i);
    trace.Line("NlsName : ", nlsName);
    if (kind == KAVValueKind::kNone) {
      KAVTrace::Text("");
      KAVTrace::Text("!!!!!!!!!!!!!!!!!!!!!!!");
      KAVTrace::Line(" Wrong type for Attribute :", iAttributeName);
      KAVTrace::Line(" type found :", iType);
      KAVTrace::Text("!!!!!!!!!!!!!!!!!!!!!!!");
      KAVTrace::Text("");
      return;
    }
    KAVKernelValue value = KAVKernelList::ReadValue(
        values, i, kind, kTextValueWidth, _ErrorNumber, true);
    if (_ErrorNumber != 0) return;
    if (kind == KAVValueKind::kText) value.text.Resize(kTextValueWidth, ' ');
    value.AppendTo(oIntValues, oRealValues, oTextValues);
    if (!trace) continue;
    switch (kind) {
      case KAVValueKind::kInt:
        KAVTrace::Blank();
        KAVTrace::Line("indice : ", i);
        KAVTrace::Line("i4val : ", value.intValue);
        break;
      case KAVValueKind::kDouble:
        KAVTrace::Blank();
        KAVTrace::Line("indice : ", i);
        KAVTrace::Line("r8val : ", value.doubleValue);
        break;
      case KAVValueKind::kText:
        KAVTrace::Text("++++++++ ");
        KAVTrace::Line("indice : ", i);
        KAVTrace::Text("ValName : " + value.text + ".");
        break;
      case KAVValueKind::kNone:
        break;
    }
  }
  trace.Text("transfert information, ok");
  if (!KAVKernelList::EndInOrder({&values, &names}, _ErrorNumber)) return;
  trace.Close(KAVClosing::Framed(23), "GetPossibleValues, end");
}

namespace {

using AttributeRoutine = void (*)(char*, int*, int*);

// GetDefaultAttributes and GetResListAttributes: one routine, one list of
// 16-character names that is read without looking at the read codes (up
// to kMostUncheckedReads records) and never ended (the kernel keeps it).
KAVListValKAVUnicodeString* ReadAttributeList(
    AttributeRoutine iRoutine, const KAVUnicodeString& iClassName,
    const KAVOperationTrace& iTrace, const char* iStartTitle,
    const char* iCodeLabel, const char* iEndTitle, int& ioErrorNumber) {
  iTrace.Open(KAVOpening::Listed(27), iStartTitle, {{"Class : ", iClassName}});
  KAVListValKAVUnicodeString* result = new KAVListValKAVUnicodeString;
  KAVKernelField className(iClassName, kClassWidth);
  int attributes = 0;
  iRoutine(className.Data(), &attributes, &ioErrorNumber);
  iTrace.Line(iCodeLabel, ioErrorNumber);
  if (ioErrorNumber != 0) return result;
  int width = 0, count = 0;
  KAVKernelList::Info(attributes, width, count, ioErrorNumber);
  if (ioErrorNumber != 0) return result;
  iTrace.Line("nb att : ", count);
  AppendUnchecked(iTrace, "att : ", attributes, count, kListAttributeWidth,
                  *result, ioErrorNumber);
  iTrace.Close(KAVClosing::Framed(25), iEndTitle);
  return result;
}

}  // namespace

KAVListValKAVUnicodeString* KAVMfgDeclarative::GetDefaultAttributes(
    const KAVUnicodeString& iClassName) {
  return ReadAttributeList(&GNFRDA, iClassName, KAVOperationTrace(Traced()),
                           "GetDefaultAttributes, start",
                           "ier (gnfrda) : ", "GetDefaultAttributes, end",
                           _ErrorNumber);
}

KAVListValKAVUnicodeString* KAVMfgDeclarative::GetResListAttributes(
    const KAVUnicodeString& iClassName) {
  return ReadAttributeList(&GNDRDA, iClassName, KAVOperationTrace(Traced()),
                           "GetResListAttributes, start",
                           "ier (gndrda) : ", "GetResListAttributes, end",
                           _ErrorNumber);
}

// Relies on: GNFRTL opens one list of 72-character class names. Read
// codes are not looked at (up to kMostUncheckedReads records); the list
// is ended after the loop and only a failing end drops the closing lines.
KAVListValKAVUnicodeString* KAVMfgDeclarative::GetToolClasses(
    const KAVUnicodeString& iClassName) {
  const KAVOperationTrace trace(Traced());
  trace.Open(KAVOpening::Listed(21), "GetToolClasses, start");
  KAVListValKAVUnicodeString* result = new KAVListValKAVUnicodeString;
  KAVKernelField className = KAVStrippedField(iClassName, kClassWidth);
  int classes = 0;
  GNFRTL(className.Data(), &classes, &_ErrorNumber);
  trace.Line("ier (gnfrtl) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return result;
  int width = 0, count = 0;
  KAVKernelList::Info(classes, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return result;
  trace.Line("nb : ", count);
  AppendUnchecked(trace, "tool class : ", classes, count, kToolClassWidth,
                  *result, _ErrorNumber);
  KAVKernelList::End(classes, _ErrorNumber);
  if (_ErrorNumber != 0) return result;
  trace.Close(KAVClosing::Framed(19), "GetToolClasses, end");
  return result;
}
