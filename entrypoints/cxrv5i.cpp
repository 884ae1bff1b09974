// cxrv5i: sets up the environment of a GII batch record or replay run.
#include <cstdlib>
#include <cstring>

#include "KAVEntryPoints.h"
#include "KAVTrace.h"
#include "KAVUnicodeString.h"

namespace {

constexpr int kArgumentWidth = 80;
constexpr int kHashLineWidth = 48;
constexpr int kBlockWidth = 63;

// A string constant: putenv keeps the pointer, which stays valid while the
// library is loaded. putenv takes char*, but never writes through it.
char kRecordModeEntry[] = "GIIBatchRecordV5=OUI";

// The first kArgumentWidth characters, blank-padded to that width, then
// stripped; a null argument is the empty text. Never reads past the
// kArgumentWidth characters that are used.
KAVUnicodeString Argument(const char* iText) {
  KAVUnicodeString text;
  if (iText != nullptr)
    text = KAVUnicodeString(iText,
                            static_cast<int>(strnlen(iText, kArgumentWidth)));
  text.Resize(kArgumentWidth, ' ', 1);
  return text.Strip(KAVStripBoth, ' ');
}

KAVUnicodeString Variable(const char* iName) {
  return KAVUnicodeString(getenv(iName));
}

void PrintBlock(const char* iLabel, const char* iText) {
  static const char kBanner[] =
      "MFG...MFG...MFG...MFG...MFG...MFG...MFG...MFG...MFG...MFG...MFG";
  static_assert(sizeof kBanner - 1 == kBlockWidth, "banner width");
  const KAVUnicodeString blanks(std::string(kBlockWidth, ' '));
  KAVTrace::Text(kBanner);
  KAVTrace::Text(kBanner);
  KAVTrace::Text(blanks);
  KAVTrace::Line(iLabel, iText);
  KAVTrace::Text(blanks);
  KAVTrace::Text(kBanner);
  KAVTrace::Text(kBanner);
}

// One environment entry built from the three directories, a later rule
// replacing an earlier one; empty when none of them is set.
KAVUnicodeString BuildEntry(const char* iPrefix, const char* iCapturePrefix,
                            const KAVUnicodeString& iUserDir,
                            const KAVUnicodeString& iReplayDir,
                            const KAVUnicodeString& iCaptureDir,
                            const KAVUnicodeString& iName,
                            const KAVUnicodeString& iGroup) {
  KAVUnicodeString entry;
  if (iUserDir != "")
    entry = iPrefix + iUserDir + "/MfgInterface.tst/" + iGroup + "/" + iName;
  if (iReplayDir != "") entry = iPrefix + iReplayDir + "/" + iName;
  if (iCaptureDir != "") entry = iCapturePrefix + iCaptureDir + "/" + iName;
  return entry;
}

// Prints the entry's block, copies it into an array that the environment
// keeps (never released: putenv holds the pointer, and an earlier call's
// arrays stay in use until replaced), prints the block of the copy and
// hands the copy to putenv.
char* Publish(const char* iLabel, const KAVUnicodeString& iEntry) {
  PrintBlock(iLabel, iEntry.ConvertToChar());
  const size_t length = std::strlen(iEntry.ConvertToChar());
  char* kept = new char[length + 1];
  std::memcpy(kept, iEntry.ConvertToChar(), length + 1);
  PrintBlock(iLabel, kept);
  putenv(kept);
  return kept;
}

}  // namespace

// Every line goes to standard output whatever the trace switches say. The
// results of putenv and new are not examined: nothing is reported. With
// none of the three directories set, each entry is empty and putenv is
// handed an empty text, which changes nothing.
char* cxrv5i(const char* iName, const char* iGroup) {
  const std::string hashes(kHashLineWidth, '#');
  KAVTrace::Text(hashes.c_str());
  KAVTrace::Text(hashes.c_str());
  KAVTrace::Text(hashes.c_str());
  putenv(kRecordModeEntry);
  const KAVUnicodeString name = Argument(iName);
  const KAVUnicodeString group = Argument(iGroup);
  KAVTrace::Line("Repertoire officiel de recherche du capture.rec :",
                 group + "/" + name + ".");
  const KAVUnicodeString replayDir = Variable("GIIBatchRecordV5Replay");
  const KAVUnicodeString captureDir = Variable("GIIBatchRecordV5Capture");
  const KAVUnicodeString userDir = Variable("ADL_BSF_UDIR");
  Publish(" RecordV5Dir :",
          BuildEntry("KAVRECORDREPLAY=", "KAVRECORDCAPTURE=", userDir,
                     replayDir, captureDir, name, group));
  Publish(" SettingsDir :",
          BuildEntry("KAVUserSettingPath=", "KAVUserSettingPath=", userDir,
                     replayDir, captureDir, name, group));
  return Publish(" MfgDataInDir :",
                 BuildEntry("MfgDataInDir=", "MfgDataInDir=", userDir,
                            replayDir, captureDir, name, group));
}
