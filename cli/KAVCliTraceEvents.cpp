// The journal's Trace Event document. Times in the format are
// microseconds; they are computed from whole nanoseconds and divided last,
// so a call never ends past the operation slice around it.
#include "KAVCliTraceEvents.h"

#include <algorithm>
#include <map>

namespace {

constexpr int kProcess = 1;

double Microseconds(long long iNs) { return static_cast<double>(iNs) / 1000.0; }

// Calls first to last, 0-based, grouped by the lists they work on.
struct Group {
  size_t first, last;
  std::vector<long long> lists;
};

// A group starts at a call handing out lists no group holds and takes in
// every later call naming one of its lists; a list ended by GUSEND leaves
// its group (the kernel may hand its handle out again). Groups that
// overlap are made one, so that slices nest.
std::vector<Group> Groups(const std::vector<KAVCliTracedCall>& iCalls) {
  std::vector<Group> groups;
  std::map<long long, size_t> owner;  // list handle -> group
  for (size_t i = 0; i < iCalls.size(); ++i) {
    const KAVCliTracedCall& call = iCalls[i];
    size_t group = groups.size();
    for (long long list : call.used) {
      const auto held = owner.find(list);
      if (held == owner.end()) continue;
      group = held->second;
      groups[group].last = std::max(groups[group].last, i);
    }
    if (call.ends)
      for (long long list : call.used) owner.erase(list);
    for (long long list : call.opened) {
      if (group == groups.size()) groups.push_back({i, i, {}});
      owner[list] = group;
      groups[group].lists.push_back(list);
    }
  }
  // Groups are made in the order of their first call.
  std::vector<Group> merged;
  for (const Group& group : groups) {
    if (!merged.empty() && group.first <= merged.back().last) {
      merged.back().last = std::max(merged.back().last, group.last);
      merged.back().lists.insert(merged.back().lists.end(), group.lists.begin(),
                                 group.lists.end());
    } else {
      merged.push_back(group);
    }
  }
  return merged;
}

nlohmann::json Metadata(const char* iName, long long iTrack,
                        const std::string& iValue) {
  return {{"name", iName},
          {"ph", "M"},
          {"pid", kProcess},
          {"tid", iTrack},
          {"args", {{"name", iValue}}}};
}

nlohmann::json Slice(const std::string& iName, const char* iCategory,
                     long long iTrack, long long iStart, long long iEnd,
                     nlohmann::json iArgs) {
  return {{"name", iName},
          {"cat", iCategory},
          {"ph", "X"},
          {"pid", kProcess},
          {"tid", iTrack},
          {"ts", Microseconds(iStart)},
          {"dur", Microseconds(iEnd - iStart)},
          {"args", std::move(iArgs)}};
}

// One thread's calls on its own track: end to end from 0, operations
// before the calls they hold.
void Track(const std::vector<KAVCliTracedCall>& iCalls, long long iTrack,
           nlohmann::json& ioEvents, int& ioOperations) {
  std::vector<long long> starts(iCalls.size() + 1, 0);
  for (size_t i = 0; i < iCalls.size(); ++i)
    starts[i + 1] = starts[i] + iCalls[i].ns;
  const std::vector<Group> groups = Groups(iCalls);
  auto group = groups.begin();
  for (size_t i = 0; i < iCalls.size(); ++i) {
    // A call alone needs no slice around it.
    if (group != groups.end() && group->first == i && group->last > i) {
      ++ioOperations;
      ioEvents.push_back(Slice("lists of " + iCalls[i].routine, "operation",
                               iTrack, starts[i], starts[group->last + 1],
                               {{"lists", group->lists},
                                {"calls", group->last - i + 1},
                                {"first line", iCalls[i].line}}));
    }
    if (group != groups.end() && group->first == i) ++group;
    const KAVCliTracedCall& call = iCalls[i];
    nlohmann::json args = {
        {"line", call.line}, {"in", call.in}, {"out", call.out}};
    if (!call.code.is_null()) args["code"] = call.code;
    ioEvents.push_back(Slice(call.routine, "kernel call", iTrack, starts[i],
                             starts[i + 1], std::move(args)));
  }
}

}  // namespace

nlohmann::json KAVCliTraceEvents(const std::string& iJournal,
                                 const std::vector<KAVCliTracedCall>& iCalls,
                                 int& oOperations) {
  nlohmann::json events = nlohmann::json::array();
  events.push_back(Metadata("process_name", 1, "t4711 journal " + iJournal));
  // A thread's lists are its own: groups are found within each track.
  std::map<long long, std::vector<KAVCliTracedCall>> threads;
  for (const KAVCliTracedCall& call : iCalls)
    threads[call.thread].push_back(call);
  if (threads.empty()) threads[1];
  oOperations = 0;
  for (const auto& [thread, calls] : threads) {
    events.push_back(Metadata(
        "thread_name", thread,
        thread == 1 ? std::string("kernel calls")
                    : "kernel calls of thread " + std::to_string(thread)));
    Track(calls, thread, events, oOperations);
  }
  return {{"traceEvents", events},
          {"displayTimeUnit", "ns"},
          {"otherData",
           {{"journal", iJournal},
            {"time axis",
             "kernel time: each call starts where the one before it ended "
             "on its thread's track"}}}};
}
