// KAVMfgUtilities: the manufacturing application's general helpers, all
// static: fixed-field and quoting helpers, query-text helpers, environment,
// path and file helpers, time and comparison helpers, program execution
// and image capture. They return status integers; none keeps state except
// IsUNIXAllowed. Traces (key "KAVMfgUtilities") only where stated.
#ifndef KAVMfgUtilities_h
#define KAVMfgUtilities_h

#include <iosfwd>

#include "KAVExport.h"
#include "KAVListValKAVUnicodeString.h"
#include "KAVRawCollint.h"
#include "KAVUnicodeString.h"

class ExportedByT4711BAS KAVMfgUtilities {
 public:
  KAVMfgUtilities();
  KAVMfgUtilities(const KAVMfgUtilities&);
  KAVMfgUtilities& operator=(const KAVMfgUtilities&);
  virtual ~KAVMfgUtilities();

  // ==== String and quoting helpers ====

  // Fixed fields are n characters, blank-padded on the right and not
  // terminated; C strings are terminated. A null pointer is taken as the
  // empty text; a null destination is left alone (nothing is written).

  // Writes exactly n characters into oField (no terminator): the first
  // min(n, length) characters of iText, then blanks. n below 1 writes
  // nothing. Returns oField.
  static char* dmstrfc(char* oField, const char* iText, const int iWidth);
  // dmstrfc on the characters of iText (up to its first NUL).
  static char* stringtof(const KAVUnicodeString& iText, const int iWidth,
                         char* oField);
  // oText = iField without its trailing blanks, terminated; a field of
  // blanks gives a single blank. Requires: oText has iWidth + 1 bytes.
  // A width below 1 gives the empty C string; a null field reads as blanks.
  static void dmstrcf(char* oText, const char* iField, const int iWidth);
  // oText = the first iWidth characters of iField, blanks stripped at both
  // ends.
  static void ftostring(const char* iField, const int iWidth,
                        KAVUnicodeString& oText);
  // Length of a C string, 0 for a null pointer. Members of this class that
  // mean the C library's function must write ::strlen.
  static int strlen(const char* iText);
  static int dmstrlen(const char* iText);
  // oText = "'" + iText with every "'" doubled + "'", terminated.
  // Requires: oText has 2 * strlen(iText) + 3 bytes.
  static void dmqotqot(char* oText, const char* iText);

  // iText with every "'" doubled, enclosed in "'".
  static KAVUnicodeString qotqot(const KAVUnicodeString& iText);
  // atof of the characters: leading blanks skipped, 0.0 when no number.
  static double stringtodouble(const KAVUnicodeString& iText);
  // First character upper case, the rest lower case; empty stays empty.
  static KAVUnicodeString GetDisplayString(const KAVUnicodeString& iText);
  // Inserts iInsert after the first character of occurrences of iPattern,
  // searching from position iStep, then iStep past each match found, while
  // the search position is below the length of iText. Requires: iStep >= 1
  // (below that the text comes back unchanged).
  static KAVUnicodeString FormatStr(const KAVUnicodeString& iText,
                                    const KAVUnicodeString& iPattern,
                                    const int iStep,
                                    const KAVUnicodeString& iInsert);
  // Splits iText at commas into at most kMaxItems items, each stripped of
  // blanks, then of double quotes, at both ends; text past the last item
  // is dropped. Returns a new array of kMaxItems strings (the caller
  // deletes it with delete[]) and stores the item count in *oCount when
  // oCount is not null. An empty text is one empty item.
  static KAVUnicodeString* GetItems(const KAVUnicodeString& iText, int* oCount);
  // The same items as a list.
  static KAVListValKAVUnicodeString GetItems(const KAVUnicodeString& iText);
  static constexpr int kMaxItems = 250;
  // Reads one line (newline dropped) of at most 1022 characters into
  // oLine. Returns 1, or 0 when the stream has reached its end (a last line
  // without a newline is still stored) or cannot be read. A longer line
  // comes back in pieces of 1022 characters over successive calls.
  static int ReadLine(std::ifstream& ioStream, KAVUnicodeString& oLine);

  // ==== Query-text helpers ====

  // Plain text rules on SQL-like statements: keywords are their upper-case
  // form with one blank on each side (" FROM ", " WHERE ", " ORDER BY "),
  // matched exactly; nothing is validated.

  // The iIndex-th statement (from 1; below 1 means 1) of a ";"-separated
  // text, unstripped; empty when there are fewer statements.
  static KAVUnicodeString GetSelect(const KAVUnicodeString& iText,
                                    const int iIndex);
  // The text from position 7 (after "SELECT ") up to the first " FROM " at
  // or after it, unstripped; empty when there is none.
  static KAVUnicodeString GetAtt(const KAVUnicodeString& iText);
  // The text after " FROM " up to the first " WHERE " (else " ORDER BY ",
  // else the end), without trailing ";" and surrounding blanks.
  static KAVUnicodeString GetTable(const KAVUnicodeString& iText);
  // The names of GetTable's comma-separated items, each cut at its first
  // blank (dropping an alias).
  static KAVListValKAVUnicodeString GetTableList(const KAVUnicodeString& iText);
  // "WHERE ..." (else "ORDER BY ...") to the end, without trailing ";" and
  // surrounding blanks; empty when neither keyword is there.
  static KAVUnicodeString GetWhere(const KAVUnicodeString& iText);
  // owner of owner.object (the whole name without "."), trailing blanks
  // stripped.
  static KAVUnicodeString ObjectOwner(const KAVUnicodeString& iName);
  // object of owner.object (empty without "."), trailing blanks stripped.
  static KAVUnicodeString ObjectTable(const KAVUnicodeString& iName);
  // oText = the characters of iName after its first "." (empty without
  // one), terminated. Requires: room for strlen(iName) - owner length + 1
  // bytes. Returns oText.
  static char* dmobjtable(const char* iName, char* oText);
  // 21 $COID_FATHER, 22 $COMPID_FATHER, 11 $COID_REF, 12 $COMPID_REF,
  // 1 $COID, 2 $COMPID: the first of these found, in this order; 0 for none
  // or a text shorter than 5 characters.
  static int IsCoidOrCompid(const KAVUnicodeString& iText);

  // ==== Time and comparison helpers ====

  // Timestamp texts read and write "%Y-%m-%d-%H.%M.%S.000000" (26
  // characters). Comparisons answer -1, 0 or 1 and suit QuickSort; a null
  // pointer compares as the empty text.

  // The current local time as a timestamp text (empty if it does not fit).
  static KAVUnicodeString GetCurTimeCDMFormat();
  // Days in the month (Gregorian leap years, negative years too); 0 for a
  // month outside 1 to 12.
  static int GetNumberOfDays(const int iYear, const int iMonth);
  // "0" (Sunday) to "6" for a timestamp text in local time; empty for a
  // blank text or one that does not parse.
  static KAVUnicodeString GetDayOfWeek(const KAVUnicodeString& iDate);
  // Byte order with every byte taken as signed (0x80 and above before
  // ASCII and before the end of a text), except that a text that has ended
  // sorts before any longer one. Not a strict ordering for such bytes:
  // "ab\xC8" and "ab" each sort before the other.
  static int CompareStrings(KAVUnicodeString* iFirst,
                            KAVUnicodeString* iSecond);
  // CompareStrings of the values of "key,value" texts: the text after the
  // first comma (a comma in first position, or none, keeps the whole text),
  // double quotes stripped at both ends.
  static int CompareDecStrings(KAVUnicodeString* iFirst,
                               KAVUnicodeString* iSecond);
  // The same on two 80-character blank-padded fields, for sorting arrays
  // of such records.
  static int CompareDecStrings(const void* iFirst, const void* iSecond);
  static constexpr int kDecFieldWidth = 80;

  // ==== Environment, path and file helpers ====

  // Paths go to the system as their character form (up to a first NUL).
  // AnalyzeFile, CheckPathNameAccess and SplitPathName trace under
  // "KAVMfgUtilities", asking the switch on every call.

  // The variable's value; empty when it is unset.
  static KAVUnicodeString GetEnv(const KAVUnicodeString& iName);
  // putenv of "name=value", duplicated into memory the environment keeps
  // for the life of the process. Returns putenv's result (0 on success).
  static int PutEnv(const KAVUnicodeString& iName,
                    const KAVUnicodeString& iValue);
  // iPath with each "/"-separated component of the form $NAME replaced, at
  // every place it occurs, by GetEnv(NAME) (nothing when unset). The walk
  // stops at the first empty component; a "$" inside a component stays.
  static KAVUnicodeString ExpandPath(const KAVUnicodeString& iPath);
  // Selector bits of ListDirectory: the file-type bits of a stat mode.
  static const unsigned long kListFiles = 0x8000;
  static const unsigned long kListDirectories = 0x4000;
  // Appends the names of iDirectory's regular files (kListFiles) and
  // directories (kListDirectories, "." and ".." included), symbolic links
  // followed, entries that cannot be stat-ed left out, then sorts with
  // CompareStrings. With both bits oLists is an array of two lists: files
  // go to oLists[0], directories to oLists[1]; otherwise only oLists[0] is
  // touched. Lists are appended to, not cleared. Returns the size of
  // oLists[0], or -1 (lists untouched) when the directory cannot be opened
  // or oLists is null.
  static int ListDirectory(const KAVUnicodeString& iDirectory,
                           KAVListValKAVUnicodeString* oLists,
                           const unsigned long iMask);
  // ioPath (leading blanks and trailing "/" removed) joined with iDir: ""
  // or "." leaves the cleaned path, ".." drops its last component (a path
  // with no "/" past its first character becomes empty), anything else is
  // appended after a "/" as given. iDir is compared without its leading
  // blanks and surrounding "/".
  static void AppendDir(KAVUnicodeString& ioPath, const KAVUnicodeString& iDir);
  // stat of the path: 0 no such path, 1 exists and is not a directory,
  // 2 directory.
  static int IsFileExist(const KAVUnicodeString& iPathName);
  // Through KAVGetFileInfo: 0 exists and is not a directory, 1 directory,
  // 2 missing or unreadable (a different scale from IsFileExist).
  static int AnalyzeFile(const KAVUnicodeString& iPathName);
  // access(path, iMode) with the system's mode bits (F_OK, R_OK, W_OK,
  // X_OK): 0 when granted, -1 otherwise.
  static int CheckPathNameAccess(const KAVUnicodeString& iPathName,
                                 const int& iMode);
  // Directory and file parts of the path through KAVSplitPath, as written
  // (no stripping). Only the first kMaxPathLength characters are split: a
  // longer path is cut there, never written past a buffer.
  static void SplitPathName(const KAVUnicodeString& iPathName,
                            KAVUnicodeString& oDirPath,
                            KAVUnicodeString& oFileName);
  static const int kMaxPathLength = 255;
  // 1 when iText matches the shell pattern iPattern (fnmatch, no flags),
  // else 0.
  static int MatchPattern(const KAVUnicodeString& iText,
                          const KAVUnicodeString& iPattern);

  // ==== Shell execution and image capture ====

  // Starts iCommand (looked up along PATH when it holds no "/") with the
  // first iArgCount strings of iArgs as its arguments, exactly as given: no
  // shell, no splitting, no expansion. Returns as soon as the child has
  // left this process image (vfork); the child's outcome is not reported.
  // A child whose program cannot be started exits at once with status 127.
  // Finished children are not reaped: waiting for them is left to the
  // application, which alone knows which children it waits for (or ignores
  // SIGCHLD).
  static void executeshell(const KAVUnicodeString& iCommand,
                           const int& iArgCount, KAVUnicodeString* iArgs);
  // Asks the kernel to grab the current picture into the file iPathName
  // (cut to kMaxPathLength characters, then stripped of blanks). Returns
  // the kernel's code, 0 on success; no error number is kept. Traces under
  // "KAVMfgUtilities".
  static int CaptImage(const KAVUnicodeString& iPathName);
  // A flag for the application, never read by the library: 0 at load, and
  // brought back to 0 by the library's static initialization if it holds
  // anything other than 0 or 1 by then.
  static int IsUNIXAllowed;
};

#endif
