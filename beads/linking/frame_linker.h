// Frame-to-frame links: for every pair of successive non-empty frames, the
// common motion of the field between them (ShiftVoter) and, when the frames
// are adjacent and the motion is trusted, the links between their events.
//
// Links solve a linear assignment problem over the pairs whose distance
// after removing the field's motion is at most the search radius; the cost
// of a link is that squared distance (nm^2) and an event may stay unlinked
// at a cost of search_radius^2 on each side. Because every admitted link
// costs at most search_radius^2, the optimum never leaves two events apart
// that could be linked to each other alone; among competing links it takes
// the set of least total squared motion (crossing beads, close neighbours).
//
// Side results: the field offsets summed from the successive motions and the
// boundaries whose motion was not trusted (no frame links, no gap closed or
// fit across them).
#pragma once

#include "session.h"

namespace linking {

// Returns LINKING_OK, LINKING_ERR_CANCELED or LINKING_ERR_MEMORY.
int LinkSuccessiveFrames(const FrameIndex& index, const LinkingParameters& parameters,
                         const volatile sig_atomic_t* stop, LinkingSession* s);

}  // namespace linking
