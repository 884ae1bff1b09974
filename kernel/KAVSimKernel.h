// Internals shared by the reference kernel's routine families: the
// registry that the resolver binds from, the kernel's lock, the kernel's
// list store and its site directory. Nothing here is exported from the
// module.
//
// A routine is its behaviour only. The call framework (KAVSimCore.cpp)
// runs it, under the lock, inside an entry expanded from the routine
// table that counts the call, injects faults into its ier, applies
// scripted answers, and writes the message log and the boundary log: a
// routine neither names itself nor notes its arguments.
#ifndef KAVSimKernel_h
#define KAVSimKernel_h

#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "KAVRoutineTable.h"
#include "KAVSimCodes.h"

namespace kavsim {

// C prototype of each routine, from the routine table: Proto_GNFLOD is
// void(char*, char*, char*, int*).
#define KAV_ROUTINE(num, name, ret, params, module, library, args) \
  using Proto_##name = ret params;
#include "KAVRoutines.def"
#undef KAV_ROUTINE

// The kernel's one lock. Its routines run under it (the call framework
// takes it before a routine starts, scripted or not) and so must every
// control function (`const auto lock = kavsim::Lock();` first), so that an
// application calling from several threads cannot corrupt kernel state.
// Recursive: a control function may call another.
std::unique_lock<std::recursive_mutex> Lock();

// Writes a routine's return code, success included, into its ier. A C
// caller may pass a null ier: nothing is written then. Routines answer
// only through this, so a code is set the same way everywhere.
inline void SetCode(int* oIer, int iCode) {
  if (oIer != nullptr) *oIer = iCode;
}

// Registry of implemented routines, by row of the routine table; the
// resolver binds every other row to a stand-in that answers
// KAVSIM_NOT_AVAILABLE in its ier.
void Register(int iRow, void* iRoutine);

// The name of the routine whose body is running (for the GII error
// journal's lines), "" outside one.
const char* CurrentRoutine();

// Reset hooks: each family clears its state (and drops data loaded from
// the site) when the kernel is reset.
void OnReset(void (*iHook)());

struct Registration {
  Registration(int iRow, void* iRoutine) { Register(iRow, iRoutine); }
};
struct ResetRegistration {
  explicit ResetRegistration(void (*iHook)()) { OnReset(iHook); }
};

// Binds NAME to the function FN in this module; the signature must be the
// one the routine table gives.
#define KAVSIM_ROUTINE(NAME, FN)                                        \
  static_assert(std::is_same_v<decltype(&FN), ::kavsim::Proto_##NAME*>, \
                #FN " must have the prototype of " #NAME);              \
  static ::kavsim::Registration kavsimRegistration_##NAME(              \
      ::kavcall::Row(#NAME), reinterpret_cast<void*>(&FN))

#define KAVSIM_ON_RESET(FN) \
  static ::kavsim::ResetRegistration kavsimReset_##FN(&FN)

// Records of one width, back to back, each kept as small as it reads
// back: a record of width 4 or 8 is a number's bytes, kept whole; one of
// any other width is text, kept without its trailing blanks and padded
// again when read. 100,000 blank records of 1,024 characters cost 800 KB,
// not 100 MB.
class Records {
 public:
  explicit Records(int iWidth = 0) : _width(iWidth > 0 ? iWidth : 0) {}
  int Width() const { return _width; }
  size_t Size() const { return _ends.size(); }
  void Reserve(size_t iCount) { _ends.reserve(iCount); }
  // Appends iRecord cut or blank-padded to the width.
  void Append(std::string_view iRecord);
  // Record i (from 0) as kept: a text without its trailing blanks.
  std::string_view Kept(size_t iIndex) const;
  // Record i whole, of the width: into oRecord, or as a string.
  void Write(size_t iIndex, void* oRecord) const;
  std::string Whole(size_t iIndex) const;

 private:
  int _width;
  std::string _bytes;
  std::vector<size_t> _ends;
};

// The kernel's lists (GUSINI ... GUSEND). Families build result lists with
// these and hand out the handle; the wrappers read them through GUSREA.
namespace lists {
int Create(int iWidth);                                  // new handle, > 0
int Create(const Records& iRecords);                     // holding these
void AppendText(int iHandle, const std::string& iText);  // padded/cut
void AppendInt(int iHandle, int iValue);
void AppendDouble(int iHandle, double iValue);
bool Exists(int iHandle);
int Width(int iHandle);
int Count(int iHandle);
const Records* RecordsOf(int iHandle);        // null for no open list
std::string TextAt(int iHandle, int iIndex);  // 1-based, padded record
int IntAt(int iHandle, int iIndex);
double DoubleAt(int iHandle, int iIndex);
int OpenCount();  // lists not yet ended
}  // namespace lists

// Fixed-field helpers for routines: read a blank-padded field into a
// string (trailing blanks kept or stripped), write one back padded.
std::string Field(const char* iText, int iWidth);
std::string Trimmed(const std::string& iText);
void PutField(char* oField, int iWidth, const std::string& iText);

// The GII error journal: the failures routines choose to record, one
// line "ROUTINE code" each. GUERJO clears it, and so does a reset.
void RecordError(const char* iRoutine, int iCode);
const std::vector<std::string>& ErrorJournal();

// The site directory: KAVSIM_SITE, else the directory "site" beside this
// module. Families read their seed data from it.
const std::string& SiteDirectory();
void SetSiteDirectory(const std::string& iDirectory);

}  // namespace kavsim

#endif
