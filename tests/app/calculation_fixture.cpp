// calculation_fixture.cpp - see calculation_fixture.h.
#include "calculation_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "analysis.h"
#include "calculation.h"
#include "config_testing.h"
#include "imlib.h"
#include "log_file_testing.h"
#include "wmlib.h"

namespace tremoscan::testing {

namespace {

void RecordStatus(void* data, const char* text) {
  static_cast<std::vector<std::string>*>(data)->push_back(text);
}

int RecordMessage(int kind, const char* text, void* data) {
  static_cast<std::vector<std::pair<int, std::string>>*>(data)->emplace_back(kind, text);
  return 1;
}

}  // namespace

void CalculationFixture::SetUp() {
  iwbase::ResetConfigStateForTesting();
  wm::ResetLogLocationForTesting();
  AnalysisClearResults();
  numericalAperture = 1.0f;
  photonConversionFactor = 1.0;
  mkdir(suite_.file("bin").c_str(), 0755);
  mkdir(suite_.file("bin/x86_64").c_str(), 0755);
  mkdir(suite_.file("config").c_str(), 0755);
  // The real lens tables, so lens ids resolve as in the shipped suite.
  for (const char* table : {"tslenses.tab", "tslenses_custom.tab"})
    WriteFile(suite_.file(std::string("config/") + table),
              ReadFile(SourceDir() + "/config/" + table));
  app_.statusListener = RecordStatus;
  app_.statusListenerData = &statuses_;
  WMSetMessageHandler(RecordMessage, &messages_);
  unlink(kLocalizationFile);
  unlink(kTrackFile);
}

void CalculationFixture::TearDown() {
  WMSetMessageHandler(nullptr, nullptr);
  unlink(kLocalizationFile);
  unlink(kTrackFile);
  AnalysisClearResults();
  iwbase::ResetConfigStateForTesting();
}

void CalculationFixture::InstallProgram(const std::string& name, const std::string& body) {
  std::string path = suite_.file("bin/x86_64/" + name);
  std::string args = suite_.file(name + ".args");
  WriteFile(path, "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > " + args + "\n" + body + "\n");
  chmod(path.c_str(), 0755);
}

std::vector<std::string> CalculationFixture::RecordedArguments(const std::string& name) const {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(suite_.file(name + ".args")));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void CalculationFixture::WriteImage(const std::string& path, int nz, int nw, int nt,
                                    double photon_factor, int lens) {
  int stream = 0;
  ASSERT_EQ(IMOpen2(&stream, path.c_str(), "new"), 0);
  ASSERT_EQ(IMCrHdr3(stream, 8, 8, nz, nw, nt, 1, IM_ZWTP, 6), 0);
  ASSERT_EQ(IMAlLensID(stream, lens), 0);
  if (photon_factor > 0) {
    for (int z = 0; z < nz; ++z)
      for (int w = 0; w < nw; ++w)
        for (int t = 0; t < nt; ++t)
          ASSERT_EQ(IMAlExHdrValueZWTP(stream, z, w, t, 0, 13, photon_factor), 0);
  }
  ASSERT_EQ(IMWrHdr2(stream, 1), 0);
  std::vector<float> pixels(64, 100.0f);
  for (int s = 0; s < nz * nw * nt; ++s) ASSERT_EQ(IMWrSec(stream, pixels.data()), 0);
  ASSERT_EQ(IMWrHdr2(stream, 1), 0);
  IMClose(stream);
}

std::string CalculationFixture::TrackFile(int tracks, int frames, double step_nm) {
  std::ostringstream out;
  out << "# N_PIXELS_X 8\n# N_PIXELS_Y 8\n# REGION_X_START 0\n# REGION_X_END 7\n"
      << "# REGION_Y_START 0\n# REGION_Y_END 7\n# REGION_T_START 0\n# REGION_T_END "
      << frames - 1 << "\n# REGION_T_INCREMENT 1\n# PIXEL_SIZE_X 0.1\n# PIXEL_SIZE_Y 0.1\n"
      << "# N_EVENTS " << tracks * frames << "\n# N_TRACKS " << tracks << "\n##\n";
  char line[200];
  for (int t = 0; t < tracks; ++t) {
    for (int f = 0; f < frames; ++f) {
      double shift_px = step_nm * (f % 2) / 100.0;  // pixel = 100 nm
      snprintf(line, sizeof line, "%d 3000.0 %.4f 0.0100 %.4f 0.0100 20.0 1.30 %d 1.000\n", f,
               2.0 + t + shift_px, 3.0 + t + shift_px, t + 1);
      out << line;
    }
  }
  return out.str();
}

std::string CalculationFixture::LocalizationFile() {
  return "# N_PIXELS_X 8\n# N_PIXELS_Y 8\n# REGION_T_START 0\n# REGION_T_END 4\n##\n"
         "0 3000.0 2.0000 0.0100 3.0000 0.0100 20.0 1.30 1.000\n";
}

}  // namespace tremoscan::testing
