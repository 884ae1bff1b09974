// The reference kernel's NC dictionary: the one current dictionary, its
// classes and attributes, and how it is read from and written to the
// site (<site>/dictionary/<member>.json). Shared by the dictionary
// routines and the family's control functions; nothing here is exported.
#ifndef KAVSimDictionary_h
#define KAVSimDictionary_h

#include <string>
#include <unordered_map>
#include <vector>

namespace kavsim {
namespace dictionary {

constexpr int kFacetCount = 11;
constexpr int kTypeFacet = 2;  // facet 3: 0/1 int, 2 real, 3 text values

// Possible values; only the vector of the attribute's type is used.
struct Values {
  std::vector<int> ints;
  std::vector<double> doubles;
  std::vector<std::string> texts;
  size_t Count(int iType) const;
};

struct Attribute {
  std::string name;
  int facets[kFacetCount] = {};
  Values values;
  int Type() const { return facets[kTypeFacet]; }
};

// An attribute as a class carries it; own values, when present, narrow
// the attribute's possible values for that class.
struct ClassAttribute {
  std::string name;
  int version = 0;
  std::string block;
  int status = 0;
  bool ownValues = false;
  Values values;
};

struct Class {
  std::string name;
  int kind = 0;  // the int GNFLCL lists: 1 operation, 2 tool, 3 feature ...
  std::string parent;  // "" for a root class
  int version = 0;
  std::vector<ClassAttribute> attributes;
};

struct Dictionary {
  std::string model;
  std::string member;
  std::string title;
  std::vector<Attribute> attributes;
  std::vector<Class> classes;
  std::unordered_map<std::string, size_t> attributeIndex;
  std::unordered_map<std::string, size_t> classIndex;

  Attribute* FindAttribute(const std::string& iName);
  Class* FindClass(const std::string& iName);
  void AddAttribute(const Attribute& iAttribute);
  void AddClass(const Class& iClass);
};

// Kernel state. The dictionary content is usable while `loaded`; GNFRST
// releases it (loaded false) and GNFZDS then clears the names GNFINF
// reports (`named` false).
struct State {
  bool loaded = false;
  bool named = false;
  bool complete = false;  // GNFIDS ran since the last load
  Dictionary dictionary;
  int currentClass = -1;  // index into classes, -1: none selected
  // The site's answer for the default dictionary: what routines answer
  // while nothing was ever loaded (a damaged file says why).
  int seedCode = 0;
};

// The state, set up on first use after a reset: the default dictionary
// "DICOFR2" of "NC MODEL" is loaded and completed from the site, as an
// application session starts; when the site has none, nothing is loaded.
State& Current();

// Models a member can belong to.
bool IsKnownModel(const std::string& iModel);
// A member name usable as a file name in the site ("" or "/" refused).
bool IsValidMember(const std::string& iMember);
// Reads <site>/dictionary/<member>.json: KAVSIM_OK, KAVSIM_UNKNOWN_MEMBER
// when there is no such file, or the site code of a damaged one (said on
// standard error); oDictionary is left alone unless the read succeeds.
int ReadMember(const std::string& iMember, Dictionary& oDictionary);
// Writes the dictionary under <site>/dictionary/<member>.json; every name
// and value reads back as it was.
bool WriteMember(const std::string& iMember, const Dictionary& iDictionary);

}  // namespace dictionary
}  // namespace kavsim

#endif
