// A test fixture with the toolkit started against a fresh fake runtime, files under a scratch
// directory, the test clock in control and reports captured.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/fake_runtime.h"
#include "support/spew_capture.h"
#include "support/temp_dir.h"

class ToolkitTest : public testing::Test {
 protected:
  ToolkitTest();
  ~ToolkitTest() override;

  kguitest::FakeRuntime &Runtime() { return *m_pRuntime; }
  // Writes a file under the runtime's file root.
  void WriteFile(const std::string &relativePath, const std::string &content);
  // Moves the test clock and runs one host frame.
  void Advance(double seconds);

  TempDir m_Dir;
  SpewCapture m_Spew;

 private:
  std::unique_ptr<kguitest::FakeRuntime> m_pRuntime;
};
