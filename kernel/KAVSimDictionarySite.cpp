// The reference kernel's dictionary state and its site files, and the
// family's control functions (kavsim_dictionary_...).
//
// A member file holds {"model", "member", "title", "attributes": [{"name",
// "facets": [11 ints], "values": [...]}], "classes": [{"name", "kind",
// "parent", "version", "attributes": [{"name", "version", "block",
// "status", optional "values"}]}]}; values are ints, reals or texts by
// facet 3 of the attribute.
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "KAVSimDictionary.h"
#include "KAVSimControl.h"
#include "KAVSimKernel.h"

namespace kavsim {
namespace dictionary {

size_t Values::Count(int iType) const {
  if (iType == 0 || iType == 1) return ints.size();
  if (iType == 2) return doubles.size();
  if (iType == 3) return texts.size();
  return 0;
}

Attribute* Dictionary::FindAttribute(const std::string& iName) {
  auto it = attributeIndex.find(iName);
  return it == attributeIndex.end() ? nullptr : &attributes[it->second];
}

Class* Dictionary::FindClass(const std::string& iName) {
  auto it = classIndex.find(iName);
  return it == classIndex.end() ? nullptr : &classes[it->second];
}

void Dictionary::AddAttribute(const Attribute& iAttribute) {
  attributeIndex[iAttribute.name] = attributes.size();
  attributes.push_back(iAttribute);
}

void Dictionary::AddClass(const Class& iClass) {
  classIndex[iClass.name] = classes.size();
  classes.push_back(iClass);
}

namespace {

using nlohmann::json;

struct Holder {
  bool started = false;
  State state;
};

Holder& GetHolder() {
  static Holder holder;
  return holder;
}

void ResetDictionary() { GetHolder() = Holder(); }
KAVSIM_ON_RESET(ResetDictionary);

std::string MemberPath(const std::string& iMember) {
  return SiteDirectory() + "/dictionary/" + iMember + ".json";
}

// Values of a JSON array by type; an entry of the wrong kind is skipped.
Values ReadValues(const json& iArray, int iType) {
  Values values;
  if (!iArray.is_array()) return values;
  for (const json& value : iArray) {
    if ((iType == 0 || iType == 1) && value.is_number_integer())
      values.ints.push_back(value.get<int>());
    else if (iType == 2 && value.is_number())
      values.doubles.push_back(value.get<double>());
    else if (iType == 3 && value.is_string())
      values.texts.push_back(value.get<std::string>());
  }
  return values;
}

json WriteValues(const Values& iValues, int iType) {
  json array = json::array();
  if (iType == 0 || iType == 1)
    for (int value : iValues.ints) array.push_back(value);
  else if (iType == 2)
    for (double value : iValues.doubles) array.push_back(value);
  else if (iType == 3)
    for (const std::string& value : iValues.texts) array.push_back(value);
  return array;
}

bool Parse(const json& iRoot, Dictionary& oDictionary) {
  if (!iRoot.is_object()) return false;
  Dictionary dictionary;
  dictionary.model = iRoot.value("model", "");
  dictionary.member = iRoot.value("member", "");
  dictionary.title = iRoot.value("title", "");
  for (const json& item : iRoot.value("attributes", json::array())) {
    Attribute attribute;
    attribute.name = item.value("name", "");
    const json facets = item.value("facets", json::array());
    for (int i = 0; i < kFacetCount && i < static_cast<int>(facets.size()); ++i)
      attribute.facets[i] = facets[static_cast<size_t>(i)].get<int>();
    attribute.values =
        ReadValues(item.value("values", json::array()), attribute.Type());
    if (!attribute.name.empty()) dictionary.AddAttribute(attribute);
  }
  for (const json& item : iRoot.value("classes", json::array())) {
    Class entry;
    entry.name = item.value("name", "");
    entry.kind = item.value("kind", 0);
    entry.parent = item.value("parent", "");
    entry.version = item.value("version", 0);
    for (const json& use : item.value("attributes", json::array())) {
      ClassAttribute attribute;
      attribute.name = use.value("name", "");
      attribute.version = use.value("version", 0);
      attribute.block = use.value("block", "");
      attribute.status = use.value("status", 0);
      const Attribute* definition = dictionary.FindAttribute(attribute.name);
      if (use.contains("values") && definition != nullptr) {
        attribute.ownValues = true;
        attribute.values = ReadValues(use["values"], definition->Type());
      }
      entry.attributes.push_back(attribute);
    }
    if (!entry.name.empty()) dictionary.AddClass(entry);
  }
  oDictionary = std::move(dictionary);
  return true;
}

json Serialize(const Dictionary& iDictionary) {
  json root = json::object();
  root["model"] = iDictionary.model;
  root["member"] = iDictionary.member;
  root["title"] = iDictionary.title;
  json attributes = json::array();
  for (const Attribute& attribute : iDictionary.attributes) {
    json facets = json::array();
    for (int facet : attribute.facets) facets.push_back(facet);
    attributes.push_back(
        {{"name", attribute.name},
         {"facets", facets},
         {"values", WriteValues(attribute.values, attribute.Type())}});
  }
  root["attributes"] = attributes;
  json classes = json::array();
  for (const Class& entry : iDictionary.classes) {
    json uses = json::array();
    for (const ClassAttribute& use : entry.attributes) {
      json item = {{"name", use.name},
                   {"version", use.version},
                   {"block", use.block},
                   {"status", use.status}};
      if (use.ownValues) {
        auto it = iDictionary.attributeIndex.find(use.name);
        const int type = it == iDictionary.attributeIndex.end()
                             ? -1
                             : iDictionary.attributes[it->second].Type();
        item["values"] = WriteValues(use.values, type);
      }
      uses.push_back(item);
    }
    classes.push_back({{"name", entry.name},
                       {"kind", entry.kind},
                       {"parent", entry.parent},
                       {"version", entry.version},
                       {"attributes", uses}});
  }
  root["classes"] = classes;
  return root;
}

}  // namespace

State& Current() {
  Holder& holder = GetHolder();
  if (!holder.started) {
    holder.started = true;
    Dictionary seed;
    if (ReadMember("DICOFR2", seed) && seed.model == "NC MODEL") {
      holder.state.dictionary = std::move(seed);
      holder.state.loaded = holder.state.named = holder.state.complete = true;
    }
  }
  return holder.state;
}

bool IsKnownModel(const std::string& iModel) {
  return iModel == "NC MODEL" || iModel == "MFG\x20SPEC" || iModel == "MFG VIEW" ||
         iModel == "GEO PACK";
}

bool IsValidMember(const std::string& iMember) {
  if (iMember.empty() || iMember[0] == '.') return false;
  for (char c : iMember)
    if (c == '/' || c == ' ' || c == '\\' ||
        static_cast<unsigned char>(c) < 0x21)
      return false;
  return true;
}

// The JSON library reports damage by exceptions; none may leave the
// kernel, so a damaged file reads as an absent one.
bool ReadMember(const std::string& iMember, Dictionary& oDictionary) {
  std::ifstream in(MemberPath(iMember));
  if (!in) return false;
  try {
    json root = json::parse(in, nullptr, false);
    if (root.is_discarded()) return false;
    return Parse(root, oDictionary);
  } catch (...) {
    return false;
  }
}

bool WriteMember(const std::string& iMember, const Dictionary& iDictionary) {
  const std::string directory = SiteDirectory() + "/dictionary";
  ::mkdir(SiteDirectory().c_str(), 0777);
  ::mkdir(directory.c_str(), 0777);
  Dictionary stored = iDictionary;
  stored.member = iMember;
  std::string text;
  try {
    text = Serialize(stored).dump(2);
  } catch (...) {
    return false;
  }
  // Written beside the target and renamed, so a reader never meets half
  // a file.
  const std::string path = MemberPath(iMember);
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    if (!out) return false;
    out << text << '\n';
    if (!out.flush()) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace dictionary
}  // namespace kavsim

extern "C" {

// Appends iCount classes named "MfgGenerated<n>" (kind 9, one attribute
// each when the dictionary has any) to the loaded dictionary, for
// benchmarks. Returns the number of classes afterwards, or -1 when no
// dictionary is loaded.
__attribute__((visibility("default"))) int kavsim_dictionary_generate_classes(
    int iCount) {
  using namespace kavsim::dictionary;
  State& state = Current();
  if (!state.loaded) return -1;
  Dictionary& dictionary = state.dictionary;
  int serial = static_cast<int>(dictionary.classes.size());
  dictionary.classes.reserve(dictionary.classes.size() +
                             static_cast<size_t>(iCount > 0 ? iCount : 0));
  for (int i = 0; i < iCount; ++i) {
    Class entry;
    do {
      entry.name = "MfgGenerated" + std::to_string(++serial);
    } while (dictionary.FindClass(entry.name) != nullptr);
    entry.kind = 9;
    entry.version = 1;
    if (!dictionary.attributes.empty())
      entry.attributes.push_back(
          {dictionary.attributes.front().name, 1, "GENERAL", 0, false, {}});
    dictionary.AddClass(entry);
  }
  return static_cast<int>(dictionary.classes.size());
}

// Number of classes of the loaded dictionary, -1 when none is loaded.
__attribute__((visibility("default"))) int kavsim_dictionary_class_count(void) {
  using namespace kavsim::dictionary;
  State& state = Current();
  return state.loaded ? static_cast<int>(state.dictionary.classes.size()) : -1;
}

}  // extern "C"
