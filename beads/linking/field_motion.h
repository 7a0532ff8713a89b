// The common motion of the field: every fixed bead moves with the stage, so
// the displacement that most bead pairs of two frames agree on is the motion
// of the field between them, whatever the few loose beads do.
//
// Between two successive frames (ShiftVoter): every pair of events closer
// than the capture range (up to 128 events of the frame with fewer events,
// evenly spread over it, with every event of the other) votes for its
// displacement in a histogram of bins
// half a search radius wide; the bin whose 3 x 3 neighbourhood holds most
// votes gives a first estimate, which is refined twice by the componentwise
// median of the displacements within one search radius of it. The estimate
// is trusted when the pairs that agree on it (its support) are clearly more
// than chance alignments of unrelated beads would give and at least a tenth
// of the voters, or all voters when there are fewer than that needs.
// Beyond the capture range, or between frames of different fields, the
// motion is not trusted: nothing is linked across it.
//
// Over the whole series (RefineOffsets): the field position of frame t is
// O(t); a fixed bead k sits at c_k + O(t). Starting from the sum of the
// successive motions, the estimate alternates between c_k = mean over the
// chain of (p - O(t)) and O(t) = median over the chains present in frame t
// of (p - c_k). The median over beads keeps loose beads and false links from
// pulling the field (a loose bead's own centre only shifts its own
// residuals); the alternation removes the random walk that summing
// successive motions accumulates over a long series.
#pragma once

#include <vector>

#include "point_grid.h"
#include "session.h"

namespace linking {

struct ShiftEstimate {
  double dx = 0, dy = 0;  // motion of the field from the earlier to the later frame, nm
  int support = 0;        // event pairs within one search radius of it
  bool trusted = false;   // enough pairs agree
};

class ShiftVoter {
 public:
  explicit ShiftVoter(double search_radius);

  // The motion from frame A to frame B: ax, ay (na points, nm) indexed by
  // grid_a, bx, by (nb points) by grid_b. The frame with fewer events votes,
  // so that every voter can find its partner.
  ShiftEstimate Estimate(const PointGrid& grid_a, const double* ax, const double* ay, int na,
                         const PointGrid& grid_b, const double* bx, const double* by, int nb);

  double capture() const { return capture_; }

 private:
  // Componentwise median of the pair displacements within one search radius
  // of (cx, cy), and how many there are.
  void MedianAround(double cx, double cy, double* mx, double* my, int* support);

  double radius_;                  // search radius, nm
  double capture_;                 // largest motion searched, nm
  double bin_;                     // histogram bin side, nm
  int bins_;                       // bins per axis
  std::vector<int> votes_;         // bins_ * bins_ counters
  std::vector<int> touched_;       // bins given a vote in this estimate
  std::vector<double> pair_x_, pair_y_;  // displacements of all pairs of this estimate
  std::vector<double> pick_x_, pick_y_;  // scratch of the medians
};

// Fills s->offset_x/y from the motions between successive non-empty frames
// (shift[k] is the motion from frame from[k] to frame to[k]); frames between
// them are interpolated, frames before the first and after the last take
// the nearest value.
void CumulativeOffsets(int frames, const std::vector<int>& from, const std::vector<int>& to,
                       const std::vector<ShiftEstimate>& shifts, LinkingSession* s);

// Alternating-median refinement of s->offset_x/y over the chains of at
// least two events; frames without such chains are interpolated.
void RefineOffsets(const Chains& chains, int iterations, LinkingSession* s);

// Median of values (reordered); 0 for none.
double MedianInPlace(std::vector<double>& values);

}  // namespace linking
