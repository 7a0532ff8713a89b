// batch_report.cpp - the stage motion summary and JSON report of
// tremoscan-batch (see batch_report.h). Lengths are nanometres, times
// seconds, frequencies hertz; numbers that do not exist (a ratio without
// precisions) are null.
#include "batch_report.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>
#include <vector>

namespace {

using nlohmann::json;

const char* StatusName(int status) {
  switch (status) {
    case BEAD_KEPT:
      return "kept";
    case BEAD_OUTLIER:
      return "outlier";
    default:
      return "incomplete";
  }
}

json Array(const double* values, int count) {
  return json(std::vector<double>(values, values + std::max(0, count)));
}

json AxisJson(const StageAxisReport& a, double vibration_nm) {
  json peaks = json::array();
  for (int i = 0; i < a.peakCount; ++i) {
    json p = {{"frequency_hz", a.peaks[i].frequencyHz}, {"amplitude_nm", a.peaks[i].amplitudeNm}};
    if (a.peaks[i].aliasOfHz > 0) p["alias_of_hz"] = a.peaks[i].aliasOfHz;
    peaks.push_back(p);
  }
  return {
      {"vibration_nm", vibration_nm},
      {"stage_vibration_nm", a.belowNoiseFloor ? json(nullptr) : json(a.stageVibrationNm)},
      {"stage_vibration_ci_nm", {a.stageVibrationLowNm, a.stageVibrationHighNm}},
      {"below_noise_floor", a.belowNoiseFloor != 0},
      {"noise_floor_nm", a.noiseFloorNm},
      {"precision_noise_nm", a.precisionNoiseNm},
      {"scatter_ratio", a.scatterRatio},
      {"detrended_vibration_nm", a.detrendedVibrationNm},
      {"drift_nm_per_s", a.driftNmPerS},
      {"drift_total_nm", a.driftTotalNm},
      {"spectrum_floor_nm", a.spectrumFloorNm},
      {"spectrum_floor_nm_per_rthz", a.spectrumFloorNmPerRtHz},
      {"peaks", peaks},
  };
}

void PrintAxis(std::FILE* out, char axis, const StageAxisReport& a) {
  if (a.belowNoiseFloor)
    std::fprintf(out, "%c stage vibration: below the noise floor (at most %.2f nm)\n", axis,
                 a.stageVibrationHighNm);
  else
    std::fprintf(out, "%c stage vibration: %.2f nm (95 %% interval %.2f to %.2f nm)\n", axis,
                 a.stageVibrationNm, a.stageVibrationLowNm, a.stageVibrationHighNm);
  std::fprintf(out, "%c drift: %.3f nm/s (%.2f nm over the series); without it %.2f nm\n", axis,
               a.driftNmPerS, a.driftTotalNm, a.detrendedVibrationNm);
  std::fprintf(out, "%c peaks:", axis);
  if (a.peakCount == 0) std::fprintf(out, " none");
  for (int i = 0; i < a.peakCount && i < 3; ++i)
    std::fprintf(out, "%s %.3f Hz %.2f nm", i ? "," : "", a.peaks[i].frequencyHz, a.peaks[i].amplitudeNm);
  std::fprintf(out, "\n%c noise floor: %.2f nm rms per frame, spectrum %.3f nm per bin\n", axis,
               a.noiseFloorNm, a.spectrumFloorNm);
}

}  // namespace

void PrintStageSummary(std::FILE* out, const StageMotionReport& r) {
  std::fprintf(out, "frame interval: %.6g s\n", r.frameIntervalS);
  PrintAxis(out, 'X', r.x);
  PrintAxis(out, 'Y', r.y);
}

std::string StageJsonText(const BatchContext& c, const StageMotionReport& r) {
  json beads = json::array();
  for (int i = 0; i < r.beadCount; ++i) {
    const BeadRecord& b = r.beads[i];
    beads.push_back({{"track", b.trackNumber},
                     {"status", StatusName(b.status)},
                     {"frames", b.frames},
                     {"x_nm", b.x},
                     {"y_nm", b.y},
                     {"photons", b.photons},
                     {"precision_x_nm", b.precisionX},
                     {"precision_y_nm", b.precisionY},
                     {"x_outlier_frames", b.xOutlierFrames},
                     {"y_outlier_frames", b.yOutlierFrames},
                     {"vibration_x_nm", b.vibrationX},
                     {"vibration_y_nm", b.vibrationY}});
  }
  std::vector<double> frequency(static_cast<size_t>(std::max(0, r.spectrumBins)));
  for (size_t k = 0; k < frequency.size(); ++k) frequency[k] = static_cast<double>(k) * r.binWidthHz;
  std::vector<double> time(static_cast<size_t>(r.frames));
  for (size_t f = 0; f < time.size(); ++f) time[f] = static_cast<double>(f) * r.frameIntervalS;
  json report = {
      {"image", c.image},
      {"frame_interval_s", r.frameIntervalS},
      {"frame_interval_source", c.frame_interval_source},
      {"frames", r.frames},
      {"kept_tracks", r.keptTracks},
      {"alias_warning", r.aliasWarning ? json(r.aliasText) : json(nullptr)},
      {"x", AxisJson(r.x, c.vibration_x_nm)},
      {"y", AxisJson(r.y, c.vibration_y_nm)},
      {"spectrum",
       {{"bin_hz", r.binWidthHz},
        {"frequency_hz", frequency},
        {"x_amplitude_nm", Array(r.amplitudeX, r.spectrumBins)},
        {"y_amplitude_nm", Array(r.amplitudeY, r.spectrumBins)},
        {"x_density_nm_per_rthz", Array(r.densityX, r.spectrumBins)},
        {"y_density_nm_per_rthz", Array(r.densityY, r.spectrumBins)}}},
      {"allan",
       {{"tau_s", Array(r.allanTauS, r.allanPoints)},
        {"x_nm", Array(r.allanX, r.allanPoints)},
        {"y_nm", Array(r.allanY, r.allanPoints)}}},
      {"stage_motion",
       {{"time_s", time}, {"x_nm", Array(r.stageX, r.frames)}, {"y_nm", Array(r.stageY, r.frames)}}},
      {"beads", beads},
  };
  return report.dump(1) + "\n";
}

bool WriteStageJson(const char* path, const BatchContext& context, const StageMotionReport& report) {
  std::string text = StageJsonText(context, report);
  std::string temporary = std::string(path) + ".partial" + std::to_string(getpid());
  std::FILE* f = std::fopen(temporary.c_str(), "w");
  if (!f) {
    std::fprintf(stderr, "error: cannot write %s: %s\n", temporary.c_str(), std::strerror(errno));
    return false;
  }
  bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  int write_errno = errno;
  if (std::fclose(f) != 0 && written) written = false, write_errno = errno;
  if (!written) {
    std::fprintf(stderr, "error: cannot write %s: %s\n", temporary.c_str(), std::strerror(write_errno));
    std::remove(temporary.c_str());
    return false;
  }
  if (std::rename(temporary.c_str(), path) != 0) {
    std::fprintf(stderr, "error: cannot rename %s to %s: %s\n", temporary.c_str(), path, std::strerror(errno));
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}
