// Fixture for the configuration tests: a private HOME and suite base
// directory per test, and a fresh library state before and after each case,
// so cases neither read the developer's files nor see each other's settings.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "config_testing.h"
#include "iwbase.h"
#include "test_support.h"

namespace iwbase_test {

using tremoscan::testing::ReadFile;
using tremoscan::testing::ScopedEnv;
using tremoscan::testing::ScopedTempDir;
using tremoscan::testing::WriteFile;

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { iwbase::ResetConfigStateForTesting(); }
  void TearDown() override { iwbase::ResetConfigStateForTesting(); }

  // Replaces the suite's system file under the private base directory.
  void WriteSystemFile(const std::string& text) {
    std::filesystem::create_directories(base_.path() + "/config");
    WriteFile(SystemFile(), text);
  }
  std::string SystemFile() const { return base_.path() + "/config/system.parc"; }

  // Replaces the user's file in the private HOME (building the directory).
  void WriteUserFile(const std::string& text) {
    const char* file = IWRtUserConfigFile();
    ASSERT_NE(file, nullptr);
    WriteFile(file, text);
  }
  std::string UserFile() {
    const char* file = IWRtUserConfigFile();
    return file ? file : "";
  }

  // Forgets the cache and the save list, keeping the files.
  void ForgetProcessState() { iwbase::ResetConfigStateForTesting(); }

  ScopedTempDir home_;
  ScopedTempDir base_;
  ScopedEnv home_env_{"HOME", home_.path().c_str()};
  ScopedEnv base_env_{"PA_BASE", base_.path().c_str()};
};

// IWRtVar as a std::string, "<unset>" for null, so failures print clearly.
inline std::string Var(const char* name) {
  const char* value = IWRtVar(name);
  return value ? value : "<unset>";
}

}  // namespace iwbase_test
