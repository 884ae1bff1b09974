// What the GII family's three groups of operations share beyond widths:
// the session's fixed names, the type codes, the opening of every variable
// operation, reading a text back, and the index of the identifier cache.
// Internal to the family.
#ifndef KAVMfgBaseGIIShared_h
#define KAVMfgBaseGIIShared_h

#include "KAVKernelForm.h"
#include "KAVListIndex.h"
#include "KAVUnicodeString.h"

namespace kavgii {

// The session's error variable and error event: failures on these two
// names are never raised again, so reporting an error cannot loop.
constexpr const char* kErrorVariable = "IERZORVEN";
constexpr const char* kErrorEvent = "OUTER";

// Type codes exchanged with GMOKEY and GMIKEY.
constexpr int kRealType = 1;
constexpr int kIntType = 2;
constexpr int kCharType = 3;
constexpr int kTextType = 4;

// MFGODT "OUI": every operation of the class is a no-op.
bool OdtOn();

// The opening of every variable operation, after its start banner: with
// MFGODT "OUI" nothing is asked; otherwise the name, stripped of blanks at
// both ends, goes to GetGIIId, which raises its own failure. 0 (ODT, or no
// identifier): the operation returns its default at once, silently.
int Resolve(const KAVUnicodeString& iName, int iBuffer);
// The same, keeping the stripped name for an operation that exempts
// "IERZORVEN" or "OUTER" from raising.
int Resolve(const KAVUnicodeString& iName, int iBuffer,
            KAVUnicodeString& oName);

// A failing kernel call reported into the session: a nonzero iIer goes to
// SetGIIError with iBuffer as its buffer flag. True then: the operation
// stops there, without its end banner.
bool RaiseIfFailed(int iIer, int iBuffer);

inline KAVUnicodeString Stripped(const KAVUnicodeString& iText) {
  return iText.Strip(KAVStripBoth, ' ');
}

// A read buffer's text cut or blank-padded to the length the kernel
// returned, that length brought into 0..the buffer's width first.
inline KAVUnicodeString ReturnedText(const KAVKernelField& iBuffer,
                                     int iLength) {
  KAVUnicodeString text = iBuffer.Text();
  text.Resize(KAVClampLength(iLength, iBuffer.Width()), ' ');
  return text;
}

// The one index of the class's identifier cache; the class clears it
// whenever it empties or deletes the cache.
KAVListIndex& CacheIndex();

}  // namespace kavgii

#endif
