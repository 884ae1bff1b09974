// KAVMfgDeclarative: the customization lists of the site (transition
// paths, standard macros, unwanted, possible, default and resource-list
// attributes, tool classes). Every kernel call takes _ErrorNumber as its
// code, so it ends holding the last one.
#include <string>

#include "KAVKernelList.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVMfgDeclarative.h"
#include "KAVMfgDeclarativeForms.h"
#include "KAVTrace.h"

using namespace kavdeclarative;

namespace {

// Reads record i of the three lists of a transition-path reader into the
// caller's lists, tracing each; false at the first failing read, which
// leaves the lists it had not reached unappended.
bool ReadPathEntry(int& ioPaths, int& ioMacros, int& ioNlsMacros, int iIndex,
                   int iTraced, KAVListValKAVUnicodeString& oPaths,
                   KAVListValKAVUnicodeString& oMacroNames,
                   KAVListValKAVUnicodeString& oNlsMacroNames, int& oIer) {
  const KAVUnicodeString path =
      KAVKernelList::ReadText(ioPaths, iIndex, kPathItemWidth, oIer);
  if (oIer != 0) return false;
  oPaths.Append(path);
  if (iTraced) {
    KAVTrace::Blank();
    KAVTrace::Line("indice : ", iIndex);
    KAVTrace::Line("Path   : ", path);
  }
  const KAVUnicodeString macro =
      KAVKernelList::ReadText(ioMacros, iIndex, kMacroNameWidth, oIer);
  if (oIer != 0) return false;
  oMacroNames.Append(macro);
  if (iTraced) KAVTrace::Line("MacroName : ", macro);
  const KAVUnicodeString nlsMacro =
      KAVKernelList::ReadText(ioNlsMacros, iIndex, kNlsNameWidth, oIer);
  if (oIer != 0) return false;
  oNlsMacroNames.Append(nlsMacro);
  if (iTraced) KAVTrace::Line("NlsMacroName : ", nlsMacro);
  return true;
}

// Ends the three lists in order, stopping at the first failure; true when
// all went well.
bool EndThree(int& ioFirst, int& ioSecond, int& ioThird, int& oIer) {
  KAVKernelList::End(ioFirst, oIer);
  if (oIer != 0) return false;
  KAVKernelList::End(ioSecond, oIer);
  if (oIer != 0) return false;
  KAVKernelList::End(ioThird, oIer);
  return oIer == 0;
}

}  // namespace

// Relies on: GNFLTP opens three lists of one record per transition; only
// the first is asked for the count. A failure returns at once and leaves
// every list open; after success entry k of each output is transition k.
void KAVMfgDeclarative::GetTransitionPaths(
    KAVListValKAVUnicodeString& oPaths, KAVListValKAVUnicodeString& oMacroNames,
    KAVListValKAVUnicodeString& oNlsMacroNames) {
  const int traced = Traced();
  if (traced) {
    KAVTrace::Open(25, "GetTransitionPaths, start");
    KAVTrace::Blank();
  }
  int paths = 0, macros = 0, nlsMacros = 0;
  GNFLTP(&paths, &macros, &nlsMacros, &_ErrorNumber);
  if (traced) KAVTrace::Line("gnfltp(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Text("read transtion paths, ok");
  int width = 0, count = 0;
  KAVKernelList::Info(paths, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  for (int i = 1; i <= count; ++i)
    if (!ReadPathEntry(paths, macros, nlsMacros, i, traced, oPaths, oMacroNames,
                       oNlsMacroNames, _ErrorNumber))
      return;
  if (traced) KAVTrace::Text("transfert information, ok");
  if (!EndThree(paths, macros, nlsMacros, _ErrorNumber)) return;
  if (traced) KAVTrace::Close(23, "GetTransitionPaths, end");
}

// The twin of GetTransitionPaths for the macros of one class and key.
// The names are padded or cut, never stripped: leading blanks reach the
// kernel.
void KAVMfgDeclarative::GetStandardMacros(
    const KAVUnicodeString& iClassName, const KAVUnicodeString& iMacroKey,
    KAVListValKAVUnicodeString& oPaths, KAVListValKAVUnicodeString& oMacroNames,
    KAVListValKAVUnicodeString& oNlsMacroNames) {
  const int traced = Traced();
  if (traced) {
    KAVTrace::Open(24, "GetStandardMacros, start");
    KAVTrace::Blank();
  }
  KAVKernelField className(iClassName, kClassWidth);
  KAVKernelField macroKey(iMacroKey, kMacroKeyWidth);
  int paths = 0, macros = 0, nlsMacros = 0;
  GNFLMC(className.Data(), macroKey.Data(), &paths, &macros, &nlsMacros,
         &_ErrorNumber);
  if (traced) KAVTrace::Line("gnflmc(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Text("read standard macros, ok");
  int width = 0, count = 0;
  KAVKernelList::Info(paths, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  for (int i = 1; i <= count; ++i)
    if (!ReadPathEntry(paths, macros, nlsMacros, i, traced, oPaths, oMacroNames,
                       oNlsMacroNames, _ErrorNumber))
      return;
  if (traced) KAVTrace::Text("transfert information, ok");
  if (!EndThree(paths, macros, nlsMacros, _ErrorNumber)) return;
  if (traced) KAVTrace::Close(23, "GetStandardMacros, end");
}

// Relies on: GNFRLA answers 9550 for a class with nothing defined. That
// is an answer, not a failure: the code is cleared here and in the
// kernel (GUERJO), and no list was opened.
void KAVMfgDeclarative::GetUnwantedAttributes(
    const KAVUnicodeString& iClassName,
    KAVListValKAVUnicodeString& oAttributes) {
  const int traced = Traced();
  if (traced) {
    KAVTrace::Open(24, "GetUnwantedAttributes, start");
    KAVTrace::Blank();
  }
  KAVKernelField className(iClassName, kClassWidth);
  int attributes = 0;
  GNFRLA(className.Data(), &attributes, &_ErrorNumber);
  if (traced) KAVTrace::Line("gnfrla(ier) : ", _ErrorNumber);
  if (_ErrorNumber == kNothingDefined) {
    _ErrorNumber = 0;
    GUERJO();
    if (traced) {
      KAVTrace::Dashes(33);
      KAVTrace::Text("Unwanted Attribute, none define");
    }
    return;
  }
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Text("read unwanted attributes, ok");
  int width = 0, count = 0;
  KAVKernelList::Info(attributes, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  for (int i = 1; i <= count; ++i) {
    const KAVUnicodeString name = KAVKernelList::ReadText(
        attributes, i, kListAttributeWidth, _ErrorNumber);
    if (_ErrorNumber != 0) return;
    oAttributes.Append(name);
    if (traced) {
      KAVTrace::Blank();
      KAVTrace::Line("indice : ", i);
      KAVTrace::Line("Attribute : ", name);
    }
  }
  if (traced) KAVTrace::Text("transfert information, ok");
  KAVKernelList::End(attributes, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Close(23, "GetUnwantedAttributes, end");
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
  const int traced = Traced();
  if (traced) {
    KAVTrace::Open(24, "GetPossibleValues, start");
    KAVTrace::Blank();
  }
  KAVKernelField className(iClassName, kClassWidth);
  KAVKernelField attributeName(iAttributeName, kAttributeNameWidth);
  // The kernel gets a copy: the type that chooses the output below is the
  // caller's, whatever the kernel does with its argument.
  int type = iType;
  int values = 0, names = 0;
  GNFRVA(className.Data(), attributeName.Data(), &type, &values, &names,
         &_ErrorNumber);
  if (traced) KAVTrace::Line("gnfrva(ier) : ", _ErrorNumber);
  if (_ErrorNumber == kNothingDefined) {
    _ErrorNumber = 0;
    GUERJO();
    if (traced) {
      KAVTrace::Dashes(33);
      KAVTrace::Text("read possibles values, not define");
    }
    return;
  }
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Text("read possibles values, ok");
  int width = 0, count = 0;
  KAVKernelList::Info(values, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  const KAVValueKind kind = KAVValueKindOfType(iType);
  for (int i = 1; i <= count; ++i) {
    const KAVUnicodeString nlsName =
        KAVKernelList::ReadText(names, i, kNlsNameWidth, _ErrorNumber);
    if (_ErrorNumber != 0) return;
    oNlsNames.Append(nlsName);
    if (traced) {
      KAVTrace::Blank();
      KAVTrace::Line("indice : ", i);
      KAVTrace::Line("NlsName : ", nlsName);
    }
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
    if (!traced) continue;
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
  if (traced) KAVTrace::Text("transfert information, ok");
  KAVKernelList::End(values, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  KAVKernelList::End(names, _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) KAVTrace::Close(23, "GetPossibleValues, end");
}

namespace {

using AttributeRoutine = void (*)(char*, int*, int*);

// GetDefaultAttributes and GetResListAttributes: one routine, one list of
// 16-character names that is read without looking at the read codes (up
// to kMostUncheckedReads records) and never ended (the kernel keeps it).
KAVListValKAVUnicodeString* ReadAttributeList(
    AttributeRoutine iRoutine, const KAVUnicodeString& iClassName, int iTraced,
    const char* iStartTitle, const char* iCodeLabel, const char* iEndTitle,
    int& ioErrorNumber) {
  if (iTraced) {
    KAVTrace::Open(27, iStartTitle);
    KAVTrace::Line("Class : ", iClassName);
    KAVTrace::Blank();
  }
  KAVListValKAVUnicodeString* result = new KAVListValKAVUnicodeString;
  KAVKernelField className(iClassName, kClassWidth);
  int attributes = 0;
  iRoutine(className.Data(), &attributes, &ioErrorNumber);
  if (iTraced) KAVTrace::Line(iCodeLabel, ioErrorNumber);
  if (ioErrorNumber != 0) return result;
  int width = 0, count = 0;
  KAVKernelList::Info(attributes, width, count, ioErrorNumber);
  if (ioErrorNumber != 0) return result;
  if (iTraced) KAVTrace::Line("nb att : ", count);
  for (int i = 1; i <= count; ++i) {
    const KAVUnicodeString name = KAVKernelList::ReadText(
        attributes, i, kListAttributeWidth, ioErrorNumber);
    if (ioErrorNumber != 0 && i > kMostUncheckedReads) break;
    result->Append(name);
    if (iTraced) KAVTrace::Line("att : ", name);
  }
  if (iTraced) KAVTrace::Close(25, iEndTitle);
  return result;
}

}  // namespace

KAVListValKAVUnicodeString* KAVMfgDeclarative::GetDefaultAttributes(
    const KAVUnicodeString& iClassName) {
  return ReadAttributeList(
      &GNFRDA, iClassName, Traced(), "GetDefaultAttributes, start",
      "ier (gnfrda) : ", "GetDefaultAttributes, end", _ErrorNumber);
}

KAVListValKAVUnicodeString* KAVMfgDeclarative::GetResListAttributes(
    const KAVUnicodeString& iClassName) {
  return ReadAttributeList(
      &GNDRDA, iClassName, Traced(), "GetResListAttributes, start",
      "ier (gndrda) : ", "GetResListAttributes, end", _ErrorNumber);
}

// Relies on: GNFRTL opens one list of 72-character class names. Read
// codes are not looked at (up to kMostUncheckedReads records); the list
// is ended after the loop and only a failing end drops the closing lines.
KAVListValKAVUnicodeString* KAVMfgDeclarative::GetToolClasses(
    const KAVUnicodeString& iClassName) {
  const int traced = Traced();
  if (traced) {
    KAVTrace::Open(21, "GetToolClasses, start");
    KAVTrace::Blank();
  }
  KAVListValKAVUnicodeString* result = new KAVListValKAVUnicodeString;
  KAVKernelField className(iClassName.Strip(KAVStripBoth, ' '), kClassWidth);
  int classes = 0;
  GNFRTL(className.Data(), &classes, &_ErrorNumber);
  if (traced) KAVTrace::Line("ier (gnfrtl) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return result;
  int width = 0, count = 0;
  KAVKernelList::Info(classes, width, count, _ErrorNumber);
  if (_ErrorNumber != 0) return result;
  if (traced) KAVTrace::Line("nb : ", count);
  for (int i = 1; i <= count; ++i) {
    const KAVUnicodeString toolClass =
        KAVKernelList::ReadText(classes, i, kToolClassWidth, _ErrorNumber);
    if (_ErrorNumber != 0 && i > kMostUncheckedReads) break;
    result->Append(toolClass);
    if (traced) KAVTrace::Line("tool class : ", toolClass);
  }
  KAVKernelList::End(classes, _ErrorNumber);
  if (_ErrorNumber != 0) return result;
  if (traced) KAVTrace::Close(19, "GetToolClasses, end");
  return result;
}
