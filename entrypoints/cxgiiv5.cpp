// cxgiiv5: tells the kernel side whether GII record mode is on.
#include "KAVEntryPoints.h"
#include "KAVMfgBaseAnalysisStatic.h"

void cxgiiv5(int* oRecordMode) {
  const int recordMode = GetGIIRV5();
  if (oRecordMode != nullptr) *oRecordMode = recordMode;
}
