// Detection: the significance test holds its false-alarm rate on pure
// background, bright beads are all found, and the offset estimate recovers
// the camera offset left in photon-converted data.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "beads.h"
#include "simulate.h"

namespace {

using beads_test::PoissonFrame;

struct AlarmCase {
  double background;
  double alpha;
};

TEST(Detection, FalseAlarmRateOnPureBackgroundMatchesAlpha) {
  const AlarmCase cases[] = {{5, 0.01}, {20, 0.001}, {100, 0.001}, {5, 0.001}};
  const int nx = 128, ny = 128, frames = 40;
  for (const AlarmCase& c : cases) {
    BeadsDetectOptions options{1.3f, c.alpha, 0};
    BeadsDetector* detector = nullptr;
    ASSERT_EQ(BeadsDetectorCreate(nx, ny, &options, &detector), BEADS_OK);
    BeadsRng rng;
    BeadsRngSeed(&rng, 77, static_cast<uint64_t>(c.background));
    long exceed = 0, detections = 0;
    for (int f = 0; f < frames; ++f) {
      const std::vector<float> frame = PoissonFrame(nx, ny, {}, c.background, 1.3, &rng);
      const BeadsCandidate* cand;
      int n;
      ASSERT_EQ(BeadsDetect(detector, frame.data(), &cand, &n), BEADS_OK);
      exceed += BeadsDetectorExceedances(detector);
      detections += n;
    }
    BeadsDetectorDestroy(detector);
    const double pixels = static_cast<double>(nx) * ny * frames;
    // Neighbouring filter values are correlated, so the count scatters more
    // than a binomial one; a factor band of 1.6 still catches a test that
    // is off by a unit of z.
    const double rate = exceed / pixels;
    EXPECT_GT(rate, c.alpha / 1.6) << c.background << " " << c.alpha;
    EXPECT_LT(rate, c.alpha * 1.6) << c.background << " " << c.alpha;
    EXPECT_LE(detections, exceed);
  }
}

TEST(Detection, FindsEveryBrightBeadAtItsPixel) {
  const int nx = 96, ny = 80;
  std::vector<BeadsEmitter> beads;
  for (int k = 0; k < 20; ++k)
    beads.push_back({8.3 + (k % 5) * 18.0, 7.6 + (k / 5) * 18.0, 1500.0});
  beads.push_back({0.2, 40.0, 3000.0});  // on the left edge
  BeadsRng rng;
  BeadsRngSeed(&rng, 11, 0);
  const std::vector<float> frame = PoissonFrame(nx, ny, beads, 20, 1.3, &rng);
  BeadsDetectOptions options{1.3f, 0.001, 0};
  BeadsDetector* detector = nullptr;
  ASSERT_EQ(BeadsDetectorCreate(nx, ny, &options, &detector), BEADS_OK);
  const BeadsCandidate* cand;
  int n;
  ASSERT_EQ(BeadsDetect(detector, frame.data(), &cand, &n), BEADS_OK);
  for (const BeadsEmitter& b : beads) {
    bool found = false;
    for (int k = 0; k < n; ++k)
      if (std::abs(cand[k].x - b.x) <= 1.0 && std::abs(cand[k].y - b.y) <= 1.0) {
        found = true;
        EXPECT_NEAR(cand[k].photons / b.photons, 1.0, 0.35);
        EXPECT_NEAR(cand[k].background, 20.0, 2.0);
      }
    EXPECT_TRUE(found) << b.x << "," << b.y;
  }
  EXPECT_LE(n, static_cast<int>(beads.size()) + 3);
  BeadsDetectorDestroy(detector);
}

TEST(Detection, NormalQuantileInvertsTheTail) {
  const double cases[][2] = {{0.5, 0.0}, {0.001, 3.090232306}, {0.05, 1.644853627},
                             {1e-6, 4.753424309}, {0.975, -1.959963985}};
  for (const auto& c : cases) EXPECT_NEAR(BeadsNormalUpperQuantile(c[0]), c[1], 1e-8) << c[0];
  EXPECT_TRUE(std::isnan(BeadsNormalUpperQuantile(0)));
  EXPECT_TRUE(std::isnan(BeadsNormalUpperQuantile(1)));
}

TEST(Detection, OffsetEstimateRecoversWhatIsNotPoisson) {
  // Photon-converted camera data: Poisson background plus a constant offset
  // plus Gaussian read noise; the estimate is offset - read variance.
  struct Case {
    double background, offset, read_sd;
  } cases[] = {{5, 100, 0}, {50, 40, 2}, {200, 0, 0}, {10, 300, 1.5}};
  for (const Case& c : cases) {
    BeadsRng rng;
    BeadsRngSeed(&rng, 8, static_cast<uint64_t>(c.offset));
    const int nx = 256, ny = 256;
    std::vector<float> frame =
        PoissonFrame(nx, ny, {{60, 60, 5000}, {180, 100, 8000}}, c.background, 1.3, &rng);
    for (float& v : frame) v += static_cast<float>(c.offset + c.read_sd * BeadsRngGaussian(&rng));
    double offset = 0;
    ASSERT_EQ(BeadsEstimateOffset(frame.data(), nx, ny, &offset), BEADS_OK);
    const double expected = c.offset - c.read_sd * c.read_sd;
    EXPECT_NEAR(offset, expected, 0.05 * c.background + 0.3) << c.background << " " << c.offset;
  }
}

}  // namespace
