// calculation_fixture.h - a suite directory of its own for calculation
// tests: small shell programs stand in for the two analysis programs so
// that every outcome a real program can have is provoked for real, and
// images of any shape are written through the image library.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "test_support.h"
#include "vibration_app.h"

namespace tremoscan::testing {

class CalculationFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Installs a stand-in for bin/x86_64/<name> whose body is a /bin/sh
  // script; "$@" are the arguments the stage passes. The script also records
  // its arguments, one per line, in <name>.args of the suite directory.
  void InstallProgram(const std::string& name, const std::string& body);
  // The recorded arguments of the last run of <name> (empty when it never ran).
  std::vector<std::string> RecordedArguments(const std::string& name) const;

  // Writes an 8x8 image of 2-byte pixels with the given sizes. A positive
  // `photon_factor` is stored as extended-header value 13 of every section.
  void WriteImage(const std::string& path, int nz, int nw, int nt, double photon_factor = 0,
                  int lens = 0);

  // A track file of `tracks` complete tracks over `frames` frames, each
  // moving by `step_nm` per frame (pixel size 0.1 um).
  static std::string TrackFile(int tracks, int frames, double step_nm);
  // A localization file the stand-in localizer can copy to its output.
  static std::string LocalizationFile();

  std::vector<std::string> statuses_;                    // every SetStatus text
  std::vector<std::pair<int, std::string>> messages_;    // dialog kind and text
  VibrationApp app_;
  ScopedTempDir suite_;
  ScopedTempDir work_;
  ScopedTempDir home_;

 private:
  ScopedEnv base_env_{"PA_BASE", suite_.path().c_str()};
  ScopedEnv home_env_{"HOME", home_.path().c_str()};
};

}  // namespace tremoscan::testing
