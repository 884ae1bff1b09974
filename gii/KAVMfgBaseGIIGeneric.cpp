// KAVMfgBaseGII: generic access, several fields of mixed kinds written in
// one call and one field read whatever its kind.
#include <vector>

#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseGII.h"
#include "KAVMfgBaseGIIForms.h"
#include "KAVMfgBaseGIIShared.h"
#include "KAVTrace.h"

using namespace kavgii;

// Relies on: GMOKEY takes nfield type codes and pairs them with the value
// arrays, each kind read from its first entry. The arrays are sized by
// nfield alone (at least one entry, so none is a null pointer): type codes
// beyond nfield are not copied, a field without a type code goes as 0, and
// value entries beyond the caller's are 0 and 0.0. A text value is only a
// field of length 0; its characters are not passed.
void KAVMfgBaseGII::SetGIIVariable(const KAVUnicodeString& iName,
                                   const KAVRawCollint& iTypes,
                                   const KAVRawCollint& iInts,
                                   const KAVRawColldouble& iReals,
                                   const KAVListValKAVUnicodeString& iTexts,
                                   const int iBuffer) {
  if (OdtOn()) return;
  const KAVOperationTrace trace("KAVMfgBaseGII");
  trace.Open(KAVOpening::Framed(21), "SetGIIVariable, start",
             {{"variable : ", iName}});
  int id = Resolve(iName, iBuffer);
  if (id == 0) return;
  int nfield = iInts.Size() + iReals.Size() + iTexts.Size();
  const size_t entries = static_cast<size_t>(nfield > 0 ? nfield : 1);
  std::vector<int> types(entries, 0), ints(entries, 0), lengths(entries, 0);
  std::vector<double> reals(entries, 0.0);
  for (int k = 1; k <= iTypes.Size() && k <= nfield; ++k)
    types[static_cast<size_t>(k - 1)] = iTypes[k];
  for (int k = 1; k <= iInts.Size(); ++k)
    ints[static_cast<size_t>(k - 1)] = iInts[k];
  for (int k = 1; k <= iReals.Size(); ++k)
    reals[static_cast<size_t>(k - 1)] = iReals[k];
  trace.Line("Nombre de valeurs de type entier = ", iInts.Size());
  trace.Line("nfield = ", nfield);
  int ier = 0;
  GMOKEY(&id, &nfield, types.data(), ints.data(), reals.data(), lengths.data(),
         nullptr, &ier);
  trace.Line("ier gmokey : ", ier);
  if (RaiseIfFailed(ier, iBuffer)) return;
  trace.Close(KAVClosing::Framed(19), "SetGIIVariable, end");
}

// Relies on: GMIKEY writes the field's type code and value straight into
// the caller's variables, and for a text field up to 80 characters into
// the buffer with their count; the text length passed in is 0. The count
// is brought into 0..80 before the buffer is read.
void KAVMfgBaseGII::GetGIIVariable(const KAVUnicodeString& iName,
                                   const int& iField, int& oType, int& oInt,
                                   double& oReal, KAVUnicodeString& oText,
                                   const int iBuffer) {
  if (OdtOn()) return;
  const KAVOperationTrace trace("KAVMfgBaseGII");
  trace.Open(KAVOpening::Framed(21), "GetGIIVariable, start",
             {{"variable : ", iName}, {"champs   : ", iField}});
  int id = Resolve(iName, iBuffer);
  if (id == 0) return;
  oType = 0;
  oInt = 0;
  oReal = 0.0;
  oText = KAVUnicodeString();
  KAVKernelField buffer(kTextWidth);
  int field = iField, length = 0, ier = 0;
  GMIKEY(&id, &field, &oType, &oInt, &oReal, &length, buffer.Data(), &ier);
  trace.Line("ier gmikey : ", ier);
  if (RaiseIfFailed(ier, iBuffer)) return;
  if (oType == kCharType && length > 0)
    oText = Stripped(ReturnedText(buffer, length));
  trace.Blank();
  if (oType == kRealType) trace.Line("DblVal : ", oReal);
  if (oType == kIntType) trace.Line("IntVal : ", oInt);
  if (oType == kCharType) trace.Line("StrVal : ", oText);
  trace.Close(KAVClosing::Framed(19), "GetGIIVariable, end");
}
