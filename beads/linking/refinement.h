// Refinement of missed frames: going back to the pixels where a track lacks
// a frame, because a bead too dim to pass detection in one frame is usually
// still bright enough to fit at a known position.
//
// Order of work:
//  1. Inside every chain, each missing frame between two of its events
//     (with trusted field motion between them) gets a fit at the position
//     interpolated linearly in time between those events, relative to the
//     field, plus the field offset of the frame.
//  2. Then the ends: every chain is extended backward from its first and
//     forward from its last event, one frame per round, at the mean
//     position relative to the field of its (up to) five events nearest
//     that end, until a fit fails, the series ends, or the field motion to
//     the next frame is not trusted. Rounds let two chains of one bead that
//     grow toward each other meet instead of both fitting the same frames.
// Before each fit: if the frame already holds an event of another chain
// (or a lone or dissolved one) within the search radius of the expected
// position, that event is the bead and no fit is made; an extension stops
// there, so that gap closing can join the two chains.
//
// The fit: a square region of BeadsRoiSize(sigma) pixels around the expected
// position (moved inside the frame), one emitter by maximum likelihood with
// the PSF sigma held at the chain's median fitted sigma, started at the
// expected position with the chain's median photons. It is accepted when it
// converged with positive photons, lies within the search radius of the
// expected position, and passes the significance test of significance.h at
// the series' alpha. Accepted fits become events of the chain: photons,
// position, Cramer-Rao precision, background, the sigma used and the fit
// quality, like any localization.
#pragma once

#include <string>

#include "session.h"

namespace linking {

// Returns LINKING_OK, LINKING_ERR_CANCELED, LINKING_ERR_PIXELS (with the
// reader's message) or LINKING_ERR_MEMORY.
int RefineMissedFrames(const LinkingParameters& parameters, LinkingPatchReader reader,
                       void* context, const volatile sig_atomic_t* stop, std::string* message,
                       LinkingSession* s);

}  // namespace linking
