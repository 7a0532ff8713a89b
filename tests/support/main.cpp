// Test entry point for binaries that need no X server.
#include <gtest/gtest.h>

#include "test_support.h"

int main(int argc, char** argv) {
  tremoscan::testing::SetTestEnvironment();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
