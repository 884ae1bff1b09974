// KAVMfgDeclarative: the automatic-behaviour switches (points, macro
// replay and modification, resources, tool numbers, new interfaces).
#include "KAVKernelForm.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseAnalysisStatic.h"
#include "KAVMfgDeclarative.h"
#include "KAVMfgDeclarativeForms.h"
#include "KAVTrace.h"

using namespace kavdeclarative;

namespace {

// Every switch opens with a blank line after its banner.
void OpenSwitch(int iDashes, const char* iTitle) {
  KAVTrace::Open(iDashes, iTitle);
  KAVTrace::Blank();
}

// The routines take every argument by address: the kernel is handed the
// caller's own iCode, as the caller passed it.
int* Caller(const int& iCode) { return const_cast<int*>(&iCode); }

}  // namespace

void KAVMfgDeclarative::GetAutoSymbol(const int& iCode,
                                      const KAVUnicodeString& iClassName,
                                      const KAVUnicodeString& iSymbol,
                                      int& oValue) {
  const int traced = Traced();
  if (traced) {
    OpenSwitch(32, "GetAutoSymbol,        start");
    KAVTrace::Line(" lecture symbol ", iSymbol);
  }
  KAVKernelField className(iClassName, kClassWidth);
  KAVKernelField symbol(iSymbol, kSymbolWidth);
  NFPTSYM(Caller(iCode), className.Data(), symbol.Data(), &oValue,
          &_ErrorNumber);
  if (traced) KAVTrace::Line("nfptsym(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) {
    KAVTrace::Line("get auto symbol, ok : ", oValue);
    KAVTrace::Close(30, "GetAutoSymbol,        end");
  }
}

void KAVMfgDeclarative::GetAutoGrpPlng(const int& iCode,
                                       const KAVUnicodeString& iClassName,
                                       const KAVUnicodeString& iSymbol,
                                       const KAVUnicodeString& iGroup,
                                       int& oValue) {
  const int traced = Traced();
  if (traced) {
    OpenSwitch(32, "GetAutoGrpPlng,        start");
    KAVTrace::Line(" lecture grp ", iGroup);
  }
  KAVKernelField className(iClassName, kClassWidth);
  KAVKernelField symbol(iSymbol, kSymbolWidth);
  KAVKernelField group(iGroup, kGroupWidth);
  NFPTGRP(Caller(iCode), className.Data(), symbol.Data(), group.Data(), &oValue,
          &_ErrorNumber);
  if (traced) KAVTrace::Line("nfptgrp(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) {
    KAVTrace::Line("get auto grp, ok : ", oValue);
    KAVTrace::Close(30, "GetAutoGrpPlng,        end");
  }
}

void KAVMfgDeclarative::GetAutoCircle(const int& iCode,
                                      const KAVUnicodeString& iClassName,
                                      int& oValue) {
  const int traced = Traced();
  if (traced) OpenSwitch(32, "GetAutoCircle,        start");
  KAVKernelField className(iClassName, kClassWidth);
  NFPTCIR(Caller(iCode), className.Data(), &oValue, &_ErrorNumber);
  if (traced) KAVTrace::Line("nfptcir(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) {
    KAVTrace::Line("get auto circle, ok : ", oValue);
    KAVTrace::Close(30, "GetAutoCircle,        end");
  }
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
  const int traced = Traced();
  if (traced) OpenSwitch(32, "GetMacroReplay,        start");
  KAVKernelField className(iClassName, kClassWidth);
  KAVKernelField module(kReplayNameWidth), entry(kReplayNameWidth);
  oEntryLength = 0;
  oModuleLength = 0;
  GNFRSB(className.Data(), module.Data(), &oModuleLength, entry.Data(),
         &oEntryLength, &_ErrorNumber);
  if (traced) {
    KAVTrace::Line("gnfrsb(ier) : ", _ErrorNumber);
    KAVTrace::Line("Lmodule : ", oModuleLength);
    KAVTrace::Line("Lentry : ", oEntryLength);
  }
  if (_ErrorNumber != 0) return 0;
  oModuleName = module.Stripped();
  oEntryName = entry.Stripped();
  const int result = oModuleLength > 1 && oEntryLength > 1 ? 1 : 0;
  if (traced) {
    KAVTrace::Line("get macro replay, ok : ", result);
    KAVTrace::Close(30, "GetMacroReplay,        end");
  }
  return result;
}

void KAVMfgDeclarative::GetAutoMacroModify(int& oMode) {
  const int traced = Traced();
  if (traced) OpenSwitch(32, "GetAutoMacroModify,        start");
  GNFRMR(&oMode, &_ErrorNumber);
  if (traced) KAVTrace::Line("gnfrmr(ier) : ", _ErrorNumber);
  if (_ErrorNumber != 0) return;
  if (traced) {
    KAVTrace::Line("lecture mode , ok : ", oMode);
    KAVTrace::Close(30, "GetAutoMacroModify,        end");
  }
}

// The result family: the code is kept but not looked at, so a failing
// call returns the result as the kernel left it (0 unless written).
int KAVMfgDeclarative::ResourceManagement() {
  const int traced = Traced();
  if (traced) OpenSwitch(25, "ResourceManagement, start");
  int result = 0;
  GNFRRC(&result, &_ErrorNumber);
  if (traced) {
    KAVTrace::Line("result :  ", result);
    KAVTrace::Close(25, "ResourceManagement, end  ");
  }
  return result;
}

int KAVMfgDeclarative::AutoToolNumber() {
  const int traced = Traced();
  if (traced) OpenSwitch(19, "AutoToolNumber, start");
  int result = 0;
  GNFRTN(&result, &_ErrorNumber);
  if (traced) {
    KAVTrace::Line("result :  ", result);
    KAVTrace::Close(19, "AutoToolNumber, end");
  }
  return result;
}

int KAVMfgDeclarative::AutoNewInterface() {
  const int traced = Traced();
  if (traced) OpenSwitch(19, "AutoNewInterface, start");
  int result = 0;
  GNFRNW(&result, &_ErrorNumber);
  if (traced) {
    KAVTrace::Line("result :  ", result);
    KAVTrace::Close(19, "AutoNewInterface, end");
  }
  return result;
}

// The three area switches: a cached 0 or 1 answers at once, untraced;
// any other cached value (the initial -1, or an odd kernel answer) asks
// the kernel again. GNFRNW2/3/4 have no code: _ErrorNumber is left alone.
// G22 prints the titles of AutoNewInterface.
int KAVMfgDeclarative::AutoNewInterfaceG22(KAVUnicodeString iName) {
  const int traced = Traced();
  if (_NewG22 == 1) return 1;
  if (_NewG22 == 0) return 0;
  if (traced) OpenSwitch(19, "AutoNewInterface, start");
  int result = 0;
  KAVKernelText name(iName);
  GNFRNW2(name.Data(), &name.Length(), &result);
  if (traced) {
    KAVTrace::Line("result :  ", result);
    KAVTrace::Close(19, "AutoNewInterface, end");
  }
  _NewG22 = result;
  return result;
}

int KAVMfgDeclarative::AutoNewInterfaceG23(KAVUnicodeString iName) {
  const int traced = Traced();
  if (_NewG23 == 1) return 1;
  if (_NewG23 == 0) return 0;
  if (traced) OpenSwitch(19, "AutoNewInterfaceG23, start");
  int result = 0;
  KAVKernelText name(iName);
  GNFRNW3(name.Data(), &name.Length(), &result);
  if (traced) {
    KAVTrace::Line("result :  ", result);
    KAVTrace::Close(19, "AutoNewInterfaceG23, end");
  }
  _NewG23 = result;
  return result;
}

int KAVMfgDeclarative::AutoNewInterfaceG24(KAVUnicodeString iName) {
  const int traced = Traced();
  if (_NewG24 == 1) return 1;
  if (_NewG24 == 0) return 0;
  if (traced) OpenSwitch(19, "AutoNewInterfaceG24, start");
  int result = 0;
  KAVKernelText name(iName);
  GNFRNW4(name.Data(), &name.Length(), &result);
  if (traced) {
    KAVTrace::Line("result :  ", result);
    KAVTrace::Close(19, "AutoNewInterfaceG24, end");
  }
  _NewG24 = result;
  return result;
}
