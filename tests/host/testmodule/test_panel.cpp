#include "tests/host/testmodule/test_panel.h"

#include <cstdio>
#include <string>
#include <vector>

#include "kstdlib/strtools.h"
#include "plexa/client_api.h"
#include "plexa/iclientfriends.h"
#include "serverbrowser/IGameLauncher.h"
#include "tests/host/testmodule/runtime.h"
#include "tier1/KeyValues.h"

namespace testmodule {

namespace {

bool IsMessage(KeyValues *message, const char *name) { return V_stricmp(message->GetName(), name) == 0; }

}  // namespace

CTestPanel::CTestPanel(Runtime &runtime, const char *name, const char *className)
    : m_Runtime(runtime), m_Panel(runtime.kgui->CreatePanel(this)), m_ClassName(className) {
  m_Runtime.panel->SetName(m_Panel, name);
}

CTestPanel::~CTestPanel() {
  // Children unlink themselves as they go; the host may also delete one on its own.
  while (!m_Children.empty()) delete m_Children.back();
  if (m_pParent) std::erase(m_pParent->m_Children, this);
  m_Runtime.kgui->FreePanel(m_Panel);
}

void CTestPanel::Adopt(CTestPanel *child, int x, int y, int wide, int tall) {
  m_Children.push_back(child);
  child->m_pParent = this;
  m_Runtime.panel->SetParent(child->m_Panel, m_Panel);
  m_Runtime.panel->SetPos(child->m_Panel, x, y);
  m_Runtime.panel->SetSize(child->m_Panel, wide, tall);
}

void CTestPanel::SetText(const char *text) {
  m_Text = text ? text : "";
  if (m_Text.empty() || m_Text[0] != '#') return;
  const char16_t *localised = m_Runtime.localize->Find(m_Text.c_str());
  if (!localised) return;
  char utf8[256];
  V_UTF16ToUTF8(localised, utf8, sizeof(utf8));
  m_Text = utf8;
}

void CTestPanel::Paint() {
  int wide = 0;
  int tall = 0;
  m_Runtime.panel->GetSize(m_Panel, wide, tall);
  if (m_Fill.a() > 0) {
    m_Runtime.surface->DrawSetColor(m_Fill);
    m_Runtime.surface->DrawFilledRect(0, 0, wide, tall);
  }
  if (!m_Image.empty()) {
    kgui::IImage *image = m_Runtime.scheme->GetImage(m_Image.c_str(), false);
    image->SetPos(0, 0);
    image->SetSize(wide, tall);
    image->Paint();
  }
  if (!m_Text.empty()) {
    kgui::IScheme *scheme = m_Runtime.scheme->GetIScheme(m_Runtime.scheme->GetDefaultScheme());
    char16_t text[256];
    int units = V_UTF8ToUTF16(m_Text.c_str(), text, sizeof(text));
    m_Runtime.surface->DrawSetTextFont(scheme->GetFont("Default", false));
    m_Runtime.surface->DrawSetTextColor(scheme->GetColor("Label.TextColor", Color(255, 255, 255, 255)));
    m_Runtime.surface->DrawSetTextPos(4, 2);
    m_Runtime.surface->DrawPrintText(text, units > 0 ? units - 1 : 0);
  }
}

void CTestPanel::OnMessage(KeyValues *message, kgui::VPANEL) { Handle(message); }

bool CTestPanel::Handle(KeyValues *) { return false; }

void CTestPanel::Describe(KeyValues *panelBlock) {
  if (!m_Text.empty()) panelBlock->SetString("text", m_Text.c_str());
  panelBlock->SetInt("layouts", m_Layouts);
}

bool CClickPanel::Handle(KeyValues *message) {
  if (!IsMessage(message, "MousePressed")) return false;
  ++m_Clicks;
  SetFill(Color(40, 200, 60, 255));
  SetText(("clicks " + std::to_string(m_Clicks) + " button " + std::to_string(message->GetInt("code"))).c_str());
  return true;
}

CTickPanel::CTickPanel(Runtime &runtime, const char *name) : CTestPanel(runtime, name, "TickPanel") {
  m_Runtime.kgui->AddTickSignal(m_Panel, 250);
  SetText("ticks 0");
}

bool CTickPanel::Handle(KeyValues *message) {
  if (!IsMessage(message, "Tick")) return false;
  ++m_Ticks;
  SetText(("ticks " + std::to_string(m_Ticks)).c_str());
  return true;
}

void CDelayPanel::PostSteps() {
  struct Step {
    const char *name;
    float delay;
  };
  // Posted out of order; equal delays must keep the order they were posted in.
  const Step steps[] = {{"late", 0.30f}, {"first", 0.10f}, {"middle", 0.20f}, {"middle2", 0.20f}};
  for (const Step &step : steps) {
    m_Runtime.kgui->PostMessage(m_Panel, new KeyValues("Step", "name", step.name), m_Panel, step.delay);
  }
}

bool CDelayPanel::Handle(KeyValues *message) {
  if (!IsMessage(message, "Step")) return false;
  if (!m_Order.empty()) m_Order += ",";
  m_Order += message->GetString("name");
  SetText(("order " + m_Order).c_str());
  return true;
}

CWindowPanel::CWindowPanel(Runtime &runtime) : CTestPanel(runtime, "TestWindow", "TestWindow") {
  SetFill(Color(40, 44, 80, 255));
}

bool CWindowPanel::Handle(KeyValues *message) {
  if (IsMessage(message, "ActiveGameName")) {
    m_Game = message->GetString("game");
    return true;
  }
  if (IsMessage(message, "ConnectedToGame")) {
    m_ConnectedIP = message->GetInt("ip");
    // Unsigned, as the browser reads it; every join is kept in arrival order.
    auto ip = static_cast<uint32>(message->GetUint64("ip"));
    std::string join = std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 0xFF) + "." +
                       std::to_string((ip >> 8) & 0xFF) + "." + std::to_string(ip & 0xFF) + ":" +
                       std::to_string(message->GetInt("connectionport")) + "/" +
                       std::to_string(message->GetInt("queryport"));
    m_Joins += (m_Joins.empty() ? "" : ",") + join;
    printf("testmodule: ConnectedToGame %s\n", join.c_str());
    fflush(stdout);
    return true;
  }
  if (IsMessage(message, "DisconnectedFromGame")) {
    m_ConnectedIP = 0;
    ++m_Disconnects;
    printf("testmodule: DisconnectedFromGame\n");
    fflush(stdout);
    return true;
  }
  if (IsMessage(message, "LaunchGame") && m_pLauncher) {
    uint32 appID = static_cast<uint32>(message->GetInt("appid"));
    m_LaunchStatus = m_pLauncher->LaunchGame(appID, message->GetString("gamedir"), message->GetString("commandline"));
    m_GameRunning = m_pLauncher->IsGameRunning(appID, message->GetString("gamedir"));
    return true;
  }
  if (IsMessage(message, "IsGameRunning") && m_pLauncher) {
    m_GameRunning = m_pLauncher->IsGameRunning(static_cast<uint32>(message->GetInt("appid")), "");
    return true;
  }
  if (IsMessage(message, "ConnectRunningGame")) {
    // Binds the client services only when asked, so other runs never load them.
    if (ClientAPI_Init() && ClientFriends()) {
      ClientFriends()->ConnectRunningGame(message->GetString("address"), message->GetString("password"));
    }
    return true;
  }
  if (IsMessage(message, "PlaySound")) {
    m_Runtime.surface->PlaySound(message->GetString("name"));
    return true;
  }
  return false;
}

void CWindowPanel::Describe(KeyValues *panelBlock) {
  CTestPanel::Describe(panelBlock);
  std::string state = "game '" + m_Game + "' ip " + std::to_string(m_ConnectedIP) + " doomed " +
                      (m_Runtime.kgui->HandleToPanel(m_Doomed) ? "alive" : "gone") + " launch " +
                      std::to_string(m_LaunchStatus) + " running " + (m_GameRunning ? "1" : "0") + " joins " +
                      (m_Joins.empty() ? "none" : m_Joins) + " left " + std::to_string(m_Disconnects);
  panelBlock->SetString("text", state.c_str());
}

}  // namespace testmodule
