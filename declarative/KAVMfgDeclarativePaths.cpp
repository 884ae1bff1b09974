// KAVMfgDeclarative: file-system paths from the declarative (the VORTIS
// physical and logical paths, class icons).
#include <cstdlib>

#include "KAVKernelForm.h"
#include "KAVLegacyRoutines.h"
#include "KAVMfgDeclarative.h"
#include "KAVMfgDeclarativeForms.h"
#include "KAVTrace.h"

using namespace kavdeclarative;

namespace {

KAVUnicodeString Unquoted(const KAVUnicodeString& iPart) {
  return iPart.Strip(KAVStripBoth, ' ').Strip(KAVStripBoth, '"');
}

}  // namespace

// Relies on: the declarative evaluates iString to "physical, logical".
// A comma in first position is not a separator: such a text, like one
// without a comma, goes whole and unchanged into both outputs.
void KAVMfgDeclarative::GetVORTISPath(const KAVUnicodeString& iString,
                                      KAVUnicodeString& oPhysicalPath,
                                      KAVUnicodeString& oLogicalPath) {
  const KAVOperationTrace trace(Traced());
  trace.Open(KAVOpening::Heading(30),
             "KAVMfgDeclarative::GetVORTISPath,       start",
             {{" iString : ", iString}});
  oPhysicalPath = "";
  oLogicalPath = "";
  const KAVUnicodeString path = GetDeclarativePath(iString);
  trace.Line("Path apres eval shell : ", path);
  const int comma = path.SearchSubString(",", 0, KAVSearchForward);
  if (comma <= 0) {
    oPhysicalPath.Append(path);
    oLogicalPath.Append(path);
  } else {
    oPhysicalPath.Append(Unquoted(path.SubString(0, comma)));
    oLogicalPath.Append(Unquoted(
        path.SubString(comma + 1, path.GetLengthInChar() - comma - 1)));
  }
  trace.Close(KAVClosing::Footing(30),
              "KAVMfgDeclarative::GetVORTISPath,         end",
              {{" oPhysicalPath = ", oPhysicalPath},
               {" oLogicalPath  = ", oLogicalPath}});
}

// Relies on: GNDRIC writes the class's icon name into an 8-character
// field that starts blank, so a kernel that writes nothing gives no icon.
// Its code is left in _ErrorNumber and not looked at. ZORVENICONPATH is
// read on every call: the icon directory may change during a session.
KAVUnicodeString KAVMfgDeclarative::GetIconPath(
    const KAVUnicodeString& iClass) {
  const KAVOperationTrace trace(Traced());
  trace.Open(KAVOpening::Heading(37), "KAVMfgDeclarative::GetIconPath, start",
             {{" iClass : ", iClass}});
  KAVUnicodeString result;
  KAVKernelField className = KAVStrippedField(iClass, kClassWidth);
  if (trace) {
    KAVTrace::Line("String : ", className.Text());
    KAVTrace::Line("ClassName : ", className.Text());
  }
  KAVKernelField icon(kIconWidth);
  GNDRIC(className.Data(), icon.Data(), &_ErrorNumber);
  trace.Line("gndric, ier : ", _ErrorNumber);
  const KAVUnicodeString iconName = icon.Stripped();
  trace.Line("icon : ", iconName);
  if (iconName.GetLengthInChar() > 0) {
    const KAVUnicodeString directory = std::getenv("ZORVENICONPATH");
    if (directory.GetLengthInChar() > 0)
      result = directory + "/" + iconName + ".gif";
  }
  trace.Close(KAVClosing::Footing(36, 35),
              "KAVMfgDeclarative::GetIconPath, end", {{" oPath = ", result}});
  return result;
}
