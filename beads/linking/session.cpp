// Shared helpers of the linking stages: the frame index, chains, messages.
#include <sys/mman.h>

#include <cstdint>
#include <cstdio>

#include "session.h"

namespace linking {

void BuildFrameIndex(const LinkingSession& s, FrameIndex* index) {
  index->begin.assign(s.frames + 1, 0);
  for (const LinkingEvent& e : s.events) ++index->begin[e.frame + 1];
  for (int t = 0; t < s.frames; ++t) index->begin[t + 1] += index->begin[t];
  AssignLarge(index->order, s.events.size(), 0);
  std::vector<int> fill(index->begin.begin(), index->begin.end() - 1);
  for (size_t e = 0; e < s.events.size(); ++e)
    index->order[fill[s.events[e].frame]++] = static_cast<int>(e);
}

void BuildChains(const LinkingSession& s, Chains* chains) {
  const size_t n = s.events.size();
  // Events are only ever appended (refits) or cut back to those loaded
  // (linking again), so an index of the right size is the current one.
  FrameIndex& index = chains->index;
  if (index.order.size() != n || index.begin.size() != static_cast<size_t>(s.frames) + 1)
    BuildFrameIndex(s, &index);
  chains->list.clear();
  AssignLarge(chains->chain_of, n, -1);
  for (int e : index.order) {
    if (s.excluded[e]) continue;
    const int p = s.prev[e];
    if (p < 0) {
      chains->chain_of[e] = static_cast<int>(chains->list.size());
      chains->list.push_back({e, e, 1});
    } else {
      const int c = chains->chain_of[p];
      chains->chain_of[e] = c;
      chains->list[c].last = e;
      ++chains->list[c].count;
    }
  }
  const size_t count = chains->list.size();
  chains->member_begin.assign(count + 1, 0);
  for (size_t c = 0; c < count; ++c)
    chains->member_begin[c + 1] = chains->member_begin[c] + chains->list[c].count;
  AssignLarge(chains->members, static_cast<size_t>(chains->member_begin[count]), 0);
  std::vector<int> fill(chains->member_begin.begin(), chains->member_begin.end() - 1);
  for (int e : index.order) {
    const int c = chains->chain_of[e];
    if (c >= 0) chains->members[fill[c]++] = e;
  }
}

void AdviseHugePages(const void* data, size_t bytes) {
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  if (bytes < 4 * kHuge) return;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHuge - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

void SetMessage(char* message, size_t size, const std::string& text) {
  if (message && size > 0) std::snprintf(message, size, "%s", text.c_str());
}

}  // namespace linking
