// Shared test main: every suite runs in a scratch directory of its own.
#include <gtest/gtest.h>

#include <clocale>

#include "support/temp_dir.h"

int main(int argc, char **argv) {
  setlocale(LC_CTYPE, "");
  testing::InitGoogleTest(&argc, argv);
  TempDir::PrepareSuiteRoot();
  return RUN_ALL_TESTS();
}
