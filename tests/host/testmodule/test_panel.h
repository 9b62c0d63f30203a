// A panel of the test module, drawn and driven through the host runtime's interfaces alone.
#pragma once

#include <string>
#include <vector>

#include "kgui/IClientPanel.h"
#include "tier1/color.h"

class IGameLauncher;

namespace testmodule {

struct Runtime;

class CTestPanel : public kgui::IClientPanel {
 public:
  CTestPanel(Runtime &runtime, const char *name, const char *className);
  virtual ~CTestPanel();
  CTestPanel(const CTestPanel &) = delete;
  CTestPanel &operator=(const CTestPanel &) = delete;

  // Makes `child` a child of this panel; this panel deletes it.
  void Adopt(CTestPanel *child, int x, int y, int wide, int tall);
  void SetFill(Color color) { m_Fill = color; }
  // Text from a token ("#...") or as written, drawn in the scheme font "Default".
  void SetText(const char *text);
  void SetImage(const char *imageName) { m_Image = imageName; }
  const std::string &Text() const { return m_Text; }
  kgui::VPANEL VPanel() const { return m_Panel; }

  kgui::VPANEL GetVPanel() override { return m_Panel; }
  void Think() override {}
  void PerformLayout() override { ++m_Layouts; }
  void Paint() override;
  void PostChildPaint() override {}
  void OnMessage(KeyValues *message, kgui::VPANEL from) override;
  void DeletePanel() override { delete this; }
  const char *GetClassName() override { return m_ClassName.c_str(); }
  void Describe(KeyValues *panelBlock) override;
  bool RequestInfo(KeyValues *) override { return false; }

 protected:
  // Handles a message; false passes it to the default handling (nothing).
  virtual bool Handle(KeyValues *message);

  Runtime &m_Runtime;
  kgui::VPANEL m_Panel;
  std::string m_ClassName;
  std::string m_Text;
  std::string m_Image;
  Color m_Fill{0, 0, 0, 0};
  CTestPanel *m_pParent = nullptr;
  std::vector<CTestPanel *> m_Children;
  int m_Layouts = 0;
};

// Counts presses; turns green once pressed.
class CClickPanel final : public CTestPanel {
 public:
  using CTestPanel::CTestPanel;

 protected:
  bool Handle(KeyValues *message) override;

 private:
  int m_Clicks = 0;
};

// Asks for a tick every 250 ms and counts them.
class CTickPanel final : public CTestPanel {
 public:
  CTickPanel(Runtime &runtime, const char *name);

 protected:
  bool Handle(KeyValues *message) override;

 private:
  int m_Ticks = 0;
};

// Posts itself "Step" messages with delays and records the order they arrive in.
class CDelayPanel final : public CTestPanel {
 public:
  using CTestPanel::CTestPanel;
  void PostSteps();

 protected:
  bool Handle(KeyValues *message) override;

 private:
  std::string m_Order;
};

// The module's window: a popup that takes the host messages and shows them, and on messages of
// a script launches games, asks whether one runs, hands the running game a server through the
// client services and plays sounds.
class CWindowPanel final : public CTestPanel {
 public:
  explicit CWindowPanel(Runtime &runtime);
  void SetDoomedHandle(kgui::HPanel handle) { m_Doomed = handle; }
  void SetLauncher(IGameLauncher *launcher) { m_pLauncher = launcher; }

  void Describe(KeyValues *panelBlock) override;

 protected:
  bool Handle(KeyValues *message) override;

 private:
  std::string m_Game;
  int m_ConnectedIP = 0;
  kgui::HPanel m_Doomed = kgui::INVALID_PANEL_HANDLE;
  IGameLauncher *m_pLauncher = nullptr;
  int m_LaunchStatus = -1;
  bool m_GameRunning = false;
  std::string m_Joins;  // "a.b.c.d:connectionport/queryport" of each "ConnectedToGame"
  int m_Disconnects = 0;
};

}  // namespace testmodule
