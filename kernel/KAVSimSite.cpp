// The site-file reader shared by the reference kernel's families, and the
// check of the site directory itself.
#include "KAVSimSite.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "KAVSimKernel.h"

namespace kavsim {

// A parsed site file, compact: every value is one node of a few words,
// the items of an array and the members of an object are runs of node
// numbers in `children` (members sorted by name), and every text and
// member name is a slice of `texts`. Reading a file costs a small multiple
// of its size, where a tree of heap objects costs tens.
struct SiteDocument {
  enum Type : unsigned char {
    kNull,
    kFalse,
    kTrue,
    kInteger,   // below 0
    kUnsigned,  // 0 and above
    kReal,
    kString,
    kArray,
    kObject
  };
  struct Slice {
    uint32_t offset = 0, length = 0;
  };
  struct Node {
    Slice key;          // the member name, in an object
    uint32_t size = 0;  // items or members; a text's length
    Type type = kNull;
    union {
      int64_t integer;
      uint64_t whole;
      double real;
      uint32_t first;  // texts (a text) or children (a container)
    };
  };

  std::vector<Node> nodes;
  std::vector<uint32_t> children;
  std::string texts;
  long root = -1;

  std::string_view View(Slice iSlice) const {
    return std::string_view(texts).substr(iSlice.offset, iSlice.length);
  }
  std::string_view Text(const Node& iNode) const {
    return View({iNode.first, iNode.size});
  }
  const Node& At(long iNode) const { return nodes[static_cast<size_t>(iNode)]; }
  long Child(const Node& iNode, size_t iPosition) const {
    return static_cast<long>(children[iNode.first + iPosition]);
  }
  // The member iName of an object node, or -1.
  long Member(const Node& iObject, std::string_view iName) const {
    const uint32_t* begin = children.data() + iObject.first;
    const uint32_t* end = begin + iObject.size;
    const uint32_t* found = std::lower_bound(
        begin, end, iName, [&](uint32_t iNode, std::string_view iKey) {
          return View(nodes[iNode].key) < iKey;
        });
    if (found == end || View(nodes[*found].key) != iName) return -1;
    return static_cast<long>(*found);
  }
  // The place of a node ("kinds[0].title"), searched from the root: only
  // a message needs it.
  bool PlaceOf(long iAt, long iNode, std::string& ioPlace) const {
    if (iAt == iNode) return true;
    const Node& at = At(iAt);
    if (at.type != kArray && at.type != kObject) return false;
    const size_t mark = ioPlace.size();
    for (size_t i = 0; i < at.size; ++i) {
      const long child = Child(at, i);
      if (at.type == kObject) {
        if (!ioPlace.empty()) ioPlace += '.';
        ioPlace += View(At(child).key);
      } else {
        ioPlace += "[" + std::to_string(i) + "]";
      }
      if (PlaceOf(child, iNode, ioPlace)) return true;
      ioPlace.resize(mark);
    }
    return false;
  }
};

namespace {

using Document = SiteDocument;

// A number as a message shows it: a real keeps a point or an exponent.
std::string NumberText(const Document::Node& iNode) {
  if (iNode.type == Document::kInteger) return std::to_string(iNode.integer);
  if (iNode.type == Document::kUnsigned) return std::to_string(iNode.whole);
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, iNode.real).ptr;
  std::string shown(text, end);
  if (shown.find_first_of(".e") == std::string::npos) shown += ".0";
  return shown;
}

// A short description of what was found, for messages: the type, and the
// value itself when it is a short scalar.
std::string Found(const Document::Node& iNode) {
  switch (iNode.type) {
    case Document::kNull:
      return "null";
    case Document::kFalse:
      return "false";
    case Document::kTrue:
      return "true";
    case Document::kString:
      return "a text";
    case Document::kArray:
      return "an array";
    case Document::kObject:
      return "an object";
    default:
      return NumberText(iNode);
  }
}

int HexDigit(char iDigit) {
  if (iDigit >= '0' && iDigit <= '9') return iDigit - '0';
  if (iDigit >= 'a' && iDigit <= 'f') return iDigit - 'a' + 10;
  if (iDigit >= 'A' && iDigit <= 'F') return iDigit - 'A' + 10;
  return -1;
}

// {"bytes": "<hex>"}: the form of a text that is not UTF-8; the hex, or -1.
long BytesOf(const Document& iDocument, const Document::Node& iNode) {
  if (iNode.type != Document::kObject || iNode.size != 1) return -1;
  const long member = iDocument.Child(iNode, 0);
  const Document::Node& hex = iDocument.At(member);
  return iDocument.View(hex.key) == "bytes" && hex.type == Document::kString
             ? member
             : -1;
}

bool DecodeHex(const std::string& iHex, std::string& oBytes) {
  if (iHex.size() % 2 != 0) return false;
  oBytes.clear();
  oBytes.reserve(iHex.size() / 2);
  for (size_t i = 0; i < iHex.size(); i += 2) {
    const int high = HexDigit(iHex[i]), low = HexDigit(iHex[i + 1]);
    if (high < 0 || low < 0) return false;
    oBytes.push_back(static_cast<char>(high * 16 + low));
  }
  return true;
}

// Strict UTF-8, as the JSON writer demands it: no overlong forms, no
// surrogates, nothing past U+10FFFF.
bool IsUtf8(const std::string& iBytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(iBytes.data());
  const auto* end = p + iBytes.size();
  while (p < end) {
    const unsigned char c = *p++;
    if (c < 0x80) continue;
    int more = 0;
    unsigned min = 0, code = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1, min = 0x80, code = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2, min = 0x800, code = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3, min = 0x10000, code = c & 0x07u;
    } else {
      return false;
    }
    if (end - p < more) return false;
    for (int k = 0; k < more; ++k) {
      if ((p[k] & 0xC0) != 0x80) return false;
      code = (code << 6) | (p[k] & 0x3Fu);
    }
    p += more;
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return false;
  }
  return true;
}

// What a path that is not a regular file is, for messages.
const char* NotAFile(mode_t iMode) {
  if (S_ISDIR(iMode)) return "it is a directory";
  if (S_ISFIFO(iMode)) return "it is a pipe";
  if (S_ISCHR(iMode) || S_ISBLK(iMode)) return "it is a device";
  if (S_ISSOCK(iMode)) return "it is a socket";
  return "it is not a file";
}

// The whole file, or why not: absent (ENOENT) is not an error.
enum class ReadResult { kRead, kAbsent, kUnreadable };

// Only a regular file is read. A pipe with no writer would block open()
// and a device may never end, so what is not a regular file is refused on
// its stat, without being opened; the open itself does not block either,
// in case the path changed in between, and what it opened is checked
// again.
ReadResult ReadWhole(const std::string& iPath, std::string& oText,
                     std::string& oWhy) {
  struct stat info {};
  if (::stat(iPath.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return ReadResult::kAbsent;
    oWhy = std::strerror(errno);
    return ReadResult::kUnreadable;
  }
  if (!S_ISREG(info.st_mode)) {
    oWhy = NotAFile(info.st_mode);
    return ReadResult::kUnreadable;
  }
  const int fd = ::open(iPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return ReadResult::kAbsent;
    oWhy = std::strerror(errno);
    return ReadResult::kUnreadable;
  }
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    oWhy = NotAFile(info.st_mode);
    ::close(fd);
    return ReadResult::kUnreadable;
  }
  // The document counts its bytes in 32 bits.
  if (static_cast<uint64_t>(info.st_size) >= UINT32_MAX) {
    oWhy = "it is larger than 4 GB";
    ::close(fd);
    return ReadResult::kUnreadable;
  }
  oText.reserve(static_cast<size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      oWhy = std::strerror(errno);
      ::close(fd);
      return ReadResult::kUnreadable;
    }
    oText.append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  return ReadResult::kRead;
}

// Builds the document from the parser's events, refusing a value deeper
// than kSiteMaxDepth as it starts: parsing stops there, so a file of
// 100,000 brackets costs neither stack nor memory. (The parser's own
// filtering callback is not used: it rescans the enclosing array after
// every object, which makes a list of n objects cost n * n.)
class Builder : public nlohmann::json_sax<nlohmann::json> {
 public:
  explicit Builder(Document& oDocument) : _document(oDocument) {}

  bool TooDeep() const { return _tooDeep; }
  // "parse error at line 1, column 11: ...", empty when none.
  const std::string& Error() const { return _error; }

  bool null() override { return Put(Document::kNull); }
  bool boolean(bool iValue) override {
    return Put(iValue ? Document::kTrue : Document::kFalse);
  }
  bool number_integer(number_integer_t iValue) override {
    Document::Node& node = Add(Document::kInteger);
    node.integer = iValue;
    return true;
  }
  bool number_unsigned(number_unsigned_t iValue) override {
    Document::Node& node = Add(Document::kUnsigned);
    node.whole = iValue;
    return true;
  }
  bool number_float(number_float_t iValue, const string_t&) override {
    Document::Node& node = Add(Document::kReal);
    node.real = iValue;
    return true;
  }
  bool string(string_t& ioValue) override {
    const Document::Slice text = Keep(ioValue);
    Document::Node& node = Add(Document::kString);
    node.first = text.offset;
    node.size = text.length;
    return true;
  }
  bool binary(binary_t&) override { return false; }  // not in JSON text
  bool start_object(std::size_t) override { return Open(Document::kObject); }
  bool key(string_t& ioKey) override {
    _key = Keep(ioKey);
    return true;
  }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open(Document::kArray); }
  bool end_array() override { return Close(); }
  bool parse_error(std::size_t, const std::string&,
                   const nlohmann::detail::exception& iError) override {
    // "[json.exception.parse_error.101] parse error at line 1, ..."
    const char* what = std::strchr(iError.what(), ']');
    _error = what != nullptr ? what + 2 : iError.what();
    return false;
  }

 private:
  struct Open_ {
    long node;
    size_t firstPending;  // its items so far: _pending[firstPending...]
  };

  Document::Slice Keep(const std::string& iText) {
    const Document::Slice slice{static_cast<uint32_t>(_document.texts.size()),
                                static_cast<uint32_t>(iText.size())};
    _document.texts += iText;
    return slice;
  }

  // A new node, an item of the open container (with the latest member
  // name, in an object) or the root.
  Document::Node& Add(Document::Type iType) {
    const long node = static_cast<long>(_document.nodes.size());
    _document.nodes.emplace_back();
    Document::Node& added = _document.nodes.back();
    added.type = iType;
    added.whole = 0;
    if (_open.empty()) {
      _document.root = node;
    } else {
      _pending.push_back(static_cast<uint32_t>(node));
      if (_document.At(_open.back().node).type == Document::kObject)
        added.key = _key;
    }
    return added;
  }

  bool Put(Document::Type iType) {
    Add(iType);
    return true;
  }

  bool Open(Document::Type iType) {
    if (_open.size() >= static_cast<size_t>(kSiteMaxDepth)) {
      _tooDeep = true;
      return false;
    }
    Add(iType);
    _open.push_back(
        {static_cast<long>(_document.nodes.size()) - 1, _pending.size()});
    return true;
  }

  // The container's items move from the pending stack to their run in
  // `children`; an object's are sorted by name, and of a name given twice
  // the last is kept, as a reader of JSON expects.
  bool Close() {
    const Open_ open = _open.back();
    _open.pop_back();
    const auto begin = _pending.begin() + static_cast<long>(open.firstPending);
    auto end = _pending.end();
    Document::Node& container = _document.nodes[static_cast<size_t>(open.node)];
    if (container.type == Document::kObject) {
      const auto name = [&](uint32_t iNode) {
        return _document.View(_document.nodes[iNode].key);
      };
      const auto before = [&](uint32_t a, uint32_t b) {
        return name(a) < name(b);
      };
      // An object of a site file has a handful of members: sorting them
      // in place costs less than the buffer a library sort asks for.
      if (end - begin <= 16) {
        for (auto it = begin; it != end; ++it)
          for (auto at = it; at != begin && before(*at, *(at - 1)); --at)
            std::iter_swap(at, at - 1);
      } else {
        std::stable_sort(begin, end, before);
      }
      auto kept = begin;
      for (auto it = begin; it != end; ++it) {
        if (kept != begin && name(*(kept - 1)) == name(*it))
          *(kept - 1) = *it;
        else
          *kept++ = *it;
      }
      end = kept;
    }
    container.first = static_cast<uint32_t>(_document.children.size());
    container.size = static_cast<uint32_t>(end - begin);
    _document.children.insert(_document.children.end(), begin, end);
    _pending.resize(open.firstPending);
    return true;
  }

  Document& _document;
  std::vector<Open_> _open;
  std::vector<uint32_t> _pending;
  Document::Slice _key;
  bool _tooDeep = false;
  std::string _error;
};

}  // namespace

// --- SiteValue --------------------------------------------------------------

const SiteDocument& SiteValue::Document() const { return *_file->_document; }

bool SiteValue::IsNull() const {
  return _node < 0 || Document().At(_node).type == SiteDocument::kNull;
}

bool SiteValue::IsText() const {
  if (_node < 0) return false;
  const SiteDocument::Node& node = Document().At(_node);
  return node.type == SiteDocument::kString || BytesOf(Document(), node) >= 0;
}

bool SiteValue::IsNumber() const {
  if (_node < 0) return false;
  const SiteDocument::Type type = Document().At(_node).type;
  return type == SiteDocument::kInteger || type == SiteDocument::kUnsigned ||
         type == SiteDocument::kReal;
}

std::string SiteValue::Where() const {
  std::string place;
  if (_node >= 0) {
    Document().PlaceOf(Document().root, _node, place);
    return place;
  }
  if (_parent >= 0) Document().PlaceOf(Document().root, _parent, place);
  place += _steps;
  if (!place.empty() && place[0] == '.') place.erase(0, 1);
  return place;
}

bool SiteValue::Wrong(int iCode, const char* iExpected) const {
  if (_file->Code() != KAVSIM_OK) return false;  // only the first is said
  std::string what = _node < 0
                         ? std::string("missing, ") + iExpected + " is required"
                         : std::string("expected ") + iExpected + ", found " +
                               Found(Document().At(_node));
  if (iCode == KAVSIM_SITE_OUT_OF_RANGE && _node >= 0)
    what = NumberText(Document().At(_node)) + " does not fit " + iExpected;
  _file->Error(iCode, Where(), what);
  return false;
}

void SiteValue::Error(int iCode, const std::string& iWhat) const {
  if (_file->Code() == KAVSIM_OK) _file->Error(iCode, Where(), iWhat);
}

// What is asked of this value by iStep when it has nothing there.
SiteValue SiteValue::Absent(std::string iStep) const {
  if (_node < 0) return SiteValue(_file, -1, _parent, _steps + iStep);
  return SiteValue(_file, -1, _node, std::move(iStep));
}

SiteValue SiteValue::Member(const char* iName) const {
  if (_node >= 0) {
    const SiteDocument::Node& node = Document().At(_node);
    if (node.type != SiteDocument::kObject) {
      Wrong(KAVSIM_SITE_WRONG_TYPE, "an object");
    } else {
      const long member = Document().Member(node, iName);
      if (member >= 0) return SiteValue(_file, member);
    }
  }
  return Absent(std::string(".") + iName);
}

size_t SiteValue::Size() const {
  if (_node < 0) return 0;
  const SiteDocument::Node& node = Document().At(_node);
  if (node.type != SiteDocument::kArray) {
    Wrong(KAVSIM_SITE_WRONG_TYPE, "a list");
    return 0;
  }
  return node.size;
}

SiteValue SiteValue::operator[](size_t iIndex) const {
  if (_node >= 0) {
    const SiteDocument::Node& node = Document().At(_node);
    if (node.type == SiteDocument::kArray && iIndex < node.size)
      return SiteValue(_file, Document().Child(node, iIndex));
  }
  return Absent("[" + std::to_string(iIndex) + "]");
}

std::vector<std::pair<std::string, SiteValue>> SiteValue::Members() const {
  std::vector<std::pair<std::string, SiteValue>> members;
  if (_node < 0) return members;
  const SiteDocument::Node& node = Document().At(_node);
  if (node.type != SiteDocument::kObject) {
    Wrong(KAVSIM_SITE_WRONG_TYPE, "an object");
    return members;
  }
  members.reserve(node.size);
  for (size_t i = 0; i < node.size; ++i) {
    const long member = Document().Child(node, i);
    members.emplace_back(
        std::string(Document().View(Document().At(member).key)),
        SiteValue(_file, member));
  }
  return members;
}

// Every conversion is checked before it is made: a double outside int
// range converted to int is undefined behaviour, not a large number.
bool SiteValue::IntegralInRange(int& oValue) const {
  const SiteDocument::Node& node = Document().At(_node);
  switch (node.type) {
    case SiteDocument::kUnsigned:
      if (node.whole > static_cast<uint64_t>(INT_MAX))
        return Wrong(KAVSIM_SITE_OUT_OF_RANGE, "an int");
      oValue = static_cast<int>(node.whole);
      return true;
    case SiteDocument::kInteger:
      if (node.integer < INT_MIN || node.integer > INT_MAX)
        return Wrong(KAVSIM_SITE_OUT_OF_RANGE, "an int");
      oValue = static_cast<int>(node.integer);
      return true;
    case SiteDocument::kReal:
      if (std::isfinite(node.real) && std::trunc(node.real) != node.real)
        return Wrong(KAVSIM_SITE_WRONG_TYPE, "a whole number");
      if (!(node.real >= INT_MIN && node.real <= INT_MAX))
        return Wrong(KAVSIM_SITE_OUT_OF_RANGE, "an int");
      oValue = static_cast<int>(node.real);
      return true;
    default:
      return Wrong(KAVSIM_SITE_WRONG_TYPE, "a whole number");
  }
}

int SiteValue::Int() const {
  int value = 0;
  if (_node < 0) Wrong(KAVSIM_SITE_WRONG_TYPE, "a whole number");
  return _node >= 0 && IntegralInRange(value) ? value : 0;
}

int SiteValue::Int(int iFallback) const {
  int value = 0;
  if (_node < 0) return iFallback;
  return IntegralInRange(value) ? value : iFallback;
}

double SiteValue::Double() const {
  if (_node < 0) Wrong(KAVSIM_SITE_WRONG_TYPE, "a number");
  return Double(0.0);
}

double SiteValue::Double(double iFallback) const {
  if (_node < 0) return iFallback;
  const SiteDocument::Node& node = Document().At(_node);
  switch (node.type) {
    case SiteDocument::kUnsigned:
      return static_cast<double>(node.whole);
    case SiteDocument::kInteger:
      return static_cast<double>(node.integer);
    case SiteDocument::kReal:
      return node.real;
    case SiteDocument::kString: {
      const std::string_view text = Document().Text(node);
      if (text == "NaN") return std::nan("");
      if (text == "Infinity") return HUGE_VAL;
      if (text == "-Infinity") return -HUGE_VAL;
      break;
    }
    default:
      break;
  }
  Wrong(KAVSIM_SITE_WRONG_TYPE, "a number");
  return iFallback;
}

std::string SiteValue::Text() const {
  if (_node < 0) Wrong(KAVSIM_SITE_WRONG_TYPE, "a text");
  return Text(std::string());
}

std::string SiteValue::Text(const std::string& iFallback) const {
  if (_node < 0) return iFallback;
  const SiteDocument::Node& node = Document().At(_node);
  if (node.type == SiteDocument::kString)
    return std::string(Document().Text(node));
  const long hex = BytesOf(Document(), node);
  std::string bytes;
  if (hex >= 0 &&
      DecodeHex(std::string(Document().Text(Document().At(hex))), bytes))
    return bytes;
  Wrong(KAVSIM_SITE_WRONG_TYPE, "a text");
  return iFallback;
}

// --- SiteFile ---------------------------------------------------------------

SiteFile::SiteFile(std::set<std::string>* ioReported, std::string iPath)
    : _reported(ioReported), _path(std::move(iPath)) {}

SiteFile::SiteFile(SiteFile&&) = default;
SiteFile& SiteFile::operator=(SiteFile&&) = default;
SiteFile::~SiteFile() = default;

SiteValue SiteFile::Root() {
  return SiteValue(this, _document ? _document->root : -1);
}

void SiteFile::Error(int iCode, const std::string& iWhere,
                     const std::string& iWhat) {
  if (_code != KAVSIM_OK) return;
  _code = iCode;
  if (!_reported->insert(_path).second) return;
  std::fprintf(stderr, "KAVSYMB: site file %s: %s%s%s (code %d)\n",
               _path.c_str(), iWhere.c_str(), iWhere.empty() ? "" : ": ",
               iWhat.c_str(), iCode);
}

void SiteFile::Load() {
  std::string text, why;
  switch (ReadWhole(_path, text, why)) {
    case ReadResult::kAbsent:
      return;
    case ReadResult::kUnreadable:
      _exists = true;
      Error(KAVSIM_SITE_UNREADABLE, "", "cannot be read: " + why);
      return;
    case ReadResult::kRead:
      _exists = true;
      break;
  }
  // Room for what a file of this size usually holds: no text outgrows
  // the file, and a value takes a few bytes of it at least.
  auto document = std::make_unique<SiteDocument>();
  document->texts.reserve(text.size());
  document->nodes.reserve(text.size() / 8 + 1);
  document->children.reserve(text.size() / 8 + 1);
  Builder builder(*document);
  bool parsed = false;
  try {
    parsed = nlohmann::json::sax_parse(text, &builder);
  } catch (const std::exception& error) {
    Error(KAVSIM_SITE_UNREADABLE, "", error.what());
    return;
  }
  if (builder.TooDeep()) {
    Error(KAVSIM_SITE_TOO_DEEP, "",
          "nested deeper than " + std::to_string(kSiteMaxDepth) + " levels");
  } else if (!parsed) {
    Error(KAVSIM_SITE_SYNTAX, "", builder.Error());
  } else {
    _document = std::move(document);
  }
}

// --- SiteFamily -------------------------------------------------------------

SiteFamily::SiteFamily(const char* iSubdirectory)
    : _subdirectory(iSubdirectory) {}

std::string SiteFamily::Directory() const {
  return SiteDirectory() + "/" + _subdirectory;
}

std::string SiteFamily::PathOf(const std::string& iName) const {
  return Directory() + "/" + iName;
}

SiteFile SiteFamily::Read(const std::string& iName) {
  SiteProblem();
  SiteFile file(&_reported, PathOf(iName));
  file.Load();
  return file;
}

// --- Writing ----------------------------------------------------------------

using nlohmann::json;

json SiteText(const std::string& iBytes) {
  if (IsUtf8(iBytes)) return iBytes;
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(iBytes.size() * 2);
  for (unsigned char byte : iBytes) {
    hex.push_back(kHex[byte >> 4]);
    hex.push_back(kHex[byte & 0x0F]);
  }
  return json{{"bytes", hex}};
}

json SiteDouble(double iValue) {
  if (std::isnan(iValue)) return "NaN";
  if (std::isinf(iValue)) return iValue > 0 ? "Infinity" : "-Infinity";
  return iValue;
}

// --- The site directory -----------------------------------------------------

const std::string& SiteProblem() {
  static std::string checked;
  static std::string problem;
  static bool done = false;
  const std::string& directory = SiteDirectory();
  if (done && checked == directory) return problem;
  done = true;
  checked = directory;
  problem.clear();
  struct stat info {};
  if (::stat(directory.c_str(), &info) != 0) {
    problem = "does not exist";
  } else if (!S_ISDIR(info.st_mode)) {
    problem = "is not a directory";
  } else if (DIR* entries = ::opendir(directory.c_str())) {
    problem = "is empty";
    while (const dirent* entry = ::readdir(entries)) {
      if (std::strcmp(entry->d_name, ".") != 0 &&
          std::strcmp(entry->d_name, "..") != 0) {
        problem.clear();
        break;
      }
    }
    ::closedir(entries);
  } else {
    problem = std::string("cannot be read: ") + std::strerror(errno);
  }
  if (!problem.empty())
    std::fprintf(stderr, "KAVSYMB: site directory %s %s\n", directory.c_str(),
                 problem.c_str());
  return problem;
}

}  // namespace kavsim
