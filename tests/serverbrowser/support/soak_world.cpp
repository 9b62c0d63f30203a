#include "support/soak_world.h"

#include <dirent.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "kgui/IPanel.h"
#include "kgui/ISurface.h"
#include "kgui_controls/BuildGroup.h"
#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/Frame.h"
#include "kgui_controls/PHandle.h"
#include "kgui_controls/PropertySheet.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "serverbrowser/BaseGamesPage.h"
#include "serverbrowser/DialogGameInfo.h"
#include "serverbrowser/FavoriteGames.h"
#include "serverbrowser/GameListPanel.h"
#include "serverbrowser/InternetGames.h"
#include "serverbrowser/ModList.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/serverbrowser.h"
#include "tier0/platform.h"
#include "tier1/KeyValues.h"

namespace sbtest {
namespace {

constexpr AppId_t kApp = 620;
constexpr uint16 kPort = 27015;

struct WorldServer {
  const char *name;
  const char *map;
  int players;
  int limit;
  bool locked;
};

// The small world: an open server, a full one, locked ones, an empty one.
constexpr WorldServer kWorld[] = {
    {"Cinder Hollow", "quarry", 6, 16, false}, {"Lantern Keep", "keep", 12, 12, false},
    {"Moss Gate", "gate", 3, 24, true},        {"Tidewatch", "harbor", 0, 16, false},
    {"Gloam Reach", "reach", 9, 20, true},     {"Saltmarsh", "marsh", 15, 32, false},
};
constexpr int kOpenServer = 0;
constexpr int kFullServer = 1;
constexpr int kLockedServers[] = {2, 4};

uint32 WorldIP(int index) {
  return 0x0A000001u + static_cast<uint32>(index);  // 10.0.0.1 on
}

ServerRecord WorldRecord(int index) {
  const WorldServer &world = kWorld[index];
  ServerRecord server = FakeServices::MakeServer(world.name, WorldIP(index), kPort, 20 + 15 * index, kApp,
                                                 "emberfall", world.map, world.players, world.limit);
  server.m_bHasPassword = world.locked;
  snprintf(server.m_szDescription, sizeof(server.m_szDescription), "Emberfall");
  return server;
}

}  // namespace

std::ostream &operator<<(std::ostream &out, const SoakTally &tally) {
  return out << "{descriptors " << tally.descriptors << ", panels " << tally.panels << ", list requests "
             << tally.listRequests << ", queries " << tally.queries << ", messages " << tally.messages
             << ", build group members " << tally.groupMembers << "}";
}

int CountOpenDescriptors() {
  DIR *folder = opendir("/proc/self/fd");
  if (!folder) return -1;
  int count = 0;
  while (const dirent *entry = readdir(folder))
    if (entry->d_name[0] != '.') ++count;
  closedir(folder);
  return count - 1;  // the listing's own descriptor
}

bool CSoakLauncher::IsGameRunning(uint32 appID, const char *gameDir) {
  (void)appID, (void)gameDir;
  return false;
}

int CSoakLauncher::LaunchGame(uint32 appID, const char *gameDir, const char *commandLine) {
  (void)appID, (void)gameDir, (void)commandLine;
  ++m_nLaunches;
  return k_ELaunchGameStarted;
}

// ---- the world

CSoakWorld::CSoakWorld(const std::string &gameDir) {
  Plat_SetClockOverride(true, 1000.0);
  char folder[] = "/tmp/sb_soak_XXXXXX";
  if (mkdtemp(folder)) m_Folder = folder;
  kguihost::CRuntimeOptions options;
  options.screenWide = 1024;
  options.screenTall = 768;
  options.gameDir = gameDir;
  options.userDir = m_Folder;
  m_pRuntime = std::make_unique<kguihost::CKGuiRuntime>(options);
  kgui::KGui_InitInterfacesList("browser_soak", &m_pRuntime->Provider());

  m_Services.SetAppValue(kApp, "gamedir", "emberfall");
  m_Services.SetAppValue(kApp, "serverbrowsername", "Emberfall");
  m_Services.SetAppValue(kApp, "gameid", "620");
  m_Services.m_ConfigFolder = m_Folder;
  m_Services.Bind();
  g_pGameLauncher = &m_Launcher;

  m_pWindow = new CServerBrowserDialog(nullptr);
  m_pWindow->SetParent(m_pRuntime->RootPanel());
  m_pWindow->SetVisible(true);
  // Construction's messages, the first layout and the delayed first list.
  RunFor(0.5);
}

CSoakWorld::~CSoakWorld() {
  delete m_pWindow;
  RunFor(0.0);
  g_pGameLauncher = nullptr;
  ModList_Reset();
  m_Services.Unbind();
  kgui::KGui_ShutdownInterfaces();
  m_pRuntime->Shutdown();
  m_pRuntime.reset();
  Plat_SetClockOverride(false);
  if (!m_Folder.empty()) std::filesystem::remove_all(m_Folder);
}

int CSoakWorld::WorldSize() {
  return static_cast<int>(std::size(kWorld));
}

SoakTally CSoakWorld::Tally() const {
  SoakTally tally;
  tally.descriptors = CountOpenDescriptors();
  tally.panels = static_cast<int>(m_pRuntime->Panels().Count());
  tally.listRequests = m_Services.OpenListRequestCount();
  tally.queries = m_Services.OpenQueryCount();
  tally.messages = static_cast<int>(m_pRuntime->Messages().Size());
  // Windows come and go under the main window and its tab sheet, whose groups they join.
  std::vector<kgui::EditablePanel *> lasting = {m_pWindow, m_pWindow->GetTabSheet()};
  for (int page = 0; page < m_pWindow->GetTabSheet()->GetNumPages(); ++page)
    if (auto *editable = dynamic_cast<kgui::EditablePanel *>(m_pWindow->GetTabSheet()->GetPage(page)))
      lasting.push_back(editable);
  for (kgui::EditablePanel *panel : lasting)
    tally.groupMembers += static_cast<int>(panel->GetBuildGroup()->GetMemberCount());
  return tally;
}

void CSoakWorld::RunFor(double seconds) {
  m_pRuntime->RunFrame();
  for (double elapsed = 0.0; elapsed < seconds; elapsed += 0.25) {
    Plat_AdvanceClock(0.25);
    m_pRuntime->RunFrame();
  }
}

void CSoakWorld::Send(kgui::Panel *panel, const char *command) {
  KeyValuesAD message(new KeyValues("Command", "command", command));
  kgui::ipanel()->SendMessage(panel->GetVPanel(), message.get(), kgui::NULL_PANEL);
}

kgui::Frame *CSoakWorld::FindPopup(const char *name) {
  for (int i = kgui::surface()->GetPopupCount() - 1; i >= 0; --i) {
    const kgui::VPANEL popup = kgui::surface()->GetPopup(i);
    if (!V_stricmp(kgui::ipanel()->GetName(popup), name))
      return dynamic_cast<kgui::Frame *>(kgui::PanelFromVPanel(popup));
  }
  return nullptr;
}

int CSoakWorld::LastOpenQuery(bool players, const char *what) {
  const std::vector<ServerQueryHandle> open = m_Services.OpenQueries(players);
  if (open.empty()) {
    Note(std::string("no open ") + (players ? "player list" : "ping") + " " + what);
    return -1;
  }
  return open.back();
}

// ---- refresh cycles

void CSoakWorld::RefreshCycle(int cycle) {
  kgui::PropertySheet *sheet = m_pWindow->GetTabSheet();
  auto *page = dynamic_cast<CBaseGamesPage *>(sheet->GetPage(cycle % sheet->GetNumPages()));
  if (!page) {
    Note("a tab that is no server list");
    return;
  }
  sheet->SetActivePage(page);
  RunFor(0.0);
  Send(page, "GetNewList");
  AnswerList(page, cycle % 3 == 2);
  RunFor(0.5);
}

void CSoakWorld::AnswerList(CBaseGamesPage *page, bool stopMidway) {
  ListRequestHandle request = page->GetListRequest();
  if (!request) {
    Note(std::string("no list request on ") + page->GetName());
    return;
  }
  for (int index = 0; index < WorldSize(); ++index) {
    if (stopMidway && index == WorldSize() / 2) {
      Send(page, "stoprefresh");
      m_Services.DropFreedRecords();
      return;
    }
    m_Services.Answer(request, index, WorldRecord(index));
  }
  m_Services.Done(request);
  m_Services.DropFreedRecords();
}

// ---- dialog cycles

void CSoakWorld::DialogCycle(int cycle) {
  GameInfoCycle(cycle);
  AddServerCycle(cycle);
}

void CSoakWorld::GameInfoCycle(int cycle) {
  CInternetGames *page = m_pWindow->GetInternetGames();
  if (page->GetGameList()->GetItemCount() < WorldSize()) {
    m_pWindow->GetTabSheet()->SetActivePage(page);
    RunFor(0.0);
    AnswerList(page, false);
    RunFor(0.0);
  }
  // Four ways through the dialog: a locked server whose prompt is cancelled or answered, an open
  // server joined at once, a full server that offers to retry and is left.
  const int variant = cycle % 4;
  const int server = variant == 0   ? kLockedServers[0]
                     : variant == 1 ? kLockedServers[1]
                     : variant == 2 ? kOpenServer
                                    : kFullServer;
  auto row = page->GetServerMap().find(server);
  if (row == page->GetServerMap().end() || row->second.m_iRowID < 0) {
    Note("no row for the server");
    return;
  }
  page->GetGameList()->SelectOnly(row->second.m_iRowID);
  KeyValuesAD view(new KeyValues("ViewGameInfo"));
  kgui::ipanel()->SendMessage(page->GetVPanel(), view.get(), kgui::NULL_PANEL);
  const std::vector<kgui::Panel *> dialogs = m_pWindow->GetGameInfoDialogs();
  auto *dialog = dialogs.empty() ? nullptr : dynamic_cast<CDialogGameInfo *>(dialogs.back());
  if (!dialog) {
    Note("no game-info dialog");
    return;
  }
  kgui::PHandle hDialog;
  hDialog = dialog;
  RunFor(0.0);

  // Its state, then its players.
  m_Services.AnswerPing(LastOpenQuery(false, "for the dialog"), WorldRecord(server));
  m_Services.AnswerPlayers(LastOpenQuery(true, "for the dialog"),
                           {{"Bramble", 12, 310.0f}, {"Quill", 3, 45.5f}, {"Sorrel", 0, -1.0f}});
  RunFor(0.0);

  // The join asks again before it goes.
  Send(dialog, "Connect");
  m_Services.AnswerPing(LastOpenQuery(false, "for the join"), WorldRecord(server));
  RunFor(0.0);
  if (variant <= 1) {
    auto *prompt = dynamic_cast<kgui::Frame *>(dialog->FindChildByName("DialogServerPassword"));
    if (!prompt) {
      Note("no password prompt");
    } else if (variant == 0) {
      Send(prompt, "Close");
    } else {
      if (auto *entry = dynamic_cast<kgui::TextEntry *>(prompt->FindChildByName("PasswordEntry")))
        entry->SetText("brass lantern");
      Send(prompt, "Connect");
      RunFor(0.0);  // the password reaches the dialog, which asks the server once more
      m_Services.AnswerPing(LastOpenQuery(false, "for the password"), WorldRecord(server));
    }
  }
  if (variant == 3) Send(dialog, "Refresh");  // a query still out when the dialog goes
  if (variant == 0 || variant == 3) Send(dialog, "Close");
  RunFor(1.0);
  if (hDialog.Get()) {
    Note("a game-info dialog stayed after its cycle");
    delete hDialog.Get();
    RunFor(0.0);
  }
}

void CSoakWorld::AddServerCycle(int cycle) {
  Send(m_pWindow->GetFavoriteGames(), "AddServerByName");
  kgui::Frame *dialog = FindPopup("DialogAddServer");
  if (!dialog) {
    Note("no add-server dialog");
    return;
  }
  kgui::PHandle hDialog;
  hDialog = dialog;
  auto *entry = dynamic_cast<kgui::TextEntry *>(dialog->FindChildByName("ServerNameText", true));
  if (!entry) {
    Note("no address entry");
    delete dialog;
    return;
  }
  if (cycle % 2 == 0) {
    // Tested on the common ports: one answers, one is silent, the rest still run at the close.
    entry->SetText("10.0.0.3");
    RunFor(0.0);
    const std::vector<ServerQueryHandle> before = m_Services.OpenQueries(false);
    Send(dialog, "TestServers");
    std::vector<ServerQueryHandle> pings;
    for (ServerQueryHandle ping : m_Services.OpenQueries(false))
      if (std::find(before.begin(), before.end(), ping) == before.end()) pings.push_back(ping);
    if (pings.size() < 2) {
      Note("the test pinged fewer than two ports");
    } else {
      m_Services.AnswerPing(pings[0], WorldRecord(3));
      m_Services.SilentPing(pings[1]);
    }
    RunFor(0.0);
    if (cycle % 4 == 0) Send(dialog, "addselected");
    Send(dialog, "Close");
  } else {
    entry->SetText("10.0.0.6:27015");
    RunFor(0.0);
    Send(dialog, "OK");
  }
  RunFor(1.0);
  if (hDialog.Get()) {
    Note("an add-server dialog stayed after its cycle");
    delete hDialog.Get();
    RunFor(0.0);
  }
}

}  // namespace sbtest
