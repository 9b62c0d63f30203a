#include "support/toolkit_fixture.h"

#include <filesystem>

#include "kgui_controls/controls.h"
#include "tier0/platform.h"

ToolkitTest::ToolkitTest() {
  Plat_SetClockOverride(true, 1000.0);
  kgui::KGui_SetMessageTraceOverride(0);
  m_pRuntime = std::make_unique<kguitest::FakeRuntime>(m_Dir.Path());
  EXPECT_TRUE(m_pRuntime->Start());
}

ToolkitTest::~ToolkitTest() {
  m_pRuntime.reset();
  kgui::KGui_SetMessageTraceOverride(-1);
  Plat_SetClockOverride(false);
}

void ToolkitTest::WriteFile(const std::string &relativePath, const std::string &content) {
  const std::string path = m_Dir.File(relativePath);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  WriteWholeFile(path, content);
}

void ToolkitTest::Advance(double seconds) {
  Plat_AdvanceClock(seconds);
  m_pRuntime->RunFrame();
}
