// Shared fixtures of the host suites: a runtime on the test clock over scratch folders, a probe
// panel that records what the host tells it, and helpers for pictures and child processes.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/kgui_runtime.h"
#include "kgui/IClientPanel.h"
#include "support/spew_capture.h"
#include "support/temp_dir.h"
#include "tier1/KeyValues.h"

namespace kguihost {

// A panel that fills itself with a colour and logs every call the host makes.
class CProbePanel final : public kgui::IClientPanel {
 public:
  CProbePanel(CKGuiRuntime &runtime, const char *name, Color fill = Color());
  ~CProbePanel();
  CProbePanel(const CProbePanel &) = delete;
  CProbePanel &operator=(const CProbePanel &) = delete;

  kgui::VPANEL id = kgui::NULL_PANEL;
  Color fill;
  std::string text;  // reported as "text" in dumps
  // Message names in arrival order; "CursorMoved" is logged as "CursorMoved x,y" and messages with
  // "code" as "Name code", "Step" as "Step <name>".
  std::vector<std::string> log;
  int thinks = 0;
  int layouts = 0;
  int paints = 0;
  int deletes = 0;
  bool freed = false;
  std::function<void(KeyValues *)> onMessage;
  std::function<void()> onPaint;

  // Names in the log that start with `prefix`.
  std::vector<std::string> Logged(const std::string &prefix) const;

  kgui::VPANEL GetVPanel() override { return id; }
  void Think() override { ++thinks; }
  void PerformLayout() override { ++layouts; }
  void Paint() override;
  void PostChildPaint() override {}
  void OnMessage(KeyValues *message, kgui::VPANEL from) override;
  // Releases the id; the test keeps the object.
  void DeletePanel() override;
  const char *GetClassName() override { return "Probe"; }
  void Describe(KeyValues *panelBlock) override;
  bool RequestInfo(KeyValues *outputData) override;

 private:
  CKGuiRuntime &m_Runtime;
};

class HostTest : public ::testing::Test {
 protected:
  HostTest();
  ~HostTest() override;

  CKGuiRuntime &Runtime() { return *m_pRuntime; }
  // A probe under `parent` (the desktop when 0) at x,y with the size given.
  std::unique_ptr<CProbePanel> MakePanel(const char *name, kgui::VPANEL parent, int x, int y, int wide, int tall,
                                         Color fill = Color());
  // A popup probe on the desktop.
  std::unique_ptr<CProbePanel> MakePopup(const char *name, int x, int y, int wide, int tall, Color fill = Color());
  // Runs frames, moving the test clock on by `secondsPerFrame` before each.
  void RunFrames(int count, double secondsPerFrame = 1.0 / 60.0);
  // The colour of a painted pixel (opaque pixels read exactly).
  Color Pixel(int x, int y);
  // The colour the desktop paints.
  Color DesktopColor();
  std::string GameDir() const { return m_Dir.Path() + "/game"; }
  std::string UserDir() const { return m_Dir.Path() + "/user"; }
  // Builds a new runtime over the same folders (the old one shuts down first).
  void RestartRuntime(const std::string &language = "english");

  TempDir m_Dir;
  SpewCapture m_Spew;
  std::unique_ptr<CKGuiRuntime> m_pRuntime;
};

// Writes a PNG of one colour.
void WriteSolidPng(const std::string &path, int wide, int tall, Color color);
// Writes a short silent WAV file (16-bit mono PCM).
void WriteWav(const std::string &path);
// Copies the shipped scheme into `gameDir`/resource/scheme.res.
void InstallShippedScheme(const std::string &gameDir);
// Runs a program with arguments and extra environment entries ("NAME=value"), its output (stdout
// and stderr) collected; returns its exit status, or -1 when it did not exit normally.
int RunProgram(const std::vector<std::string> &argv, std::string &output,
               const std::vector<std::string> &environment = {});
// A binary of the build ($SB_BIN_DIR).
std::string BinPath(const std::string &name);

// A private folder (mode 0700) for games' sockets, as $XDG_RUNTIME_DIR would be; under /tmp, so
// socket paths stay short whatever the build folder is called. Removed with the object.
class CRuntimeDir {
 public:
  CRuntimeDir();
  ~CRuntimeDir();
  CRuntimeDir(const CRuntimeDir &) = delete;
  CRuntimeDir &operator=(const CRuntimeDir &) = delete;
  const std::string &Path() const { return m_Path; }

 private:
  std::string m_Path;
};

}  // namespace kguihost
