// The C entry points of linking.h: argument checks, the order of the
// stages, and the conversion of every C++ failure into a status code.
//
// LinkingLinkTracks, stage by stage:
//   frame index -> successive motions and frame links (frame_linker)
//   -> segments -> gap closing over 1 .. time_window missing frames
//   -> tracks -> field offsets refined by alternating medians
//   -> spread test -> numbering
// LinkingRefineTracks:
//   fits of missed frames (refinement) -> gap closing over 0 .. time_window
//   -> offsets again -> spread test -> numbering
#include <cmath>
#include <new>
#include <string>

#include "field_motion.h"
#include "frame_linker.h"
#include "gap_closer.h"
#include "linking.h"
#include "localization_reader.h"
#include "refinement.h"
#include "session.h"
#include "track_rules.h"
#include "track_writer.h"

using linking::SetMessage;

namespace {

constexpr int kOffsetIterations = 2;  // alternating-median rounds of the field offsets

bool ValidParameters(const LinkingParameters* p, char* message, size_t size) {
  std::string problem;
  if (!p)
    problem = "no parameters";
  else if (!(p->max_std > 0) || !std::isfinite(p->max_std))
    problem = "maxStd must be a positive number of nanometres";
  else if (!(p->search_radius > 0) || !std::isfinite(p->search_radius))
    problem = "searchRadius must be a positive number of nanometres";
  else if (!(p->gap_penalty >= 1) || !std::isfinite(p->gap_penalty) || p->gap_penalty > 1e6)
    problem = "gapPenalty must be at least 1";
  else if (p->time_window < 0 || p->time_window > LINKING_MAX_TIME_WINDOW)
    problem = "timeWindow must lie between 0 and " + std::to_string(LINKING_MAX_TIME_WINDOW);
  if (problem.empty()) return true;
  SetMessage(message, size, problem);
  return false;
}

// Common tail of both linking calls: offsets over the current tracks, the
// spread test, numbering.
void SettleTracks(const LinkingParameters& p, LinkingSession* s) {
  linking::BuildChains(*s, &s->chains);
  linking::RefineOffsets(s->chains, kOffsetIterations, s);
  s->stats.dissolved_tracks += linking::DissolveSpreadChains(&s->chains, p.max_std, s);
  linking::NumberTracks(s->chains, s);
}

void ResetLinks(LinkingSession* s) {
  s->events.resize(s->loaded_count);
  for (LinkingEvent& e : s->events) e.track = 0;
  linking::AssignLarge(s->next, s->events.size(), -1);
  linking::AssignLarge(s->prev, s->events.size(), -1);
  linking::AssignLarge(s->excluded, s->events.size(), uint8_t{0});
  s->offset_x.assign(s->frames, 0.0);
  s->offset_y.assign(s->frames, 0.0);
  s->untrusted_before.assign(s->frames + 1, 0);
  s->stats = LinkingStatistics{};
  s->stats.events = static_cast<long>(s->events.size());
  s->stats.unlinked_events = s->stats.events;
  s->linked = false;
}

}  // namespace

extern "C" {

void LinkingParametersDefault(LinkingParameters* parameters) {
  if (!parameters) return;
  parameters->max_std = 100.0;
  parameters->search_radius = 100.0;
  parameters->gap_penalty = 1.5;
  parameters->time_window = 3;
}

int LinkingSessionCreate(LinkingSession** session) {
  if (!session) return LINKING_ERR_ARGUMENT;
  *session = new (std::nothrow) LinkingSession();
  return *session ? LINKING_OK : LINKING_ERR_MEMORY;
}

void LinkingSessionDestroy(LinkingSession* session) { delete session; }

int LinkingReadLocalizations(LinkingSession* s, const char* path,
                             const volatile sig_atomic_t* stop, char* message,
                             size_t message_size) {
  if (!s || !path || !*path) {
    SetMessage(message, message_size, "no localization file given");
    return LINKING_ERR_ARGUMENT;
  }
  try {
    *s = LinkingSession();
    s->series.nx = s->series.ny = -1;
    s->series.x_start = s->series.x_end = s->series.y_start = s->series.y_end = -1;
    std::string text;
    const int rc = linking::ReadLocalizationFile(path, stop, s, &text);
    if (rc != LINKING_OK) {
      if (rc == LINKING_ERR_CANCELED) text = "interrupted while reading " + std::string(path);
      SetMessage(message, message_size, text);
      *s = LinkingSession();
      return rc;
    }
    s->loaded = true;
    s->loaded_count = static_cast<long>(s->events.size());
    ResetLinks(s);
    return LINKING_OK;
  } catch (const std::bad_alloc&) {
    *s = LinkingSession();
    SetMessage(message, message_size, "out of memory while reading " + std::string(path));
    return LINKING_ERR_MEMORY;
  }
}

int LinkingSetLocalizations(LinkingSession* s, const LinkingSeries* series, const char* image,
                            const LinkingEvent* events, long count, char* message,
                            size_t message_size) {
  if (!s || !series || count < 0 || (count > 0 && !events) || count >= 2147483647L) {
    SetMessage(message, message_size, "invalid arguments");
    return LINKING_ERR_ARGUMENT;
  }
  try {
    *s = LinkingSession();
    s->series = *series;
    s->image = image ? image : "";
    s->events.assign(events, events + count);
    for (LinkingEvent& e : s->events) {
      if (!std::isfinite(e.x) || !std::isfinite(e.y)) {
        SetMessage(message, message_size, "an event position is not finite");
        *s = LinkingSession();
        return LINKING_ERR_FORMAT;
      }
    }
    std::string text;
    const bool have_time = series->t_start >= 0 && series->t_end >= series->t_start;
    if (linking::ValidateSeries(s, have_time, &text) != LINKING_OK) {
      SetMessage(message, message_size, text);
      *s = LinkingSession();
      return LINKING_ERR_FORMAT;
    }
    s->loaded = true;
    s->loaded_count = count;
    ResetLinks(s);
    return LINKING_OK;
  } catch (const std::bad_alloc&) {
    *s = LinkingSession();
    SetMessage(message, message_size, "out of memory");
    return LINKING_ERR_MEMORY;
  }
}

const LinkingSeries* LinkingGetSeries(const LinkingSession* s) { return s ? &s->series : nullptr; }

const char* LinkingImagePath(const LinkingSession* s) { return s ? s->image.c_str() : ""; }

int LinkingLinkTracks(LinkingSession* s, const LinkingParameters* p,
                      const volatile sig_atomic_t* stop, char* message, size_t message_size) {
  if (!s || !s->loaded) {
    SetMessage(message, message_size, "no localizations loaded");
    return LINKING_ERR_ARGUMENT;
  }
  if (!ValidParameters(p, message, message_size)) return LINKING_ERR_ARGUMENT;
  try {
    ResetLinks(s);
    linking::BuildFrameIndex(*s, &s->chains.index);
    int rc = linking::LinkSuccessiveFrames(s->chains.index, *p, stop, s);
    if (rc == LINKING_OK) {
      linking::BuildChains(*s, &s->chains);
      s->stats.segments = static_cast<long>(s->chains.list.size());
      rc = linking::CloseGaps(s->chains, *p, 1, s);
    }
    if (rc == LINKING_OK && linking::Stopped(stop)) rc = LINKING_ERR_CANCELED;
    if (rc == LINKING_OK) SettleTracks(*p, s);
    if (rc != LINKING_OK) {
      ResetLinks(s);
      SetMessage(message, message_size,
                 rc == LINKING_ERR_CANCELED ? "interrupted while linking" : "linking failed");
      return rc;
    }
    s->linked = true;
    return LINKING_OK;
  } catch (const std::bad_alloc&) {
    ResetLinks(s);
    SetMessage(message, message_size, "out of memory while linking");
    return LINKING_ERR_MEMORY;
  }
}

int LinkingRefineTracks(LinkingSession* s, const LinkingParameters* p, LinkingPatchReader reader,
                        void* context, const volatile sig_atomic_t* stop, char* message,
                        size_t message_size) {
  if (!s || !s->linked || !reader) {
    SetMessage(message, message_size, "refinement needs linked tracks and a pixel reader");
    return LINKING_ERR_ARGUMENT;
  }
  if (!ValidParameters(p, message, message_size)) return LINKING_ERR_ARGUMENT;
  if (s->series.nx < 1 || s->series.ny < 1) {
    SetMessage(message, message_size, "the frame size of the image is not known");
    return LINKING_ERR_ARGUMENT;
  }
  try {
    std::string text;
    int rc = linking::RefineMissedFrames(*p, reader, context, stop, &text, s);
    if (rc == LINKING_OK) {
      linking::BuildChains(*s, &s->chains);
      rc = linking::CloseGaps(s->chains, *p, 0, s);
    }
    if (rc == LINKING_OK && linking::Stopped(stop)) rc = LINKING_ERR_CANCELED;
    if (rc == LINKING_OK) {
      SettleTracks(*p, s);
      return LINKING_OK;
    }
    // The links are half refined: go back to the tracks as linked.
    s->linked = false;
    ResetLinks(s);
    if (rc == LINKING_ERR_CANCELED) text = "interrupted while refining";
    SetMessage(message, message_size, text.empty() ? "refinement failed" : text);
    return rc;
  } catch (const std::bad_alloc&) {
    ResetLinks(s);
    SetMessage(message, message_size, "out of memory while refining");
    return LINKING_ERR_MEMORY;
  }
}

int LinkingWriteTrackFile(const LinkingSession* s, const LinkingParameters* p, const char* path,
                          const volatile sig_atomic_t* stop, char* message, size_t message_size) {
  if (!s || !s->loaded || !path || !*path) {
    SetMessage(message, message_size, "nothing to write, or no track file given");
    return LINKING_ERR_ARGUMENT;
  }
  if (!ValidParameters(p, message, message_size)) return LINKING_ERR_ARGUMENT;
  try {
    std::string text;
    const int rc = linking::WriteTrackFile(*s, *p, path, stop, &text);
    if (rc == LINKING_ERR_CANCELED) text = "interrupted while writing " + std::string(path);
    if (rc != LINKING_OK) SetMessage(message, message_size, text);
    return rc;
  } catch (const std::bad_alloc&) {
    SetMessage(message, message_size, "out of memory while writing " + std::string(path));
    return LINKING_ERR_MEMORY;
  }
}

long LinkingEventCount(const LinkingSession* s) {
  return s ? static_cast<long>(s->events.size()) : 0;
}

const LinkingEvent* LinkingEvents(const LinkingSession* s) {
  return s && !s->events.empty() ? s->events.data() : nullptr;
}

int LinkingFieldOffset(const LinkingSession* s, int frame, double* x_nm, double* y_nm) {
  if (!s || !s->linked || frame < 0 || frame >= s->frames) return LINKING_ERR_ARGUMENT;
  if (x_nm) *x_nm = s->offset_x[frame];
  if (y_nm) *y_nm = s->offset_y[frame];
  return LINKING_OK;
}

void LinkingGetStatistics(const LinkingSession* s, LinkingStatistics* statistics) {
  if (!statistics) return;
  *statistics = s ? s->stats : LinkingStatistics{};
}

}  // extern "C"
