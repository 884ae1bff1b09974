// KAVMfgDeclarative: the automatic-behaviour switches (points, macro
// replay and modification, resources, tool numbers, new interfaces).
#include "KAVKernelForm.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgDeclarative.h"
#include "KAVMfgDeclarativeForms.h"
#include "KAVTrace.h"

using namespace kavdeclarative;

namespace {

// The routines take every argument by address: the kernel is handed the
// caller's own iCode, as the caller passed it.
int* Caller(const int& iCode) { return const_cast<int*>(&iCode); }

// ResourceManagement, AutoToolNumber and AutoNewInterface: iRoutine's int,
// 0 unless the kernel wrote one. The code is kept but not looked at, so a
// failing call returns the result as the kernel left it.
int AskResult(const KAVOperationTrace& iTrace, void (*iRoutine)(int*, int*),
              int iDashes, const char* iStartTitle, const char* iEndTitle,
              int& ioErrorNumber) {
  iTrace.Open(KAVOpening::Listed(iDashes), iStartTitle);
  int result = 0;
  iRoutine(&result, &ioErrorNumber);
  iTrace.Line("result :  ", result);
  iTrace.Close(KAVClosing::Framed(iDashes), iEndTitle);
  return result;
}

// The three area switches: a cached 0 or 1 answers at once, untraced; any
// other cached value (the initial -1, or an odd kernel answer) asks
// iRoutine (GNFRNW2/3/4) again, and its answer is cached. Those routines
// have no code: the error number is left alone.
int AskNewInterface(const KAVOperationTrace& iTrace, int& ioCache,
                    void (*iRoutine)(char*, int*, int*),
                    const KAVUnicodeString& iName, const char* iStartTitle,
                    const char* iEndTitle) {
  if (ioCache == 1) return 1;
  if (ioCache == 0) return 0;
  iTrace.Open(KAVOpening::Listed(19), iStartTitle);
  int result = 0;
  KAVKernelText name(iName);
  iRoutine(name.Data(), &name.Length(), &result);
  iTrace.Line("result :  ", result);
  iTrace.Close(KAVClosing::Framed(19), iEndTitle);
  ioCache = result;
  return result;
}

}  // namespace

void KAVMfgDeclarative::GetAutoSymbol(const int& iCode,
                                      const KAVUnicodeString& iClassName,
                                      const KAVUnicodeString& iSymbol,
                                      int& oValue) {
  const KAVOperationTrace trace(Traced());
  trace.Open(KAVOpening::Listed(32), "GetAutoSymbol,        start");
  trace.Line(" lecture symbol ", iSymbol);
  KAVKernelField className(iClassName, kClassWidth);
  KAVKernelField symbol(iSymbol, kSymbolWidth);
  NFPTSYM(Caller(iCode), className.Data(), symbol.Data(), &oValue,
          &_ErrorNumber);
  trace.Line("nfptsym(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Line("get auto symbol, ok : ", oValue);
  trace.Close(KAVClosing::Framed(30), "GetAutoSymbol,        end");
}

void KAVMfgDeclarative::GetAutoGrpPlng(const int& iCode,
                                       const KAVUnicodeString& iClassName,
                                       const KAVUnicodeString& iSymbol,
                                       const KAVUnicodeString& iGroup,
                                       int& oValue) {
  const KAVOperationTrace trace(Traced());
  trace.Open(KAVOpening::Listed(32), "GetAutoGrpPlng,        start");
  trace.Line(" lecture grp ", iGroup);
  KAVKernelField className(iClassName, kClassWidth);
  KAVKernelField symbol(iSymbol, kSymbolWidth);
  KAVKernelField group(iGroup, kGroupWidth);
  NFPTGRP(Caller(iCode), className.Data(), symbol.Data(), group.Data(), &oValue,
          &_ErrorNumber);
  trace.Line("nfptgrp(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Line("get auto grp, ok : ", oValue);
  trace.Close(KAVClosing::Framed(30), "GetAutoGrpPlng,        end");
}

void KAVMfgDeclarative::GetAutoCircle(const int& iCode,
                                      const KAVUnicodeString& iClassName,
                                      int& oValue) {
  const KAVOperationTrace trace(Traced());
  trace.Open(KAVOpening::Listed(32), "GetAutoCircle,        start");
  KAVKernelField className(iClassName, kClassWidth);
  NFPTCIR(Caller(iCode), className.Data(), &oValue, &_ErrorNumber);
  trace.Line("nfptcir(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Line("get auto circle, ok : ", oValue);
  trace.Close(KAVClosing::Framed(30), "GetAutoCircle,        end");
}

// Relies on: GNFRSB writes the two names into 8-character fields and
// their lengths into the caller's ints. The names are read from the
// fields alone (up to a NUL or their width); a length of 1 counts as no
// name.
int KAVMfgDeclarative::GetMacroReplay(const KAVUnicodeString& iClassName,
                                      KAVUnicodeString& oModuleName,
                                      int& oModuleLength,
                                      KAVUnicodeString& oEntryName,
                                      int& oEntryLength) {
  const KAVOperationTrace trace(Traced());
  trace.Open(KAVOpening::Listed(32), "GetMacroReplay,        start");
  KAVKernelField className(iClassName, kClassWidth);
  KAVKernelField module(kReplayNameWidth), entry(kReplayNameWidth);
  oEntryLength = 0;
  oModuleLength = 0;
  GNFRSB(className.Data(), module.Data(), &oModuleLength, entry.Data(),
         &oEntryLength, &_ErrorNumber);
  trace.Line("gnfrsb(ier) : ", _ErrorNumber);
  trace.Line("Lmodule : ", oModuleLength);
  trace.Line("Lentry : ", oEntryLength);
  if (_ErrorNumber != 0) return 0;
  oModuleName = module.Stripped();
  oEntryName = entry.Stripped();
  const int result = oModuleLength > 1 && oEntryLength > 1 ? 1 : 0;
  trace.Line("get macro replay, ok : ", result);
  trace.Close(KAVClosing::Framed(30), "GetMacroReplay,        end");
  return result;
}

void KAVMfgDeclarative::GetAutoMacroModify(int& oMode) {
  const KAVOperationTrace trace(Traced());
  trace.Open(KAVOpening::Listed(32), "GetAutoMacroModify,        start");
  GNFRMR(&oMode, &_ErrorNumber);
  trace.Line("gnfrmr(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  trace.Line("lecture mode , ok : ", oMode);
  trace.Close(KAVClosing::Framed(30), "GetAutoMacroModify,        end");
}

int KAVMfgDeclarative::ResourceManagement() {
  return AskResult(KAVOperationTrace(Traced()), &GNFRRC, 25,
                   "ResourceManagement, start", "ResourceManagement, end  ",
                   _ErrorNumber);
}

int KAVMfgDeclarative::AutoToolNumber() {
  return AskResult(KAVOperationTrace(Traced()), &GNFRTN, 19,
                   "AutoToolNumber, start", "AutoToolNumber, end",
                   _ErrorNumber);
}

int KAVMfgDeclarative::AutoNewInterface() {
  return AskResult(KAVOperationTrace(Traced()), &GNFRNW, 19,
                   "AutoNewInterface, start", "AutoNewInterface, end",
                   _ErrorNumber);
}

// G22 prints the titles of AutoNewInterface.
int KAVMfgDeclarative::AutoNewInterfaceG22(KAVUnicodeString iName) {
  return AskNewInterface(KAVOperationTrace(Traced()), _NewG22, &GNFRNW2, iName,
                         "AutoNewInterface, start", "AutoNewInterface, end");
}

int KAVMfgDeclarative::AutoNewInterfaceG23(KAVUnicodeString iName) {
  return AskNewInterface(KAVOperationTrace(Traced()), _NewG23, &GNFRNW3, iName,
                         "AutoNewInterfaceG23, start",
                         "AutoNewInterfaceG23, end");
}

int KAVMfgDeclarative::AutoNewInterfaceG24(KAVUnicodeString iName) {
  return AskNewInterface(KAVOperationTrace(Traced()), _NewG24, &GNFRNW4, iName,
                         "AutoNewInterfaceG24, start",
                         "AutoNewInterfaceG24, end");
}
