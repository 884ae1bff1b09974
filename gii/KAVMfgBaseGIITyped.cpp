// KAVMfgBaseGII: typed variables (integer, real, element, string, text,
// prompt, integer list), their existence and valued state, and erasing.
#include "KAVLegacyRoutines.h"
#include "KAVMfgBaseGII.h"
#include "KAVMfgBaseGIIForms.h"
#include "KAVTrace.h"

using namespace kavgii;

namespace {

// What GMIKEY gives for field 1 of a variable, read as the integer and real
// readers read it: no text buffer, a text length of 0.
struct KeyRead {
  int type = 0;
  int intValue = 0;
  double realValue = 0.0;
  int ier = 0;
};

KeyRead ReadFirstField(int& ioId) {
  KeyRead read;
  int field = 1, textLength = 0;
  GMIKEY(&ioId, &field, &read.type, &read.intValue, &read.realValue,
         &textLength, nullptr, &read.ier);
  return read;
}

}  // namespace

// --- Writers ----------------------------------------------------------------

void KAVMfgBaseGII::SetGIIIntVariable(const KAVUnicodeString& iName,
                                      const int& iValue, const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "SetGIIIntVariable, start");
    KAVTrace::Line("variable : ", iName);
    KAVTrace::Line("value    : ", iValue);
    BannerBottom(38);
  }
  if (OdtOn()) return;
  const KAVUnicodeString name = Stripped(iName);
  int id = GetGIIId(name, iBuffer);
  if (id == 0) return;
  int count = 1, types[] = {kIntType}, ints[] = {iValue}, lengths[] = {0};
  int ier = 0;
  GMOKEY(&id, &count, types, ints, nullptr, lengths, nullptr, &ier);
  if (traced) KAVTrace::Line("ier gmokey : ", ier);
  if (ier != 0 && name != kErrorVariable) {
    SetGIIError(ier, iBuffer);
    return;
  }
  if (traced) KAVTrace::Close(22, "SetGIIIntVariable, end");
}

void KAVMfgBaseGII::SetGIIDoubleVariable(const KAVUnicodeString& iName,
                                         const double& iValue,
                                         const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "SetGIIDoubleVariable, start");
    KAVTrace::Line("variable : ", iName);
    KAVTrace::Line("value    : ", iValue);
    BannerBottom(38);
  }
  if (OdtOn()) return;
  const KAVUnicodeString name = Stripped(iName);
  int id = GetGIIId(name, iBuffer);
  if (id == 0) return;
  int count = 1, types[] = {kRealType}, lengths[] = {0};
  double reals[] = {iValue};
  int ier = 0;
  GMOKEY(&id, &count, types, nullptr, reals, lengths, nullptr, &ier);
  if (traced) KAVTrace::Line("ier gmokey : ", ier);
  if (ier != 0 && name != kErrorVariable) {
    SetGIIError(ier, iBuffer);
    return;
  }
  if (traced) KAVTrace::Close(22, "SetGIIDoubleVariable, end");
}

// Its banners carry the integer writer's titles.
void KAVMfgBaseGII::SetGIIElemVariable(const KAVUnicodeString& iName,
                                       const int& iValue, const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "SetGIIIntVariable, start");
    KAVTrace::Line("variable : ", iName);
    KAVTrace::Line("value    : ", iValue);
    BannerBottom(38);
  }
  if (OdtOn()) return;
  int id = GetGIIId(Stripped(iName), iBuffer);
  if (id == 0) return;
  int value = iValue, ier = 0;
  GMOSEL(&id, &value, &ier);
  if (traced) KAVTrace::Line("ier gmosel : ", ier);
  if (ier != 0) {
    SetGIIError(ier, iBuffer);
    return;
  }
  if (traced) KAVTrace::Close(22, "SetGIIIntVariable, end");
}

void KAVMfgBaseGII::SetGIIStringVariable(const KAVUnicodeString& iName,
                                         const KAVUnicodeString& iValue,
                                         const int iBuffer) {
  if (OdtOn()) return;
  int id = GetGIIId(Stripped(iName), iBuffer);
  if (id == 0) return;
  KAVKernelText value(Stripped(iValue));
  int count = 1, ier = 0;
  GMOKCH(&id, &count, &value.Length(), value.Data(), &ier);
  if (ier != 0) SetGIIError(ier, iBuffer);
}

// Relies on: a GII text is exactly 80 characters in the kernel, passed with
// the length 80 beside it.
void KAVMfgBaseGII::SetGIITextVariable(const KAVUnicodeString& iName,
                                       const KAVUnicodeString& iValue,
                                       const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "SetGIITextVariable, start");
    KAVTrace::Line("variable : ", iName);
    KAVTrace::Line("value    : ", iValue);
    BannerBottom(38);
  }
  if (OdtOn()) return;
  const KAVUnicodeString name = Stripped(iName);
  int id = GetGIIId(name, iBuffer);
  if (id == 0) return;
  KAVKernelField text(Stripped(iValue), kTextWidth);
  int count = 1, types[] = {kTextType}, lengths[] = {kTextWidth};
  int ier = 0;
  GMOKEY(&id, &count, types, nullptr, nullptr, lengths, text.Data(), &ier);
  if (traced) KAVTrace::Line("ier gmokey : ", ier);
  if (ier != 0 && name != kErrorVariable) {
    SetGIIError(ier, iBuffer);
    return;
  }
  if (traced) KAVTrace::Close(23, "SetGIITextVariable, end");
}

void KAVMfgBaseGII::SetGIIPromptVariable(const KAVUnicodeString& iName,
                                         const KAVUnicodeString& iValue,
                                         const int iBuffer) {
  if (OdtOn()) return;
  int id = GetGIIId(Stripped(iName), iBuffer);
  if (id == 0) return;
  KAVKernelText value(iValue);
  int ier = 0;
  GMOPRO(&id, value.Data(), &value.Length(), &ier);
  if (ier != 0) SetGIIError(ier, iBuffer);
}

// --- Readers ----------------------------------------------------------------

int KAVMfgBaseGII::GetGIIIntVariable(const KAVUnicodeString& iName,
                                     const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "GetGIIIntVariable, start");
    KAVTrace::Line("variable : ", iName);
    BannerBottom(38);
  }
  if (OdtOn()) return 0;
  int id = GetGIIId(Stripped(iName), iBuffer);
  if (id == 0) return 0;
  const KeyRead read = ReadFirstField(id);
  if (traced) KAVTrace::Line("ier gmikey : ", read.ier);
  if (read.ier != 0) {
    SetGIIError(read.ier, iBuffer);
    return 0;
  }
  const int result = read.type == kIntType ? read.intValue : 0;
  if (traced) {
    KAVTrace::Line("value : ", result);
    KAVTrace::Close(22, "GetGIIIntVariable, end");
  }
  return result;
}

double KAVMfgBaseGII::GetGIIDoubleVariable(const KAVUnicodeString& iName,
                                           const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "GetGIIDoubleVariable, start");
    KAVTrace::Line("variable : ", iName);
    BannerBottom(38);
  }
  if (OdtOn()) return 0.0;
  int id = GetGIIId(Stripped(iName), iBuffer);
  if (id == 0) return 0.0;
  const KeyRead read = ReadFirstField(id);
  if (traced) KAVTrace::Line("ier gmikey : ", read.ier);
  if (read.ier != 0) {
    SetGIIError(read.ier, iBuffer);
    return 0.0;
  }
  const double result = read.type == kRealType ? read.realValue : 0.0;
  if (traced) {
    KAVTrace::Line("value : ", result);
    KAVTrace::Close(22, "GetGIIDoubleVariable, end");
  }
  return result;
}

int KAVMfgBaseGII::GetGIIElemVariable(const KAVUnicodeString& iName,
                                      const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "GetGIIElemVariable, start");
    KAVTrace::Line("variable : ", iName);
    BannerBottom(38);
  }
  if (OdtOn()) return 0;
  int id = GetGIIId(Stripped(iName), iBuffer);
  if (id == 0) return 0;
  int value = 0, second = 0, ier = 0;
  GMISEL(&id, &value, &second, &ier);
  if (traced) KAVTrace::Line("ier gmisel : ", ier);
  if (ier != 0) {
    SetGIIError(ier, iBuffer);
    return value;
  }
  if (traced) KAVTrace::Close(22, "GetGIIElemVariable, end");
  return value;
}

// Relies on: GMIKCH writes at most 80 characters and returns their count;
// the count is brought into 0..80 before it is used.
KAVUnicodeString KAVMfgBaseGII::GetGIIStringVariable(
    const KAVUnicodeString& iName, const int iBuffer) {
  if (OdtOn()) return KAVUnicodeString();
  int id = GetGIIId(Stripped(iName), iBuffer);
  if (id == 0) return KAVUnicodeString();
  KAVKernelField buffer(kTextWidth);
  int count = 1, length = 0, ier = 0;
  GMIKCH(&id, &count, &length, buffer.Data(), &ier);
  if (ier != 0) {
    SetGIIError(ier, iBuffer);
    return KAVUnicodeString();
  }
  return Stripped(ReturnedText(buffer, length));
}

// Relies on: GMIKEY fills the 80-character buffer whose length it is
// given. The returned length and type code are not looked at. A failure on
// "IERZORVEN" is not raised and the buffer is still read.
KAVUnicodeString KAVMfgBaseGII::GetGIITextVariable(
    const KAVUnicodeString& iName, const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "GetGIITextVariable, start");
    KAVTrace::Line("variable : ", iName);
    BannerBottom(38);
  }
  if (OdtOn()) return KAVUnicodeString();
  const KAVUnicodeString name = Stripped(iName);
  int id = GetGIIId(name, iBuffer);
  if (id == 0) return KAVUnicodeString();
  KAVKernelField buffer(kTextWidth);
  int field = 1, type = kCharType, intValue = 0, length = kTextWidth, ier = 0;
  double realValue = 0.0;
  GMIKEY(&id, &field, &type, &intValue, &realValue, &length, buffer.Data(),
         &ier);
  if (traced) KAVTrace::Line("ier gmikey : ", ier);
  if (ier != 0 && name != kErrorVariable) {
    SetGIIError(ier, iBuffer);
    return KAVUnicodeString();
  }
  const KAVUnicodeString result = Stripped(ReturnedText(buffer, kTextWidth));
  if (traced) {
    KAVTrace::Line("value : ", result);
    KAVTrace::Close(23, "GetGIITextVariable, end");
  }
  return result;
}

// Relies on: GMIPRO fills the 80-character buffer and returns the length
// of the prompt, whose blanks count. The text is taken before the code is
// looked at, and returned even after a failure.
KAVUnicodeString KAVMfgBaseGII::GetGIIPromptVariable(
    const KAVUnicodeString& iName, const int iBuffer) {
  if (OdtOn()) return KAVUnicodeString();
  int id = GetGIIId(Stripped(iName), iBuffer);
  if (id == 0) return KAVUnicodeString();
  KAVKernelField buffer(kTextWidth);
  int length = 0, ier = 0;
  GMIPRO(&id, buffer.Data(), &length, &ier);
  const KAVUnicodeString result = ReturnedText(buffer, length);
  if (ier != 0) SetGIIError(ier, iBuffer);
  return result;
}

// Relies on: GMIPTR answers the number of values of a list variable,
// GMOPTR makes value i the current one, and GMIKEY then reads it. Values
// of another type than integer are skipped.
KAVRawCollint KAVMfgBaseGII::GetGIIIntListVariable(
    const KAVUnicodeString& iName, const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (traced) {
    BannerTop(38, "GetGIIIntListVariable, start");
    KAVTrace::Line("variable : ", iName);
    BannerBottom(38);
  }
  KAVRawCollint result(0);
  if (OdtOn()) return result;
  int id = GetGIIId(Stripped(iName), iBuffer);
  if (id == 0) return result;
  int position = 0, count = 0, ier = 0;
  GMIPTR(&id, &position, &count, &ier);
  if (ier != 0) {
    SetGIIError(ier, iBuffer);
    return result;
  }
  // Counted up to the kernel's number without ever stepping past INT_MAX.
  for (int i = 0; i < count;) {
    ++i;
    int current = i;
    GMOPTR(&id, &current, &ier);
    if (ier != 0) {
      SetGIIError(ier, iBuffer);
      return result;
    }
    const KeyRead read = ReadFirstField(id);
    if (traced) KAVTrace::Line("ier gmikey : ", read.ier);
    if (read.ier != 0) {
      SetGIIError(read.ier, iBuffer);
      return result;
    }
    if (read.type == kIntType) result.Append(read.intValue);
  }
  if (traced) KAVTrace::Close(22, "GetGIIIntListVariable, end");
  return result;
}

// --- Queries and erasing ----------------------------------------------------

int KAVMfgBaseGII::IsValuatedGIIVariable(const KAVUnicodeString& iName,
                                         const int iBuffer) {
  if (OdtOn()) return 0;
  int id = GetGIIId(Stripped(iName), iBuffer);
  if (id == 0) return 0;
  int valued = 0, ier = 0;
  GMIQVA(&id, &valued, &ier);
  if (ier != 0) {
    SetGIIError(ier, iBuffer);
    return 0;
  }
  return valued;
}

// Relies on: an unknown name is an answer here, not an error: the
// kernel's error journal is cleared and nothing is raised.
int KAVMfgBaseGII::IsExistingGIIVariable(const KAVUnicodeString& iName,
                                         const int iBuffer) {
  const int traced = GetDebug("KAVMfgBaseGII");
  if (OdtOn()) return 0;
  const KAVUnicodeString name = Stripped(iName);
  if (iBuffer == 1) {
    if (_GIINames == nullptr || _GIIIds == nullptr) return 0;
    if (traced) KAVTrace::Text("J'utilise le buffer");
    return CacheIndex().Locate(*_GIINames, name.ToStdString()) > 0 ? 1 : 0;
  }
  KAVKernelText text(name);
  int id = 0, ier = 0;
  GMIQID(&text.Length(), text.Data(), &id, &ier);
  if (ier == 0) return 1;
  GUERJO();
  return 0;
}

void KAVMfgBaseGII::UnsetGIIVariable(const KAVUnicodeString& iName,
                                     const int iBuffer) {
  if (OdtOn()) return;
  int id = GetGIIId(Stripped(iName), iBuffer);
  if (id == 0) return;
  int valued = 0, ier = 0;
  GMIQVA(&id, &valued, &ier);
  if (ier != 0) {
    SetGIIError(ier, iBuffer);
    return;
  }
  if (valued != 1) return;
  GMORAZ(&id, &ier);
  if (ier != 0) SetGIIError(ier, iBuffer);
}

// A failing GMORAL is raised with the buffer flag 0, unlike GMIQVA's.
void KAVMfgBaseGII::UnsetGIIListVariable(const KAVUnicodeString& iName,
                                         const int iBuffer) {
  if (OdtOn()) return;
  int id = GetGIIId(Stripped(iName), iBuffer);
  if (id == 0) return;
  int valued = 0, ier = 0;
  GMIQVA(&id, &valued, &ier);
  if (ier != 0) {
    SetGIIError(ier, iBuffer);
    return;
  }
  if (valued != 1) return;
  GMORAL(&id, &ier);
  if (ier != 0) SetGIIError(ier, 0);
}
