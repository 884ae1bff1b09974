// The version the library was built as, from the generated header.
#include "T4711BASVersion.h"

extern "C" const char* T4711BASVersion(void) { return T4711BAS_VERSION_STRING; }
