// KAVMfgDeclarative: the application's door to the NC declarative, the
// site customization the kernel keeps as named pools of typed variables
// (main pool "KAVMFG"): loading that pool and reading its variables
// (DCLPLE, DCLOAD, DCLQUV, G7AQRY, G7AQUV, DCLVAR), the customization
// lists of a class (GNFLTP, GNFLMC, GNFRLA, GNFRVA, GNFRDA, GNDRDA,
// GNFRTL), the automatic-behaviour switches (NFPTSYM, NFPTGRP, NFPTCIR,
// GNFRSB, GNFRMR, GNFRRC, GNFRTN, GNFRNW, GNFRNW2/3/4) and the paths
// built from it (DCLVAR, GNDRIC).
//
// Trace key: "KAVMfgDeclarative" (MfgBaseDebug), read once per process
// into _Debug by the first operation that traces; GetDeclarativePath and
// GetError never read it.
//
// State (all plain statics, set at load, never freed):
//   _ErrorNumber  0   the class's error number, read with GetError().
//   _Debug       -1   the cached trace switch (1: tracing).
//   _NewG22/23/24 -1  the answers of AutoNewInterfaceG22/23/24; a 0 or 1
//                     is kept for the process, anything else is asked
//                     again on the next call.
//
// Two ways of keeping error numbers:
//   - loading and variables (LoadNcDeclarative, IsToolpathToBeStored,
//     GetAllStrings, GetInteger, GetString) call the kernel with a local
//     code and store it only when it is not 0: a success never clears an
//     earlier failure;
//   - the customization lists, the switches and GetIconPath hand
//     _ErrorNumber itself to the kernel, so it holds the code of the last
//     kernel call, 0 on success. GNFRNW2/3/4 have no code and leave it,
//     as do GetDeclarativePath and GetVORTISPath.
//
// Whatever the kernel answers, nothing is read or written outside the
// buffers handed to it:
//   - a G7AQRY count above its capacity of 50 reads 50 entries, a
//     negative count none;
//   - an item or value length above its field (64, 256) takes the whole
//     field, a negative length an empty text;
//   - every text field carries a spare terminator past its width, so a
//     DCLVAR output with no blanks, or a GNDRIC, GNFRSB or list field
//     without a NUL, is read up to its width and no further; a NUL the
//     kernel writes inside a field ends the text there.
//   - the lengths GNFRSB returns are handed back to the caller as they
//     are; they never serve to read the names.
#ifndef KAVMfgDeclarative_h
#define KAVMfgDeclarative_h

#include "KAVExport.h"
#include "KAVListValKAVUnicodeString.h"
#include "KAVRawColldouble.h"
#include "KAVRawCollint.h"
#include "KAVUnicodeString.h"

class ExportedByT4711BAS KAVMfgDeclarative {
 public:
  KAVMfgDeclarative();
  KAVMfgDeclarative(const KAVMfgDeclarative&);
  KAVMfgDeclarative& operator=(const KAVMfgDeclarative&);
  virtual ~KAVMfgDeclarative();

  // --- Loading and variables (a failure is kept until another one) ------

  // Makes sure the pool "KAVMFG" is loaded: DCLOAD runs only when DCLPLE
  // says it is not. Any number of calls is harmless.
  static void LoadNcDeclarative();
  // 1 when the variable .TOOLPATH.STORAGE of "KAVMFG" is a text reading
  // YES (any case, blanks around it), else 0. Loads the pool first.
  static int IsToolpathToBeStored();
  // Empties oItems and oValues, then fills them with the entries of the
  // STRING variable iPoolName.iVariableName (at most 50), in kernel order.
  // Returns the kernel code; the lists stay empty when it is not 0. Only
  // the pool spelled exactly "KAVMFG" is loaded first.
  static int GetAllStrings(const KAVUnicodeString& iVariableName,
                           const KAVUnicodeString& iPoolName,
                           KAVListValKAVUnicodeString& oItems,
                           KAVListValKAVUnicodeString& oValues);
  // The INTEGER variable iPoolName.iVariableName; 0 on failure.
  static int GetInteger(const KAVUnicodeString& iVariableName,
                        const KAVUnicodeString& iPoolName);
  // The last value of the STRING variable; empty on failure or when it
  // has no value.
  static KAVUnicodeString GetString(const KAVUnicodeString& iVariableName,
                                    const KAVUnicodeString& iPoolName);
  // The declarative's evaluation of iExpression (at most 1024
  // characters, stripped). Reports nothing: an expression the kernel
  // cannot evaluate gives what it wrote, often nothing. Not traced.
  static KAVUnicodeString GetDeclarativePath(KAVUnicodeString iExpression);
  // The error number (see the class comment for who sets it).
  static int GetError();

  // --- Customization lists (appended to; _ErrorNumber is the last code)

  // Appends the transition paths with their macro and national macro
  // names, one entry per transition in each list. Stops at the first
  // failing call, keeping what was appended and leaving the lists open.
  static void GetTransitionPaths(KAVListValKAVUnicodeString& oPaths,
                                 KAVListValKAVUnicodeString& oMacroNames,
                                 KAVListValKAVUnicodeString& oNlsMacroNames);
  // The same for the standard macros of class iClassName under iMacroKey.
  static void GetStandardMacros(const KAVUnicodeString& iClassName,
                                const KAVUnicodeString& iMacroKey,
                                KAVListValKAVUnicodeString& oPaths,
                                KAVListValKAVUnicodeString& oMacroNames,
                                KAVListValKAVUnicodeString& oNlsMacroNames);
  // Appends the attributes class iClassName must not show. A class with
  // none (code 9550) is a success: nothing appended, _ErrorNumber 0.
  static void GetUnwantedAttributes(const KAVUnicodeString& iClassName,
                                    KAVListValKAVUnicodeString& oAttributes);
  // Appends the possible values of iAttributeName in iClassName to the
  // output of iType (0/1 oIntValues, 2 oRealValues, 3 oTextValues, kept
  // 72 characters long with their blanks) and their national names to
  // oNlsNames. Nothing defined (9550) is a success. Any other iType
  // appends the first national name and always prints a warning block on
  // standard output.
  static void GetPossibleValues(const KAVUnicodeString& iClassName,
                                const KAVUnicodeString& iAttributeName,
                                const int& iType, KAVRawCollint& oIntValues,
                                KAVRawColldouble& oRealValues,
                                KAVListValKAVUnicodeString& oTextValues,
                                KAVListValKAVUnicodeString& oNlsNames);
  // The attributes class iClassName shows by default: a new list, empty on
  // failure; the caller deletes it. The kernel list is never ended.
  static KAVListValKAVUnicodeString* GetDefaultAttributes(
      const KAVUnicodeString& iClassName);
  // The attributes of a resource list of iClassName; as above.
  static KAVListValKAVUnicodeString* GetResListAttributes(
      const KAVUnicodeString& iClassName);
  // The tool classes for iClassName (stripped first): a new list the
  // caller deletes.
  static KAVListValKAVUnicodeString* GetToolClasses(
      const KAVUnicodeString& iClassName);

  // --- Automatic-behaviour switches --------------------------------------
  // iCode and the o... ints are the caller's own variables, handed to the
  // kernel as they are; on failure they hold what the kernel left there.

  static void GetAutoSymbol(const int& iCode,
                            const KAVUnicodeString& iClassName,
                            const KAVUnicodeString& iSymbol, int& oValue);
  static void GetAutoGrpPlng(const int& iCode,
                             const KAVUnicodeString& iClassName,
                             const KAVUnicodeString& iSymbol,
                             const KAVUnicodeString& iGroup, int& oValue);
  static void GetAutoCircle(const int& iCode,
                            const KAVUnicodeString& iClassName, int& oValue);
  // The macro replayed for iClassName: 1 when both lengths the kernel
  // gives are above 1, else 0. On failure the names are left untouched.
  static int GetMacroReplay(const KAVUnicodeString& iClassName,
                            KAVUnicodeString& oModuleName, int& oModuleLength,
                            KAVUnicodeString& oEntryName, int& oEntryLength);
  static void GetAutoMacroModify(int& oMode);
  // The kernel's switch values, returned as they are (0 after a failing
  // call unless the kernel wrote the result).
  static int ResourceManagement();
  static int AutoToolNumber();
  static int AutoNewInterface();
  // The new interface of an application area. The first answer 0 or 1 is
  // kept for the process, whatever iName later calls give.
  static int AutoNewInterfaceG22(KAVUnicodeString iName);
  static int AutoNewInterfaceG23(KAVUnicodeString iName);
  static int AutoNewInterfaceG24(KAVUnicodeString iName);

  // --- Paths -------------------------------------------------------------

  // Evaluates iString through the declarative and splits "physical,
  // logical" at the first comma after the first character, each part
  // stripped of blanks, then of double quotes. Without such a comma both
  // outputs get the whole text. Reports nothing.
  static void GetVORTISPath(const KAVUnicodeString& iString,
                            KAVUnicodeString& oPhysicalPath,
                            KAVUnicodeString& oLogicalPath);
  // $ZORVENICONPATH/<icon>.gif for the icon the kernel names for iClass;
  // empty when there is no icon or the variable is unset or empty. The
  // file is not looked for.
  static KAVUnicodeString GetIconPath(const KAVUnicodeString& iClass);

  // Consistency checks and state resets for the library's own fuzzing
  // harness, defined in an internal header; nothing of it is exported.
  struct __attribute__((visibility("hidden"))) Internals;

 private:
  // The error number; 0 at load.
  static int _ErrorNumber;
  // Trace switch of the class; -1 until the first traced call reads it.
  static int _Debug;
  // Answers of AutoNewInterfaceG22/23/24; -1 at load.
  static int _NewG22;
  static int _NewG23;
  static int _NewG24;

  // Reads the trace switch on first use; 1 while tracing.
  static int Traced();
};

#endif
