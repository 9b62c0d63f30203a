// A test fixture for the browser's windows and pages: the toolkit started against the fake host
// runtime, the shipped layout files under the runtime's file root, English texts for the tokens
// the pages read back, and fake client services bound in process.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_services.h"
#include "support/toolkit_fixture.h"

class CBaseGamesPage;
class CServerBrowserDialog;

class BrowserTest : public ToolkitTest {
 protected:
  BrowserTest();
  ~BrowserTest() override;

  // Creates the main window (hidden) the way the module object does; the fixture deletes it.
  CServerBrowserDialog *MakeMainWindow();
  // Deletes the main window now (its settings are saved).
  void DeleteMainWindow();
  // Runs host frames: due messages, ticks, layout; `seconds` of test clock in steps of 1/60 s.
  void RunFrames(double seconds = 0.0);
  // The "name" of every shown row of a page's list, in display order.
  static std::vector<std::string> ShownNames(CBaseGamesPage *page);

  sbtest::FakeServices m_Services;
  CServerBrowserDialog *m_pMainWindow = nullptr;
};
