// Where KAVMfgDictionary's error number lives when the data pool asks the
// dictionary. Internal to the library: the dictionary family and the data
// pool's GetValues.
//
// GetValues asks GetAttributeFacets for the value type of each integer
// field. Written into the dictionary's _ErrorNumber, that query's code
// would race with a dictionary operation on another thread, and the
// dictionary's caller could read a code it never got; yet the two classes
// may run on different threads at once. So while a KAVDictionaryAskedByDataPool
// lives on a thread, GetAttributeFacets on that thread leaves its code in a
// cell of that thread instead. Single-threaded nothing shows: GetError()
// on that thread answers the lent code until the thread's next dictionary
// operation that writes the error number, exactly as _ErrorNumber would
// have held it. Other threads see _ErrorNumber, which the data pool never
// writes.
#ifndef KAVMfgDictionaryCode_h
#define KAVMfgDictionaryCode_h

// Marks the calling thread's dictionary queries as the data pool's while it
// lives.
class KAVDictionaryAskedByDataPool {
 public:
  KAVDictionaryAskedByDataPool();
  ~KAVDictionaryAskedByDataPool();
  KAVDictionaryAskedByDataPool(const KAVDictionaryAskedByDataPool&) = delete;
  KAVDictionaryAskedByDataPool& operator=(const KAVDictionaryAskedByDataPool&) =
      delete;
};

namespace kavdictionary {

// The cell GetAttributeFacets passes as its ier: this thread's own while
// the data pool asks (the thread then holds a lent code), else ioOwn, the
// class's _ErrorNumber, after ReclaimCode().
int& FacetsCode(int& ioOwn);
// Ends this thread's lent code: called first by every operation that writes
// _ErrorNumber.
void ReclaimCode();
// This thread's lent code, or null when it holds none.
const int* LentCode();

}  // namespace kavdictionary

#endif
