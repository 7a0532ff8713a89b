// What makes a chain a track of the file, and its number.
//
// Spread test: a chain of two or more events whose positions relative to
// the field (position minus the field offset of its frame) have a sample
// standard deviation above max_std along X or along Y does not sit still on
// the specimen (a loose bead, or events of different beads): it is
// dissolved, its events are written in no track (track 0) and take no part
// in any later link.
//
// Numbering: every remaining chain of two or more events is a track. Tracks
// with an event in every frame come first, the most precise first (mean
// over the track of sqrt(x_precision^2 + y_precision^2) in nm); then the
// others, longest first, then most precise. Ties go to the earlier first
// frame, then the smaller y, then x. Lone events are in no track.
//
// The application's estimate uses tracks 1 .. 300 only, keeps only those
// present in every frame, and warns when N_TRACKS exceeds 300. So every
// complete track is numbered, and incomplete ones only while the count stays
// within 300; further incomplete chains (debris, loose beads cut into
// pieces) are written in no track. The warning then appears only when more
// than 300 tracks cover every frame, and the cap drops the least precise of
// them.
#pragma once

#include "session.h"

namespace linking {

// Dissolves the chains beyond max_std (their count becomes 0 and their
// events belong to no chain); returns how many.
long DissolveSpreadChains(Chains* chains, double max_std, LinkingSession* s);

// Sets events[].track from the chains and fills the track counts of s->stats.
void NumberTracks(const Chains& chains, LinkingSession* s);

}  // namespace linking
