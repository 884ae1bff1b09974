// The codes the replay kernel answers of its own, in the ier of a call it
// cannot answer from the journal. They lie outside the reference kernel's
// ranges, so that a replayed site code is never taken for one of them.
#ifndef KAVReplayCodes_h
#define KAVReplayCodes_h

namespace kavreplay {

constexpr int kDiverged = 9990;
constexpr int kPastTheEnd = 9991;
constexpr int kNoJournal = 9992;

inline const char* Meaning(int iCode) {
  switch (iCode) {
    case kDiverged:
      return "the call differs from the one the journal recorded";
    case kPastTheEnd:
      return "the journal holds no further call of this thread";
    case kNoJournal:
      return "no journal to replay";
    default:
      return nullptr;
  }
}

}  // namespace kavreplay

#endif
