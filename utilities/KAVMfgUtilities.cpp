// KAVMfgUtilities: the class itself. It has no data members (IsUNIXAllowed
// is static), so constructing, copying and destroying do nothing.
#include "KAVMfgUtilities.h"

KAVMfgUtilities::KAVMfgUtilities() {}

KAVMfgUtilities::KAVMfgUtilities(const KAVMfgUtilities&) {}

KAVMfgUtilities& KAVMfgUtilities::operator=(const KAVMfgUtilities&) {
  return *this;
}

KAVMfgUtilities::~KAVMfgUtilities() {}
