// ORBILocalization: finds the beads of every frame of an image time series,
// fits each by maximum likelihood and writes the localizations with their
// Cramer-Rao precision (method in docs/localization.md, file format in
// docs/localization-file.md).
//
// Flow: arguments -> open the image -> check the frame size against the
// fit region -> estimate the camera offset from up to 8 frames -> measure
// the series' PSF width on the same frames -> open the output -> pipeline
// over all frames at that width -> rename the output into place.
// Every failure ends with an exit status of exit_status.h and one line
// "ORBILocalization: <reason>" on standard error; a partial output file is
// never left behind.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "arguments.h"
#include "beads.h"
#include "exit_status.h"
#include "frame_buffer.h"
#include "image_source.h"
#include "localization_writer.h"
#include "pipeline.h"
#include "psf_width.h"
#include "sample_frames.h"
#include "status_file.h"
#include "stop_signals.h"

namespace {

// Offset in photons left after conversion: median of the estimates from up
// to 8 frames spread over the series.
int EstimateOffset(orbi::ImageSource* source, double* offset, std::string* reason) {
  const orbi::FrameBuffer pixels =
      orbi::AllocateFrame(static_cast<size_t>(source->nx()) * source->ny());
  std::vector<double> estimates;
  for (int t : orbi::SampleFrames(source->frames())) {
    const int rc = source->ReadFrame(t, pixels.get(), reason);
    if (rc != orbi::kSuccess) return rc;
    double estimate = 0;
    if (BeadsEstimateOffset(pixels.get(), source->nx(), source->ny(), &estimate) == BEADS_OK)
      estimates.push_back(estimate);
  }
  *offset = 0;
  if (!estimates.empty()) {
    std::nth_element(estimates.begin(), estimates.begin() + estimates.size() / 2,
                     estimates.end());
    *offset = estimates[estimates.size() / 2];
  }
  return orbi::kSuccess;
}

int Run(int argc, char** argv, const volatile std::sig_atomic_t* stop, std::string* reason) {
  orbi::Arguments args;
  *reason = orbi::ParseArguments(argc, argv, &args);
  if (!reason->empty()) return orbi::kInvalidArgument;
  orbi::StatusFile status(args.status_file);
  status.Write(0, "Opening " + args.input);

  orbi::ImageSource source;
  int rc = source.Open(args.input, reason);
  if (rc != orbi::kSuccess) return rc;
  const int roi = BeadsRoiSize(static_cast<float>(args.psf_sigma));
  if (source.nx() < roi || source.ny() < roi) {
    *reason = "the image (" + std::to_string(source.nx()) + " x " + std::to_string(source.ny()) +
              " pixels) is smaller than one fit region (" + std::to_string(roi) + " x " +
              std::to_string(roi) + ")";
    return orbi::kImageTooSmall;
  }

  source.SetConversion(args.photon_conversion, 0);
  double offset = 0;
  rc = EstimateOffset(&source, &offset, reason);
  if (rc != orbi::kSuccess) return rc;
  source.SetConversion(args.photon_conversion, offset);

  // The optics bound the PSF from below: no bead image is sharper than the
  // diffraction limit of the objective at the image's wavelength.
  const double optical_sigma = BeadsPsfSigmaFromOptics(
      source.wavelength(), args.numerical_aperture, 0.5 * (source.pixel_size_x() + source.pixel_size_y()));
  BeadsLocalizerOptions options;
  BeadsLocalizerOptionsDefault(&options, static_cast<float>(args.psf_sigma));
  options.alpha = args.alpha;
  options.overlap_threshold = static_cast<float>(args.overlap);
  options.multi_emitter = args.multi_emitter ? 1 : 0;
  if (optical_sigma > 0 && optical_sigma < 3 * args.psf_sigma)
    options.sigma_min = static_cast<float>(0.7 * optical_sigma);

  // One PSF for the whole series, measured from the sample frames.
  status.Write(0, "Measuring the PSF width");
  orbi::PsfWidth width;
  rc = orbi::MeasurePsfWidth(&source, options, &width, reason);
  if (rc != orbi::kSuccess) return rc;
  const BeadsLocalizerOptions run_options =
      orbi::RunOptions(options, width, source.nx(), source.ny());
  if (run_options.fit_sigma)
    std::printf("ORBILocalization: PSF sigma not measurable (%d beads), fitted per bead\n",
                width.beads);
  else
    std::printf("ORBILocalization: PSF sigma %.4f +- %.4f pixels from %d beads\n", width.sigma,
                width.standard_error, width.beads);

  orbi::LocalizationHeader header{args.input,
                                  source.nx(),
                                  source.ny(),
                                  source.frames(),
                                  source.pixel_size_x(),
                                  source.pixel_size_y(),
                                  args.psf_sigma,
                                  optical_sigma,
                                  args.photon_conversion,
                                  offset,
                                  args.numerical_aperture,
                                  args.alpha,
                                  args.overlap};
  orbi::LocalizationWriter writer;
  rc = writer.Open(args.output, header, reason);
  if (rc != orbi::kSuccess) return rc;
  // Background alone passes the detection test at alpha per pixel, so
  // false detections are expected in every frame. For judging whether the
  // series holds beads at all, only detections significant at alpha per
  // whole frame count.
  writer.SetStrongScore(BeadsNormalUpperQuantile(
      args.alpha / (static_cast<double>(source.nx()) * source.ny())));

  const orbi::PipelineConfig config{args.threads, run_options};
  rc = orbi::RunPipeline(&source, &writer, &status, config, stop, reason);
  if (rc == orbi::kCanceled) status.Write(0, "Localization canceled");
  if (rc != orbi::kSuccess) return rc;  // the writer removes its file

  const long events = writer.events();
  if (writer.strong_events() < source.frames()) {
    *reason = "too few events: " + std::to_string(writer.strong_events()) +
              " significant localizations in " + std::to_string(source.frames()) + " frames";
    if (args.keep_few) {
      std::string write_reason;
      if (writer.Finish(&write_reason) != orbi::kSuccess) {
        *reason = write_reason;
        return orbi::kCannotOpenOutput;
      }
    }
    status.Write(100, "Too few events detected");
    return orbi::kTooFewEvents;
  }
  rc = writer.Finish(reason);
  if (rc != orbi::kSuccess) return rc;
  status.Write(100, "Localization finished: " + std::to_string(events) + " events");
  std::printf("ORBILocalization: %ld events in %d frames\n", events, source.frames());
  return orbi::kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
  const volatile std::sig_atomic_t* stop = programs::InstallStopSignals();
  std::string reason;
  int status = orbi::kInternalError;
  try {
    status = Run(argc, argv, stop, &reason);
  } catch (const std::bad_alloc&) {
    status = orbi::kNoMemory;
    reason = "out of memory";
  } catch (const std::exception& e) {
    status = orbi::kInternalError;
    reason = std::string("unexpected internal error: ") + e.what();
  }
  if (status != orbi::kSuccess) {
    if (reason.empty()) reason = "failed";
    std::fprintf(stderr, "ORBILocalization: %s\n", reason.c_str());
  }
  return status;
}
