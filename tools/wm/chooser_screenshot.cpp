// chooser_screenshot.cpp - not a test: writes the picture of the file
// chooser kept in docs/images. It fills a scratch folder with simulated
// bead series, opens Select File on it, picks one series so that the
// preview shows its first frame, and dumps the chooser's window.
//
//   xvfb-run -a -s "-screen 0 1600x1200x24" chooser_screenshot docs/images/file-chooser.png
#include <Xm/List.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "file_chooser.h"
#include "imlib.h"
#include "test_support.h"
#include "window_picture.h"
#include "wmlib.h"

namespace {

const int kSide = 128;        // frame size in pixels
const int kFrames = 20;       // time points per series
const int kBeads = 14;        // beads per frame
const double kSigma = 1.6;    // bead width in pixels

// A series of frames with beads drifting slowly to the right over a noisy
// background, stored as 2-byte unsigned pixels.
void WriteBeadSeries(const std::string& path, unsigned seed) {
  int stream = 0;
  if (IMOpen2(&stream, path.c_str(), "new") != 0) return;
  IMCrHdr3(stream, kSide, kSide, 1, 1, kFrames, 1, IM_ZWTP, IM_USHORT);
  IMWrHdr2(stream, 1);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> place(8, kSide - 8);
  std::normal_distribution<double> noise(0, 6);
  std::vector<std::pair<double, double>> beads;
  for (int i = 0; i < kBeads; ++i) beads.push_back({place(rng), place(rng)});
  std::vector<float> pixels(kSide * kSide);
  for (int t = 0; t < kFrames; ++t) {
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        double v = 100 + noise(rng);
        for (const auto& [bx, by] : beads) {
          double dx = x - bx - 0.3 * t, dy = y - by;
          v += 900 * std::exp(-(dx * dx + dy * dy) / (2 * kSigma * kSigma));
        }
        pixels[y * kSide + x] = static_cast<float>(v);
      }
    }
    IMWrSec(stream, pixels.data());
  }
  IMWrHdr2(stream, 1);
  IMClose(stream);
}

std::string gOutput;

void DumpChooserTO(XtPointer, XtIntervalId*) {
  wm::FileChooser* fc = wm::OpenChooser();
  if (!fc) return;
  XmUpdateDisplay(fc->shell);
  if (tremoscan::tools::SaveWindowPicture(DisplayString(XtDisplay(fc->shell)), XtWindow(fc->shell),
                                          gOutput) != 0)
    fprintf(stderr, "chooser_screenshot: could not write %s\n", gOutput.c_str());
  wm::CancelChooser(fc);
}

void PickSeriesTO(XtPointer, XtIntervalId*) {
  wm::FileChooser* fc = wm::OpenChooser();
  if (!fc) return;
  XmListSelectPos(fc->list, 4, True);  // the first series after the two folders
  XtAppAddTimeOut(WMRtAppContext(), 300, DumpChooserTO, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s <picture.png>\n", argv[0]);
    return 2;
  }
  gOutput = argv[1];
  tremoscan::testing::ScopedTempDir scratch;
  tremoscan::testing::ScopedEnv home("HOME", scratch.path().c_str());
  std::string folder = scratch.file("Bead series");
  mkdir(folder.c_str(), 0755);
  mkdir((folder + "/calibration").c_str(), 0755);
  mkdir((folder + "/2024-03 objective 60x").c_str(), 0755);
  unsigned seed = 1;
  for (const char* name : {"piezo_off.img", "stage_A_100frames.img", "stage_A_repeat.img",
                           "stage_B_enclosure_closed.img", "stage_B_enclosure_open.img"})
    WriteBeadSeries(folder + "/" + name, seed++);
  tremoscan::testing::WriteFile(folder + "/notes.txt", "bench notes\n");

  if (!WMOpenToolkit()) return 1;
  WMCreateMainForm("Tremoscan");
  WMInfoLabel("", nullptr);
  WMRealizeShell();
  WMDisableChooserDefaults();
  XtAppAddTimeOut(WMRtAppContext(), 500, PickSeriesTO, nullptr);
  char chosen[WM_CHOOSER_PATH_MAX];
  WMSelectFile(chosen, folder.c_str(), "*.img", nullptr);
  return 0;
}
