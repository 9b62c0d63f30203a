#include "browser_world.h"

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>

#include "kgui_controls/controls.h"
#include "serverbrowser/InternetGames.h"
#include "serverbrowser/ModList.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "tier0/platform.h"

namespace sbbench {
namespace {

std::vector<ServerRecord> MakeServers() {
  static const char *const kWords[] = {"amber", "basalt", "cinder",  "dune",   "ember", "fjord", "glacier",
                                       "heron", "iris",   "kestrel", "lagoon", "mesa",  "nimbus"};
  std::mt19937 random(4242);
  auto word = [&] { return kWords[random() % std::size(kWords)]; };
  std::vector<ServerRecord> servers;
  servers.reserve(kServers);
  for (int i = 0; i < kServers; ++i) {
    char name[64];
    snprintf(name, sizeof(name), "%s %s #%d", word(), word(), i);
    char map[32];
    snprintf(map, sizeof(map), "%s_%u", word(), static_cast<unsigned>(random() % 40));
    ServerRecord server = sbtest::FakeServices::MakeServer(
        name, 0x0A000000u + static_cast<uint32>(i), 27015, 1 + static_cast<int>(random() % 400), kApp,
        "vanguard", map, static_cast<int>(random() % 33), 32);
    server.m_bHasPassword = random() % 10 == 0;
    server.m_bIsSecure = random() % 3 != 0;
    servers.push_back(server);
  }
  return servers;
}

kguihost::CRuntimeOptions Options() {
  kguihost::CRuntimeOptions options;
  options.gameDir = SB_GAME_DIR;
  return options;
}

}  // namespace

const std::vector<ServerRecord> &Servers() {
  static const std::vector<ServerRecord> s_Servers = MakeServers();
  return s_Servers;
}

CBrowserWorld::CBrowserWorld() : m_Runtime(Options()) {
  Plat_SetClockOverride(true, 1000.0);
  kgui::KGui_InitInterfacesList("serverbrowser_bench", &m_Runtime.Provider());
  m_Services.SetAppValue(kApp, "gamedir", "vanguard");
  m_Services.SetAppValue(kApp, "serverbrowsername", "Vanguard Frontier");
  m_Services.SetAppValue(kApp, "gameid", "1002");
  // The window saves its settings when it goes: into a scratch folder of this run.
  char folder[] = "/tmp/sb_bench_XXXXXX";
  if (mkdtemp(folder)) m_Services.m_ConfigFolder = m_Folder = folder;
  m_Services.Bind();
  m_pWindow = new CServerBrowserDialog(nullptr);
  m_pWindow->SetParent(m_Runtime.RootPanel());
  m_pWindow->SetVisible(true);
  // The frames of a freshly shown browser: construction's messages delivered, the first layout
  // and the delayed first list it asks for, so that the timed frames only see what they time.
  m_Runtime.RunFrame();
  Plat_AdvanceClock(0.2);
  m_Runtime.RunFrame();
}

CBrowserWorld::~CBrowserWorld() {
  delete m_pWindow;
  m_Runtime.RunFrame();
  ModList_Reset();
  m_Services.Unbind();
  kgui::KGui_ShutdownInterfaces();
  m_Runtime.Shutdown();
  Plat_SetClockOverride(false);
  if (!m_Folder.empty()) std::filesystem::remove_all(m_Folder);
}

CInternetGames *CBrowserWorld::Page() {
  return m_pWindow->GetInternetGames();
}

ListRequestHandle CBrowserWorld::NewList() {
  Page()->BeginRefresh();
  return m_Services.LastRequest();
}

void CBrowserWorld::StoreRecords(ListRequestHandle request) {
  const std::vector<ServerRecord> &servers = Servers();
  sbtest::FakeListRequest *fake = m_Services.Request(request);
  for (int i = 0; i < kServers; ++i) fake->servers[i] = servers[i];
}

int CBrowserWorld::AnswerFor(ListRequestHandle request, int next, double budgetMs) {
  const std::vector<ServerRecord> &servers = Servers();
  const auto start = std::chrono::steady_clock::now();
  while (next < kServers) {
    m_Services.Answer(request, next, servers[next]);
    ++next;
    if (std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() >=
        budgetMs)
      break;
  }
  return next;
}

void CBrowserWorld::AnswerAll(ListRequestHandle request) {
  const std::vector<ServerRecord> &servers = Servers();
  for (int i = 0; i < kServers; ++i) m_Services.Answer(request, i, servers[i]);
}

void CBrowserWorld::Done(ListRequestHandle request) {
  m_Services.Done(request);
}

}  // namespace sbbench
