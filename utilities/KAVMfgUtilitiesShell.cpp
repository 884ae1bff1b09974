// KAVMfgUtilities: shell execution and image capture (executeshell,
// CaptImage) and the load-time rule for IsUNIXAllowed.
#include <unistd.h>

#include <cstring>
#include <iostream>

#include "KAVLegacyRoutines.h"
#include "KAVMfgUtilities.h"
#include "KAVTrace.h"

namespace {

// Exit status of a child whose program could not be started (the shell's
// "command not found" status).
constexpr int kExecFailedStatus = 127;
constexpr int kCaptureOpenDashes = 13;
constexpr int kCaptureCloseDashes = 10;
// PLSGRAB's second argument; what it selects belongs to the kernel.
constexpr int kGrabMode = 1;

// Any value other than 0 or 1 that reached IsUNIXAllowed before the
// library's dynamic initialization runs is brought back to 0. The flag is
// constant-initialized to 0, so this runs after it has its initial value.
struct UnixFlagCheck {
  UnixFlagCheck() {
    if (KAVMfgUtilities::IsUNIXAllowed != 0 &&
        KAVMfgUtilities::IsUNIXAllowed != 1)
      KAVMfgUtilities::IsUNIXAllowed = 0;
  }
};
const UnixFlagCheck unixFlagCheck;

}  // namespace

int KAVMfgUtilities::IsUNIXAllowed = 0;

// Relies on vfork: the parent stays suspended until the child has called
// execvp or _exit, so the vector and the strings it points into (the
// caller's own, not copies) stay valid for the child. The child touches
// nothing but execvp and _exit, the only calls allowed after vfork.
void KAVMfgUtilities::executeshell(const KAVUnicodeString& iCommand,
                                   const int& iArgCount,
                                   KAVUnicodeString* iArgs) {
  const int argCount = iArgs != nullptr && iArgCount > 0 ? iArgCount : 0;
  char** argv = new char*[argCount + 2];
  argv[0] = const_cast<char*>(iCommand.ConvertToChar());
  for (int i = 0; i < argCount; ++i)
    argv[i + 1] = const_cast<char*>(iArgs[i].ConvertToChar());
  argv[argCount + 1] = nullptr;
  const pid_t child = vfork();
  if (child == 0) {
    execvp(argv[0], argv);
    _exit(kExecFailedStatus);
  }
  delete[] argv;
}

int KAVMfgUtilities::CaptImage(const KAVUnicodeString& iPathName) {
  const KAVOperationTrace trace("KAVMfgUtilities");
  trace.Open(KAVOpening::Listed(kCaptureOpenDashes),
             "KAVMfgUtilities::CaptImage, start",
             {{"PathName  : ", iPathName}});
  KAVUnicodeString imagePath = iPathName;
  imagePath.Resize(kMaxPathLength, ' ', 1);
  imagePath = imagePath.Strip(KAVStripBoth, ' ');
  char path[kMaxPathLength + 1];
  std::strncpy(path, imagePath.ConvertToChar(), kMaxPathLength);
  path[kMaxPathLength] = '\0';
  trace.Line("Pathname (before char) : ", path);
  int mode = kGrabMode;
  int ier = 0;
  PLSGRAB(path, &mode, &ier);
  // The end banner closes the trace whatever the code: the code is the
  // result, not a reason to stop.
  trace.Line("ier (plsgrab) ", ier);
  trace.Close(KAVClosing::Framed(kCaptureCloseDashes),
              "KAVMfgUtilities::CaptImage, end ");
  return ier;
}
