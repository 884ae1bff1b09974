// nqusett: the six programming-tab settings for the kernel side.
#include "KAVEntryPoints.h"
#include "KAVMfgSetting.h"
#include "KAVTrace.h"

namespace {

constexpr int kStartDashes = 16;
constexpr int kValueDashes = 36;

struct Setting {
  const char* key;
  const char* label;
};

// In the order of the output arguments.
const Setting kSettings[] = {
    {"KAVMfgPoPg2TabPage.HLTPARTS", "Valeur Setting Parts "},
    {"KAVMfgPoPg2TabPage.HLTCHECK", "Valeur Setting Check "},
    {"KAVMfgPoPg2TabPage.HLTRELIM", "Valeur Setting Relim "},
    {"KAVMfgPoPg2TabPage.HLTDRIVE", "Valeur Setting Drive "},
    {"KAVMfgPoPg2TabPage.HLTMACRO", "Valeur Setting Macro "},
    {"KAVMfgPoPg2TabPage.HLTSMART", "Valeur Setting Smart "},
};
constexpr int kSettingCount = sizeof kSettings / sizeof kSettings[0];

}  // namespace

// The reader's status is not looked at: the cell holds whatever the reader
// left there, which is what the caller gets. A null cell is read into a
// scratch cell instead, so nothing is written through it.
int nqusett(int* oParts, int* oCheck, int* oRelim, int* oDrive, int* oMacro,
            int* oSmart, int* oError) {
  const KAVOperationTrace trace("KAVMfgPoPg2TabPage");
  if (oError != nullptr) *oError = 0;
  trace.Open(KAVOpening::Bare(kStartDashes), "nqusett, Start  ");
  int scratch[kSettingCount] = {};
  int* cells[kSettingCount] = {oParts, oCheck, oRelim, oDrive, oMacro, oSmart};
  const KAVUnicodeString group("MFGPROG");
  for (int i = 0; i < kSettingCount; ++i) {
    if (cells[i] == nullptr) cells[i] = &scratch[i];
    KAVMfgSetting::ReadSetting(kSettings[i].key, cells[i], group);
  }
  trace.Close(KAVClosing::Bare(kValueDashes), "nqusett, End    ", [&] {
    for (int i = 0; i < kSettingCount; ++i)
      KAVTrace::Line(kSettings[i].label, *cells[i]);
  });
  return 0;
}
