// KAVMfgSetting: the application's settings reader, integer settings kept in
// a plain-text store.
//
// Store: one file per setting group, named after the group with ".txt"
// ("MFGPROG.txt"), in the directory named by the environment variable
// KAVUserSettingPath; when that is unset or empty, $HOME/.kavsettings
// (with HOME unset too, nothing is found). Each line of a file is
//   key = value
// with blanks and tabs allowed around the key, the "=" and the value. The key
// is matched exactly (case-sensitive); the value is a decimal int with an
// optional sign. Empty lines and lines starting with "#" are skipped. When a
// key appears more than once, its last line counts. The store is read afresh
// on every call: nothing is cached.
#ifndef KAVMfgSetting_h
#define KAVMfgSetting_h

#include "KAVPlatformExport.h"
#include "KAVUnicodeString.h"

class KAV_PLATFORM_API KAVMfgSetting {
 public:
  enum ReadStatus {
    SettingFound = 0,      // the value is in *oValue
    SettingMissing = 1,    // no file for the group, or no line for the key
    SettingMalformed = 2,  // the key's line holds no int in range
    SettingNoCell = 3      // oValue is null
  };

  virtual ~KAVMfgSetting();

  // Reads the int setting iKey of the group iGroup into *oValue. Only
  // SettingFound writes *oValue: in every other case the caller's cell is
  // left exactly as it was. Returns a ReadStatus.
  static int ReadSetting(const KAVUnicodeString& iKey, int* oValue,
                         const KAVUnicodeString& iGroup);

  // The directory of the store as ReadSetting uses it now (empty when
  // neither KAVUserSettingPath nor HOME is set).
  static KAVUnicodeString GetStoreDirectory();
};

#endif
