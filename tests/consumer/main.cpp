// A program of a user of the installed library (the one of docs/using.md):
// one dictionary query and one utility.
#include <cstdio>

#include "KAVMfgDictionary.h"
#include "KAVMfgUtilities.h"
#include "T4711BASVersion.h"

int main() {
  std::printf("T4711BAS %s (built against %s)\n", T4711BASVersion(), T4711BAS_VERSION_STRING);
  KAVMfgDictionary::LoadDefault();  // the site's default dictionary
  KAVListValKAVUnicodeString classes;
  KAVRawCollint kinds;
  KAVMfgDictionary::GetClasses(classes, kinds);
  if (KAVMfgDictionary::GetError() != 0) {
    std::printf("kernel code %d\n", KAVMfgDictionary::GetError());
    return 1;
  }
  std::printf("%s: %d classes\n", KAVMfgDictionary::GetCurrent().CastToCharPtr(), classes.Size());
  std::printf("February 2000: %d days\n", KAVMfgUtilities::GetNumberOfDays(2000, 2));
  return 0;
}
