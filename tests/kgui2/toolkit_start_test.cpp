// The toolkit's start and stop against the host runtime.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "kgui_controls/Label.h"
#include "kgui_controls/Tooltip.h"
#include "kgui_controls/controls.h"
#include "support/fake_runtime.h"
#include "support/spew_capture.h"
#include "support/temp_dir.h"
#include "tier0/memalloc.h"

namespace {

TEST(ToolkitStart, FindsEveryInterfaceAndHandsTheProviderOn) {
  kguitest::FakeRuntime runtime;
  ASSERT_TRUE(runtime.Start());
  EXPECT_TRUE(kgui::KGui_IsStarted());
  EXPECT_EQ(kgui::ikgui(), static_cast<kgui::IKGui *>(&runtime));
  EXPECT_EQ(runtime.m_pProvider, static_cast<InterfaceProvider *>(&runtime));
  EXPECT_NE(kgui::ipanel(), nullptr);
  EXPECT_NE(kgui::surface(), nullptr);
  EXPECT_NE(kgui::scheme(), nullptr);
  EXPECT_NE(kgui::system(), nullptr);
  EXPECT_NE(kgui::input(), nullptr);
  EXPECT_NE(kgui::localize(), nullptr);
  EXPECT_EQ(kgui::filesystem(), static_cast<IFileSystem *>(&runtime));
  EXPECT_EQ(kgui::notifications(), nullptr);  // optional: the fake has none
  EXPECT_STREQ(kgui::GetControlsModuleName(), "fake");
}

TEST(ToolkitStart, FailsWithoutARequiredInterface) {
  const char *required[] = {KGUI_INTERFACE_VERSION,          KGUI_PANEL_INTERFACE_VERSION,
                            KGUI_SURFACE_INTERFACE_VERSION,  KGUI_SCHEME_INTERFACE_VERSION,
                            KGUI_SYSTEM_INTERFACE_VERSION,   KGUI_INPUT_INTERFACE_VERSION,
                            KGUI_LOCALIZE_INTERFACE_VERSION, FILESYSTEM_INTERFACE_VERSION};
  for (const char *name : required) {
    kguitest::FakeRuntime runtime;
    runtime.m_MissingInterfaces.insert(name);
    EXPECT_FALSE(runtime.Start()) << name;
    EXPECT_FALSE(kgui::KGui_IsStarted());
  }
  EXPECT_FALSE(kgui::KGui_InitInterfacesList("module", nullptr));
}

TEST(ToolkitStart, MissingFileServiceIsReportedWhenAsked) {
  SpewCapture spew;
  kguitest::FakeRuntime runtime;
  runtime.m_MissingInterfaces.insert(FILESYSTEM_INTERFACE_VERSION);
  runtime.Start();
  EXPECT_EQ(kgui::filesystem(), nullptr);
  ASSERT_EQ(spew.Asserts().size(), 1u);
  EXPECT_EQ(spew.Asserts()[0], "Assertion Failed: s_pFileSystemInterface");
}

TEST(ToolkitStart, KeepsAtMost255CharactersOfTheModuleName) {
  kguitest::FakeRuntime runtime;
  const std::string longName(400, 'm');
  kgui::KGui_InitInterfacesList(longName.c_str(), &runtime);
  EXPECT_EQ(strlen(kgui::GetControlsModuleName()), 255u);
  kgui::KGui_ShutdownInterfaces();
}

TEST(ToolkitStart, NumbersKeepTheDecimalPoint) {
  kguitest::FakeRuntime runtime;
  runtime.Start();
  char text[32];
  snprintf(text, sizeof(text), "%.1f", 2.5);
  EXPECT_STREQ(text, "2.5");
  EXPECT_STREQ(setlocale(LC_NUMERIC, nullptr), "C");
}

TEST(ToolkitStart, StopsTheProcessWithoutTheSharedAllocator) {
  EXPECT_DEATH(
      {
        IMemAllocPlexa *saved = g_pMemAllocPlexa;
        g_pMemAllocPlexa = nullptr;
        kguitest::FakeRuntime runtime;
        runtime.Start();
        g_pMemAllocPlexa = saved;
      },
      "");
}

TEST(ToolkitStart, StopClosesTheSharedTooltipAndForgetsTheRuntime) {
  kguitest::FakeRuntime runtime;
  runtime.Start();
  {
    kgui::Label label(nullptr, "label", "x");
    label.SetParent(runtime.Desktop());
    label.GetTooltip()->SetText("tip");
    label.GetTooltip()->SetTooltipDelay(0);
    label.GetTooltip()->ShowTooltip(&label);
    label.GetTooltip()->Tick();
    ASSERT_NE(kgui::Tooltip::GetSharedPanel(), nullptr);
  }
  kgui::KGui_ShutdownInterfaces();
  EXPECT_FALSE(kgui::KGui_IsStarted());
  EXPECT_EQ(kgui::ikgui(), nullptr);
  EXPECT_EQ(kgui::Tooltip::GetSharedPanel(), nullptr);
}

}  // namespace
