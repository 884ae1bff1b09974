// The reference kernel's dictionary state and its site files, and the
// family's control functions (kavsim_dictionary_...).
//
// A member file holds {"model", "member", "title", "attributes": [{"name",
// "facets": [11 ints], "values": [...]}], "classes": [{"name", "kind",
// "parent", "version", "attributes": [{"name", "version", "block",
// "status", optional "values"}]}]}; values are ints, reals or texts by
// facet 3 of the attribute. Texts that are not UTF-8 and reals that are
// not finite are kept in the forms the site reader reads back exactly
// ({"bytes": hex}, "NaN", "Infinity", "-Infinity").
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "KAVSimControl.h"
#include "KAVSimDictionary.h"
#include "KAVSimKernel.h"
#include "KAVSimSite.h"

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

SiteFamily& Site() {
  static SiteFamily site("dictionary");
  return site;
}

void ResetDictionary() {
  GetHolder() = Holder();
  Site().ForgetReported();
}
KAVSIM_ON_RESET(ResetDictionary);

std::string MemberFile(const std::string& iMember) { return iMember + ".json"; }

// Values by type; an entry of the wrong kind is an error of the file.
Values ReadValues(const SiteValue& iArray, int iType) {
  Values values;
  for (size_t i = 0; i < iArray.Size(); ++i) {
    if (iType == 0 || iType == 1)
      values.ints.push_back(iArray[i].Int());
    else if (iType == 2)
      values.doubles.push_back(iArray[i].Double());
    else if (iType == 3)
      values.texts.push_back(iArray[i].Text());
  }
  return values;
}

json WriteValues(const Values& iValues, int iType) {
  json array = json::array();
  if (iType == 0 || iType == 1)
    for (int value : iValues.ints) array.push_back(value);
  else if (iType == 2)
    for (double value : iValues.doubles) array.push_back(SiteDouble(value));
  else if (iType == 3)
    for (const std::string& value : iValues.texts)
      array.push_back(SiteText(value));
  return array;
}

void Parse(const SiteValue& iRoot, Dictionary& oDictionary) {
  oDictionary.model = iRoot.Member("model").Text("");
  oDictionary.member = iRoot.Member("member").Text("");
  oDictionary.title = iRoot.Member("title").Text("");
  const SiteValue attributes = iRoot.Member("attributes");
  for (size_t i = 0; i < attributes.Size(); ++i) {
    const SiteValue item = attributes[i];
    Attribute attribute;
    attribute.name = item.Member("name").Text("");
    const SiteValue facets = item.Member("facets");
    for (size_t f = 0; f < kFacetCount && f < facets.Size(); ++f)
      attribute.facets[f] = facets[f].Int();
    attribute.values = ReadValues(item.Member("values"), attribute.Type());
    if (!attribute.name.empty()) oDictionary.AddAttribute(attribute);
  }
  const SiteValue classes = iRoot.Member("classes");
  for (size_t i = 0; i < classes.Size(); ++i) {
    const SiteValue item = classes[i];
    Class entry;
    entry.name = item.Member("name").Text("");
    entry.kind = item.Member("kind").Int(0);
    entry.parent = item.Member("parent").Text("");
    entry.version = item.Member("version").Int(0);
    const SiteValue uses = item.Member("attributes");
    for (size_t u = 0; u < uses.Size(); ++u) {
      const SiteValue use = uses[u];
      ClassAttribute attribute;
      attribute.name = use.Member("name").Text("");
      attribute.version = use.Member("version").Int(0);
      attribute.block = use.Member("block").Text("");
      attribute.status = use.Member("status").Int(0);
      const Attribute* definition = oDictionary.FindAttribute(attribute.name);
      if (use.Member("values").Exists() && definition != nullptr) {
        attribute.ownValues = true;
        attribute.values = ReadValues(use.Member("values"), definition->Type());
      }
      entry.attributes.push_back(attribute);
    }
    if (!entry.name.empty()) oDictionary.AddClass(entry);
  }
}

json Serialize(const Dictionary& iDictionary) {
  json root = json::object();
  root["model"] = SiteText(iDictionary.model);
  root["member"] = SiteText(iDictionary.member);
  root["title"] = SiteText(iDictionary.title);
  json attributes = json::array();
  for (const Attribute& attribute : iDictionary.attributes) {
    json facets = json::array();
    for (int facet : attribute.facets) facets.push_back(facet);
    attributes.push_back(
        {{"name", SiteText(attribute.name)},
         {"facets", facets},
         {"values", WriteValues(attribute.values, attribute.Type())}});
  }
  root["attributes"] = attributes;
  json classes = json::array();
  for (const Class& entry : iDictionary.classes) {
    json uses = json::array();
    for (const ClassAttribute& use : entry.attributes) {
      json item = {{"name", SiteText(use.name)},
                   {"version", use.version},
                   {"block", SiteText(use.block)},
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
    classes.push_back({{"name", SiteText(entry.name)},
                       {"kind", entry.kind},
                       {"parent", SiteText(entry.parent)},
                       {"version", entry.version},
                       {"attributes", uses}});
  }
  root["classes"] = classes;
  return root;
}

// Writes all of iText to iPath, created new; false (with nothing left
// behind) when any of it fails.
bool WriteNew(const std::string& iPath, const std::string& iText) {
  FILE* file = std::fopen(iPath.c_str(), "wbx");
  if (file == nullptr) return false;
  const bool written =
      std::fwrite(iText.data(), 1, iText.size(), file) == iText.size();
  const bool closed = std::fclose(file) == 0;
  if (written && closed) return true;
  std::remove(iPath.c_str());
  return false;
}

}  // namespace

State& Current() {
  Holder& holder = GetHolder();
  if (!holder.started) {
    holder.started = true;
    Dictionary seed;
    holder.state.seedCode = ReadMember("DICOFR2", seed);
    if (holder.state.seedCode == KAVSIM_OK && seed.model == "NC MODEL") {
      holder.state.dictionary = std::move(seed);
      holder.state.loaded = holder.state.named = holder.state.complete = true;
    }
  }
  return holder.state;
}

bool IsKnownModel(const std::string& iModel) {
  return iModel == "NC MODEL" || iModel == "MFG SPEC" || iModel == "MFG VIEW" ||
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

int ReadMember(const std::string& iMember, Dictionary& oDictionary) {
  SiteFile file = Site().Read(MemberFile(iMember));
  if (!file.Exists()) return KAVSIM_UNKNOWN_MEMBER;
  Dictionary dictionary;
  Parse(file.Root(), dictionary);
  if (file.Code() != KAVSIM_OK) return file.Code();
  oDictionary = std::move(dictionary);
  return KAVSIM_OK;
}

// Written beside the target under a name of this process and renamed into
// place, so a reader never meets half a file and a failed attempt leaves
// nothing behind.
bool WriteMember(const std::string& iMember, const Dictionary& iDictionary) {
  const std::string directory = Site().Directory();
  ::mkdir(SiteDirectory().c_str(), 0777);
  ::mkdir(directory.c_str(), 0777);
  Dictionary stored = iDictionary;
  stored.member = iMember;
  std::string text;
  try {
    text = Serialize(stored).dump(2) + "\n";
  } catch (...) {
    return false;
  }
  const std::string path = Site().PathOf(MemberFile(iMember));
  const std::string temporary =
      path + "." + std::to_string(::getpid()) + ".tmp";
  if (!WriteNew(temporary, text)) return false;
  if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  std::remove(temporary.c_str());
  return false;
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
  const auto lock = kavsim::Lock();
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
  const auto lock = kavsim::Lock();
  using namespace kavsim::dictionary;
  State& state = Current();
  return state.loaded ? static_cast<int>(state.dictionary.classes.size()) : -1;
}

}  // extern "C"
