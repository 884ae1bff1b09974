// The reference kernel's one reader of site files, shared by every
// family. A site file is JSON that a person edits by hand, so nothing in
// it may abort the kernel, overflow its stack or turn into a silently
// wrong value: each parse, depth, type and range error becomes a kernel
// code (KAVSIM_SITE_...) and one message on standard error naming the
// file and the place in it.
//
//   kavsim::SiteFamily& Family() {            // one per family
//     static kavsim::SiteFamily family("catalog");
//     return family;
//   }
//   kavsim::SiteFile file = Family().Read("tables.json");
//   if (!file.Exists()) ...                   // an absent file, no error
//   kavsim::SiteValue kinds = file.Root().Member("kinds");
//   for (size_t i = 0; i < kinds.Size(); ++i) {
//     const int kind = kinds[i].Member("kind").Int();
//     ...
//   }
//   if (file.Code() != KAVSIM_OK) ...         // the first error, reported
//
// Accessors never throw and never read past what is there: after the
// first error they go on answering fallbacks (0, "", empty) and the file
// keeps that first error's code; the family decides what to keep.
#ifndef KAVSimSite_h
#define KAVSimSite_h

#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "KAVSimCodes.h"

namespace kavsim {

// Deepest nesting of arrays and objects a site file may have; real site
// files stay under 6. The parser refuses deeper values as it meets them,
// so a file of 100,000 brackets costs no stack.
constexpr int kSiteMaxDepth = 64;

class SiteFile;
struct SiteDocument;

// One value inside a site file, with its place for messages ("kinds[0]
// .title"). Missing members read as absent: Exists() false, and the
// typed accessors with a fallback return it without an error. A value is
// a few words: its place is worked out only for a message.
class SiteValue {
 public:
  bool Exists() const { return _node >= 0; }
  bool IsNull() const;
  bool IsText() const;  // a string, or a {"bytes": hex} text
  bool IsNumber() const;
  std::string Where() const;

  // A member of an object; an error when this value is present but not
  // an object.
  SiteValue Member(const char* iName) const;
  // Items of an array (Size 0 and an error when present and not an array;
  // 0 without an error when absent).
  size_t Size() const;
  SiteValue operator[](size_t iIndex) const;
  // Members of an object, in the order of their names, as (name, value).
  std::vector<std::pair<std::string, SiteValue>> Members() const;

  // Records an error the family finds in this value (a name too long for
  // its field, a duplicate): the file's first error is its code and its
  // one message, at this value's place.
  void Error(int iCode, const std::string& iWhat) const;

  // Typed reads. Without a fallback the value is required. An int must
  // be an integral number within int range (1e300 or 2.5 are errors); a
  // real is a number or one of "NaN", "Infinity", "-Infinity"; a text is
  // a string, or {"bytes": "<hex>"} for bytes that are not UTF-8.
  int Int() const;
  int Int(int iFallback) const;
  double Double() const;
  double Double(double iFallback) const;
  std::string Text() const;
  std::string Text(const std::string& iFallback) const;

 private:
  friend class SiteFile;
  SiteValue(SiteFile* iFile, long iNode, long iParent = -1,
            std::string iSteps = std::string())
      : _file(iFile),
        _node(iNode),
        _parent(iParent),
        _steps(std::move(iSteps)) {}
  const SiteDocument& Document() const;
  SiteValue Absent(std::string iStep) const;
  bool Wrong(int iCode, const char* iExpected) const;
  bool IntegralInRange(int& oValue) const;

  SiteFile* _file;
  long _node;  // in the document; -1: absent
  // An absent value's place: the steps (".name", "[i]") that lead to it
  // from a present container (-1: the top of the file). A present value
  // knows its own place in the document.
  long _parent;
  std::string _steps;
};

// A site file parsed whole. Moves only: values point into its document.
class SiteFile {
 public:
  SiteFile(SiteFile&&);
  SiteFile& operator=(SiteFile&&);
  ~SiteFile();

  bool Exists() const { return _exists; }
  const std::string& Path() const { return _path; }
  // KAVSIM_OK, or the code of the first error met reading or using it.
  int Code() const { return _code; }
  // The document; absent when the file is absent or did not parse.
  SiteValue Root();
  // Records an error the family finds itself (a duplicate, a value out of
  // the family's range): the first one is the file's code and message.
  void Error(int iCode, const std::string& iWhere, const std::string& iWhat);

 private:
  friend class SiteFamily;
  friend class SiteValue;
  SiteFile(std::set<std::string>* ioReported, std::string iPath);
  void Load();

  std::set<std::string>* _reported;  // the family's files said damaged
  std::string _path;
  bool _exists = false;
  int _code = KAVSIM_OK;
  std::unique_ptr<SiteDocument> _document;
};

// A family's part of the site: its subdirectory, and the files it has
// already reported damaged since the last kernel reset (each is said once
// on standard error however often a routine reads it).
class SiteFamily {
 public:
  explicit SiteFamily(const char* iSubdirectory);
  SiteFamily(const SiteFamily&) = delete;
  SiteFamily& operator=(const SiteFamily&) = delete;

  // <site>/<subdirectory>
  std::string Directory() const;
  std::string PathOf(const std::string& iName) const;
  // Reads <site>/<subdirectory>/<name> now.
  SiteFile Read(const std::string& iName);
  void ForgetReported() { _reported.clear(); }

 private:
  std::string _subdirectory;
  std::set<std::string> _reported;
};

// Texts and reals as a site file keeps them, for families that write the
// site: the inverse of SiteValue::Text and SiteValue::Double, so that
// every byte string and every double (NaN and infinities included) reads
// back as it was.
nlohmann::json SiteText(const std::string& iBytes);
nlohmann::json SiteDouble(double iValue);

// Checks the site directory once per process and, when it is missing, not
// a directory or empty, says so once on standard error. Empty when the
// directory is usable, else what is wrong with it.
const std::string& SiteProblem();

}  // namespace kavsim

#endif
