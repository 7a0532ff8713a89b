// Synthetic bead series for the linking tests (see synthetic_series.h).
#include "synthetic_series.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "beads.h"

namespace linking_test {

int Scene::Drop(int bead, int first, int last) {
  int dropped = 0;
  std::vector<LinkingEvent> kept;
  std::vector<int> kept_bead;
  for (size_t e = 0; e < events.size(); ++e) {
    if (bead_of[e] == bead && events[e].frame >= first && events[e].frame <= last) {
      ++dropped;
      continue;
    }
    kept.push_back(events[e]);
    kept_bead.push_back(bead_of[e]);
  }
  events.swap(kept);
  bead_of.swap(kept_bead);
  return dropped;
}

Scene MakeScene(const SceneOptions& o) {
  Scene s;
  s.options = o;
  s.series.nx = o.nx;
  s.series.ny = o.ny;
  s.series.x_start = 0;
  s.series.x_end = o.nx - 1;
  s.series.y_start = 0;
  s.series.y_end = o.ny - 1;
  s.series.t_start = 0;
  s.series.t_end = o.frames - 1;
  s.series.t_increment = 1;
  s.series.pixel_size_x = o.pixel_um;
  s.series.pixel_size_y = o.pixel_um;
  s.series.psf_sigma = 1.3;
  s.series.photon_conversion = 1;
  s.series.camera_offset = 0;
  s.series.alpha = 0.001;
  BeadsRng rng;
  BeadsRngSeed(&rng, o.seed, 0);
  const double nm = 1000.0 * o.pixel_um;
  s.stage_x.assign(o.frames, 0);
  s.stage_y.assign(o.frames, 0);
  for (int t = 1; t < o.frames; ++t) {
    s.stage_x[t] = o.stage_jump_nm * (2 * BeadsRngUniform(&rng) - 1);
    s.stage_y[t] = o.stage_jump_nm * (2 * BeadsRngUniform(&rng) - 1);
  }
  // Bases kept away from the border by the stage motion plus a fit region.
  const double margin = 6 + o.stage_jump_nm / nm;
  std::vector<std::pair<double, double>> bases;
  for (int tries = 0; static_cast<int>(bases.size()) < o.fixed + o.loose && tries < 100000; ++tries) {
    const double x = margin + (o.nx - 2 * margin) * BeadsRngUniform(&rng);
    const double y = margin + (o.ny - 2 * margin) * BeadsRngUniform(&rng);
    bool ok = true;
    for (const auto& [bx, by] : bases) ok = ok && std::hypot(bx - x, by - y) >= o.min_spacing_px;
    if (ok) bases.emplace_back(x, y);
  }
  const int beads = static_cast<int>(bases.size());
  s.bead_x.assign(beads, std::vector<double>(o.frames));
  s.bead_y.assign(beads, std::vector<double>(o.frames));
  for (int b = 0; b < beads; ++b) {
    double wx = 0, wy = 0;  // a loose bead's own walk, pixels
    for (int t = 0; t < o.frames; ++t) {
      if (b < o.fixed) {
        s.bead_x[b][t] = bases[b].first + s.stage_x[t] / nm;
        s.bead_y[b][t] = bases[b].second + s.stage_y[t] / nm;
      } else {
        if (t > 0) {
          wx += (o.loose_drift_nm + o.loose_step_nm * BeadsRngGaussian(&rng)) / nm;
          wy += o.loose_step_nm / nm * BeadsRngGaussian(&rng);
        }
        s.bead_x[b][t] = bases[b].first + wx;
        s.bead_y[b][t] = bases[b].second + wy;
      }
    }
  }
  for (int t = 0; t < o.frames; ++t) {
    for (int b = 0; b < beads; ++b) {
      LinkingEvent e{};
      e.frame = t;
      e.x = s.bead_x[b][t] + o.noise_nm / nm * BeadsRngGaussian(&rng);
      e.y = s.bead_y[b][t] + o.noise_nm / nm * BeadsRngGaussian(&rng);
      e.photons = 3000;
      e.x_precision = static_cast<float>(o.noise_nm / nm);
      e.y_precision = static_cast<float>(o.noise_nm / nm);
      e.background = 20;
      e.psf_sigma = 1.3f;
      e.quality = 1;
      s.events.push_back(e);
      s.bead_of.push_back(b);
    }
  }
  return s;
}

std::vector<float> RenderFrame(const Scene& scene, int t, double photons, double background,
                               double sigma, const std::vector<int>& hidden, uint64_t seed) {
  const int nx = scene.options.nx, ny = scene.options.ny;
  std::vector<double> expected(static_cast<size_t>(nx) * ny, background);
  std::vector<BeadsEmitter> emitters;
  for (int b = 0; b < scene.beads(); ++b)
    if (std::find(hidden.begin(), hidden.end(), b) == hidden.end())
      emitters.push_back({scene.bead_x[b][t], scene.bead_y[b][t], photons});
  BeadsRenderEmitters(expected.data(), nx, ny, emitters.data(), static_cast<int>(emitters.size()),
                      sigma);
  BeadsRng rng;
  BeadsRngSeed(&rng, seed, static_cast<uint64_t>(t) + 1);
  std::vector<float> frame(expected.size());
  for (size_t p = 0; p < expected.size(); ++p)
    frame[p] = static_cast<float>(BeadsRngPoisson(&rng, expected[p]));
  return frame;
}

Verdict Judge(const Scene& scene, const LinkingSession* session) {
  Verdict v;
  const LinkingEvent* ev = LinkingEvents(session);
  const int frames = scene.options.frames;
  const int known = static_cast<int>(scene.events.size());
  // Per track: its events' beads in frame order (truth known ones only).
  std::map<int, std::vector<std::pair<int, int>>> members;  // track -> (frame, bead)
  std::vector<std::set<int>> tracks(scene.beads());
  for (int e = 0; e < known; ++e) {
    tracks[scene.bead_of[e]].insert(ev[e].track);
    if (ev[e].track > 0) members[ev[e].track].emplace_back(ev[e].frame, scene.bead_of[e]);
  }
  for (auto& [track, list] : members) {
    std::sort(list.begin(), list.end());
    for (size_t k = 1; k < list.size(); ++k) {
      ++v.links;
      v.wrong_links += list[k].second != list[k - 1].second;
    }
  }
  // Count every event of a track (refined ones included) for wholeness.
  std::map<int, std::set<int>> frames_of_track;
  for (long e = 0; e < LinkingEventCount(session); ++e)
    if (ev[e].track > 0) frames_of_track[ev[e].track].insert(ev[e].frame);
  v.tracks_of_bead.resize(scene.beads());
  for (int b = 0; b < scene.beads(); ++b) {
    v.tracks_of_bead[b].assign(tracks[b].begin(), tracks[b].end());
    if (tracks[b].size() == 1 && *tracks[b].begin() > 0 &&
        static_cast<int>(frames_of_track[*tracks[b].begin()].size()) == frames)
      ++v.whole_beads;
  }
  return v;
}

LinkingSession* LoadScene(const Scene& scene) {
  LinkingSession* s = nullptr;
  if (LinkingSessionCreate(&s) != LINKING_OK) return nullptr;
  char message[256];
  if (LinkingSetLocalizations(s, &scene.series, "", scene.events.data(),
                              static_cast<long>(scene.events.size()), message,
                              sizeof message) != LINKING_OK) {
    LinkingSessionDestroy(s);
    return nullptr;
  }
  return s;
}

}  // namespace linking_test
