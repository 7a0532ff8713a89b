// Gap closing: joins the end of one chain to the start of a later chain
// when the bead was missed in between.
//
// Candidates: chain A ends in frame te, chain B starts in frame ts, the
// number of missing frames g = ts - te - 1 lies in [min_gap, time_window],
// no untrusted field motion lies between te and ts, and the distance d
// between B's first and A's last position, each taken relative to the field
// (position minus the field offset of its frame), is at most the search
// radius. Cost of the candidate: d^2 * gap_penalty^g (nm^2). Every end and
// every start may stay unjoined at a cost of search_radius^2 *
// gap_penalty^time_window, which no admitted candidate exceeds, so a gap is
// left open only when its partners are taken by cheaper joins; among
// competing joins the penalty favours the shorter gap at equal distance.
// The choice is one exact assignment over all ends and starts.
#pragma once

#include "session.h"

namespace linking {

// Adds the joins to s->next/prev; returns LINKING_OK or an error status and
// counts the joins in s->stats.gaps_closed.
int CloseGaps(const Chains& chains, const LinkingParameters& parameters, int min_gap,
              LinkingSession* s);

}  // namespace linking
