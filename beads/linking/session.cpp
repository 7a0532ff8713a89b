// Shared helpers of the linking stages: the frame index, chains, messages.
#include <cstdio>

#include "session.h"

namespace linking {

void BuildFrameIndex(const LinkingSession& s, FrameIndex* index) {
  index->begin.assign(s.frames + 1, 0);
  for (const LinkingEvent& e : s.events) ++index->begin[e.frame + 1];
  for (int t = 0; t < s.frames; ++t) index->begin[t + 1] += index->begin[t];
  index->order.resize(s.events.size());
  std::vector<int> fill(index->begin.begin(), index->begin.end() - 1);
  for (size_t e = 0; e < s.events.size(); ++e)
    index->order[fill[s.events[e].frame]++] = static_cast<int>(e);
}

void BuildChains(const LinkingSession& s, Chains* chains) {
  const size_t n = s.events.size();
  chains->list.clear();
  chains->chain_of.assign(n, -1);
  for (size_t e = 0; e < n; ++e) {
    if (s.excluded[e] || s.prev[e] >= 0) continue;
    const int id = static_cast<int>(chains->list.size());
    Chain chain{static_cast<int>(e), static_cast<int>(e), 0};
    for (int k = static_cast<int>(e); k >= 0; k = s.next[k]) {
      chains->chain_of[k] = id;
      chain.last = k;
      ++chain.count;
    }
    chains->list.push_back(chain);
  }
}

void SetMessage(char* message, size_t size, const std::string& text) {
  if (message && size > 0) std::snprintf(message, size, "%s", text.c_str());
}

}  // namespace linking
