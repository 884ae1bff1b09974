// The reference kernel's NC declarative: pools of typed variables, the
// customization of each class and the site-wide switches, read from
// <site>/declarative/declarative.json. Shared by the declarative routines
// and the family's control functions; nothing here is exported.
#ifndef KAVSimDeclarative_h
#define KAVSimDeclarative_h

#include <map>
#include <string>
#include <vector>

namespace kavsim {
namespace declarative {

struct Entry {
  std::string item;
  std::string value;
};

// An INTEGER holds `integer`; a STRING holds its entries in order.
struct Variable {
  bool isInteger = false;
  int integer = 0;
  std::vector<Entry> entries;
};

// A pool is readable once loaded (DCLOAD), or from the start when the
// site marks it preloaded.
struct Pool {
  bool loaded = false;
  std::map<std::string, Variable> variables;  // by name after "POOL."
};

// One transition or standard macro: the three parallel list records.
struct PathItem {
  std::string path;
  std::string macro;
  std::string nls;
};

// Possible values of one attribute of a class, of one type (0/1 int,
// 2 real, 3 text), each with its national name.
struct PossibleValues {
  int type = 0;
  std::vector<int> ints;
  std::vector<double> reals;
  std::vector<std::string> texts;
  std::vector<std::string> nls;
  size_t Count() const;
};

// An automatic point switch; `symbol` and `group` are empty where the
// switch has none (circles: neither; symbols: no group).
struct PointSwitch {
  int code = 0;
  std::string symbol;
  std::string group;
  int value = 0;
};

struct ClassCustomization {
  std::string icon;
  std::map<std::string, std::vector<PathItem>> macros;  // by macro key
  std::vector<std::string> unwanted;
  std::map<std::string, PossibleValues> values;  // by attribute
  std::vector<std::string> defaults;
  std::vector<std::string> resources;
  std::vector<std::string> tools;
  std::string replayModule;  // both empty: no replay macro
  std::string replayEntry;
  std::vector<PointSwitch> symbols;
  std::vector<PointSwitch> groups;
  std::vector<PointSwitch> circles;
};

// The new-interface areas of GNFRNW2, GNFRNW3, GNFRNW4.
constexpr int kAreaCount = 3;

struct Declarative {
  int code = 0;  // of a damaged site file: what every routine answers
  std::map<std::string, Pool> pools;
  std::vector<PathItem> transitions;
  int macroModify = 0;
  int resourceManagement = 0;
  int autoToolNumber = 0;
  int newInterface = 0;
  std::map<std::string, int> areas[kAreaCount];  // name -> switch value
  std::map<std::string, ClassCustomization> classes;
};

// The declarative, read from the site on first use after a reset. A
// missing file gives an empty declarative (no pools, nothing defined); a
// damaged one an empty declarative whose `code` is the site code, never a
// half-read one.
Declarative& Current();

// Reads <site>/declarative/declarative.json into oDeclarative; returns
// the file's site code (KAVSIM_OK for a good or absent file).
int ReadSite(Declarative& oDeclarative);

}  // namespace declarative
}  // namespace kavsim

#endif
