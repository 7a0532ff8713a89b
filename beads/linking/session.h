// The state of one linking run behind the opaque LinkingSession of
// linking.h, and the small structures the stages share.
//
// States:  empty -> loaded [LinkingReadLocalizations, LinkingSetLocalizations]
//                -> linked [LinkingLinkTracks] -> refined [LinkingRefineTracks]
// Loading again returns to `loaded`; linking again starts from the events
// as loaded (refined events are dropped).
//
// Invariants once linked:
//  (1) next[e] / prev[e] form chains in strictly increasing frame order;
//      next[prev[e]] == e whenever prev[e] >= 0, and the reverse.
//  (2) an excluded event has no links and never gets any.
//  (3) events[e].track > 0 exactly for the events of numbered tracks, and
//      the numbers run from 1 to stats.tracks without holes.
//  (4) offset_x/offset_y hold one value per frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "linking.h"

namespace linking {

// Events sorted by frame: order[begin[t] .. begin[t+1]) are the events of
// frame t, in increasing event index.
struct FrameIndex {
  std::vector<int> begin;  // frames + 1 entries
  std::vector<int> order;  // event indices
};

// A chain of linked events: a segment before gap closing, a track after.
struct Chain {
  int first;  // first event (earliest frame)
  int last;   // last event
  int count;  // events in the chain
};

struct Chains {
  FrameIndex index;                // the events by frame, as the chains were built
  std::vector<Chain> list;         // chains ordered by their first event's frame, then index
  std::vector<int> chain_of;       // chain of every event, -1 for excluded events
  std::vector<int> member_begin;   // list.size() + 1: first entry of each chain in members
  std::vector<int> members;        // events of every chain, chain by chain, in frame order

  // The events of chain c, earliest first.
  const int* begin(int c) const { return members.data() + member_begin[c]; }
  const int* end(int c) const { return members.data() + member_begin[c + 1]; }
};

}  // namespace linking

struct LinkingSession {
  LinkingSeries series{};             // what the localization file says
  std::string image;                  // image path of the localization file, "" if none
  int frames = 0;                     // frames of the series (t_end - t_start + 1)
  bool loaded = false;                // events are present
  bool linked = false;                // LinkingLinkTracks has run
  long loaded_count = 0;              // events as loaded (before refinement)
  std::vector<LinkingEvent> events;   // loaded events in input order, then refined ones
  std::vector<int> next, prev;        // chain links, -1 for none
  std::vector<uint8_t> excluded;      // 1: dissolved by the spread test, never linked again
  std::vector<double> offset_x;       // field position of every frame, nm, frame 0 = 0
  std::vector<double> offset_y;
  std::vector<int> untrusted_before;  // frames + 1: entry f counts the frames g < f whose
                                      // motion from the previous event frame was not trusted
  LinkingStatistics stats{};          // counts of the last run
  linking::Chains chains;             // the stages' chains, kept so their memory is reused

  double nm_x() const { return 1000.0 * series.pixel_size_x; }  // nm per pixel along X
  double nm_y() const { return 1000.0 * series.pixel_size_y; }  // nm per pixel along Y
  // True when no untrusted motion lies between frames a <= b.
  bool MotionTrusted(int a, int b) const {
    return untrusted_before[b + 1] - untrusted_before[a + 1] == 0;
  }
};

namespace linking {

void BuildFrameIndex(const LinkingSession& s, FrameIndex* index);

// Collects the chains of the current links (excluded events belong to none).
// One pass over the events in frame order gives every event the chain of its
// predecessor, so the work is linear and its memory accesses independent.
void BuildChains(const LinkingSession& s, Chains* chains);

// Asks the kernel to back a large array with huge pages, where it can: the
// arrays of millions of events are touched page by page as they fill, and
// every first touch of a small page is a fault. Only advice; harmless
// where refused.
void AdviseHugePages(const void* data, size_t bytes);

// v.assign(n, value), with huge pages advised for a large fresh array.
template <typename T>
void AssignLarge(std::vector<T>& v, size_t n, T value) {
  if (v.capacity() < n) {
    std::vector<T>().swap(v);
    v.reserve(n);
    AdviseHugePages(v.data(), n * sizeof(T));
  }
  v.assign(n, value);
}

// Writes a one-line message into the caller's buffer (if any).
void SetMessage(char* message, size_t size, const std::string& text);

inline bool Stopped(const volatile sig_atomic_t* stop) { return stop && *stop != 0; }

}  // namespace linking
