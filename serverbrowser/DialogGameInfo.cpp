// The game-info dialog. Sections: construction and server setup; the server and player queries;
// the join; the followed friend; the layout pass.
#include "serverbrowser/DialogGameInfo.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "kgui_controls/Button.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/ListPanel.h"
#include "kgui_controls/MessageBox.h"
#include "kgui_controls/RadioButton.h"
#include "kgui_controls/TextImage.h"
#include "kgui_controls/ToggleButton.h"
#include "kgui_controls/controls.h"
#include "kstdlib/strtools.h"
#include "plexa/client_api.h"
#include "plexa/iclientapps.h"
#include "plexa/iclientfriends.h"
#include "plexa/iclientmatchmakingservers.h"
#include "serverbrowser/DialogServerPassword.h"
#include "serverbrowser/IGameLauncher.h"
#include "serverbrowser/LatencyGraph.h"
#include "serverbrowser/QorvBannedConnRefusedDialog.h"
#include "serverbrowser/ServerBrowserDialog.h"
#include "serverbrowser/serverbrowser.h"
#include "tier0/dbg.h"
#include "tier0/vprof.h"
#include "tier1/KeyValues.h"

BEGIN_MESSAGE_MAP(CDialogGameInfo, kgui::Frame)
MESSAGE_ENTRY("Connect", OnConnect)
MESSAGE_ENTRY("Refresh", OnRefresh)
MESSAGE_ENTRY("Close", Close)
MESSAGE_ENTRY("ButtonToggled", OnButtonToggled, "panel")
MESSAGE_ENTRY("RadioButtonChecked", OnButtonToggled, "panel")
MESSAGE_ENTRY("JoinServerWithPassword", OnJoinServerWithPassword, "password")
MESSAGE_ENTRY("ConnectedToGame", OnConnectedToGame, "ip", "connectionport")
MESSAGE_ENTRY("CopyAddress", OnCopyAddress)
END_MESSAGE_MAP()

namespace {

constexpr int kDefaultSize = 512;
constexpr int kMinimumWide = 416;
constexpr int kMinimumTall = 340;
// What the auto-retry options add to the dialog's height.
constexpr int kAutoRetryExtraTall = 60;
constexpr int kTimeColumn = 2;
constexpr uint32 kFriendMayJoinFlag = 2;

constexpr char kLayout[] = "servers/DialogGameInfo.res";
constexpr char kAutoRetryLayout[] = "servers/DialogGameInfo_AutoRetry.res";
constexpr char kNonPlexaLayout[] = "servers/DialogGameInfo_NonPlexa.res";
constexpr char kSinglePlayerLayout[] = "servers/DialogGameInfo_SinglePlayer.res";
constexpr char kAlertSound[] = "servers/game_ready.wav";

AppId_t AppIdOfGame(uint64 gameID) {
  return static_cast<AppId_t>(gameID & 0xFFFFFF);
}

bool IsValidFriend(PlexaId_t id) {
  return CServerBrowserDialog::IsValidFriendID(id);
}

int32 NowMs() {
  return kgui::system() ? kgui::system()->GetTimeMillis() : 0;
}

float NowSeconds() {
  return kgui::system() ? static_cast<float>(kgui::system()->GetCurrentTime()) : 0.0f;
}

// Copies whole characters of `text` that fit `size` bytes.
void CopyText(char *out, const char *text, size_t size) {
  V_strncpy(out, text ? text : "", size);
}

}  // namespace

// ---- construction and server setup

CDialogGameInfo::CDialogGameInfo(kgui::Panel *parent, uint32 ip, uint16 queryPort, uint16 connectionPort,
                                 PlexaId_t friendID)
    : BaseClass(parent, "DialogGameInfo") {
  m_PersonaCallback.Register(this, &CDialogGameInfo::OnPersonaStateChange);
  m_RichPresenceCallback.Register(this, &CDialogGameInfo::OnRichPresenceChange);
  SetBounds(0, 0, kDefaultSize, kDefaultSize);
  SetMinimumSize(kMinimumWide, kMinimumTall);
  SetDeleteSelfOnClose(true);
  SetTitle("#ServerBrowser_GameInfoTitle", true);
  CreateControls();
  StartServerQuery();  // nothing yet: the address is still 0
  if (kgui::IKGui *gui = kgui::ikgui()) gui->AddTickSignal(GetVPanel(), 0);
  LoadControlSettings(kLayout);
  MoveToCenterOfScreen();

  IClientFriends *friends = ClientFriends();
  if (IsValidFriend(friendID) && friends) {
    SetTitle("#ServerBrowser_GameInfoWithNameTitle", true);
    SetDialogVariable("game", friends->FriendDisplayName(friendID));
    SetDialogVariable("friend", friends->FriendDisplayName(friendID));
    m_FriendPlexaId = friendID;
    SetupFromFriendGame();
  } else {
    SetupServer(0, ip, queryPort, connectionPort);
  }
}

CDialogGameInfo::~CDialogGameInfo() {
  if (kgui::IKGui *gui = kgui::ikgui()) gui->RemoveTickSignal(GetVPanel());
  AbortQuery(m_hServerPing);
  AbortQuery(m_hPlayerQuery);
}

void CDialogGameInfo::CreateControls() {
  m_pConnectButton = new kgui::Button(this, "Connect", "#ServerBrowser_JoinGame");
  m_pCloseButton = new kgui::Button(this, "Close", "#ServerBrowser_Close");
  m_pRefreshButton = new kgui::Button(this, "Refresh", "#ServerBrowser_Refresh");
  m_pInfoLabel = new kgui::Label(this, "InfoLabel", "");
  m_pAutoRetry = new kgui::ToggleButton(this, "AutoRetry", "#ServerBrowser_AutoRetry");
  m_pAutoRetry->AddActionSignalTarget(this);
  m_pAutoRetryAlert = new kgui::RadioButton(this, "AutoRetryAlert", "#ServerBrowser_AlertMeWhenSlotOpens");
  m_pAutoRetryJoin = new kgui::RadioButton(this, "AutoRetryJoin", "#ServerBrowser_JoinWhenSlotOpens");

  m_pCopyAddress = new kgui::Button(this, "CopyAddress", "#ServerBrowser_CopyAddress", this, "CopyAddress");
  m_pLatencyGraph = new CLatencyGraph(this, "LatencyGraph");

  m_pPlayerList = new kgui::ListPanel(this, "PlayerList");
  m_pPlayerList->AddColumnHeader(0, "PlayerName", "#ServerBrowser_PlayerName", 156,
                                 kgui::ListPanel::ColumnTypeAhead);
  m_pPlayerList->AddColumnHeader(1, "Score", "#ServerBrowser_Score", 64);
  m_pPlayerList->AddColumnHeader(kTimeColumn, "Time", "#ServerBrowser_Time", 64);
  m_pPlayerList->SetColumnSortFunc(kTimeColumn, CompareTimePlayed);
  // Score, highest first: the time column first, then the score column twice turns it around.
  PostMessage(m_pPlayerList, new KeyValues("SetSortColumn", "column", kTimeColumn));
  PostMessage(m_pPlayerList, new KeyValues("SetSortColumn", "column", 1));
  PostMessage(m_pPlayerList, new KeyValues("SetSortColumn", "column", 1));

  m_pAutoRetryAlert->SetSelected(true);
  m_pConnectButton->SetCommand("Connect");
  m_pCloseButton->SetCommand("Close");
  m_pRefreshButton->SetCommand("Refresh");
}

void CDialogGameInfo::SetupFromFriendGame() {
  FriendGameInfo game{};
  IClientFriends *friends = ClientFriends();
  if (friends && friends->FriendCurrentGame(m_FriendPlexaId, &game))
    SetupServer(game.m_gameID, game.m_unGameIP, game.QueryPortOrGamePort(), game.m_usGamePort);
  else
    SetupServer(0, 0, 0, 0);
}

void CDialogGameInfo::SetupServer(uint64 gameID, uint32 ip, uint16 queryPort, uint16 connectionPort) {
  m_ShownServer = ServerRecord{};
  m_ShownServer.m_NetAdr.Init(ip, queryPort, connectionPort);
  int x = 0, y = 0;
  GetPos(x, y);

  m_bNonPlexaApp = false;
  const AppId_t appID = AppIdOfGame(gameID);
  IClientApps *apps = ClientApps();
  char name[20];
  if (appID != 0 && apps && apps->ReadAppValue(appID, "extended/serverbrowsername", name, sizeof(name)) < 1) {
    m_bNonPlexaApp = true;
    m_ShownServer.m_nAppId = appID;
  }

  const bool queryable = ip != 0 && queryPort != 0;
  if (!queryable || m_bNonPlexaApp) {
    SetMinimumSize(0, 0);
    SetSizeable(false);
    LoadControlSettings(queryable ? kNonPlexaLayout : kSinglePlayerLayout);
  } else {
    SetMinimumSize(kMinimumWide, kMinimumTall);
    SetSizeable(true);
    LoadControlSettings(kLayout);
  }
  SetPos(x, y);

  if (!m_bNonPlexaApp) {
    m_nRequeryAtMs = 0;
    StartServerQuery();
  }
  InvalidateLayout();

  IClientFriends *friends = ClientFriends();
  if (IsValidFriend(m_FriendPlexaId) && appID != 0 && friends) {
    const char *status = friends->FriendPresenceValue(appID, m_FriendPlexaId, "status");
    if (status && *status) UpdateFriendStatus(appID);
  }
}

// ---- the server and player queries

void CDialogGameInfo::ActivateWithTitle(const char *gameTitle) {
  if (gameTitle && *gameTitle) SetDialogVariable("game", gameTitle);
  StartServerQuery();
  Activate();
}

void CDialogGameInfo::ConnectWithPassword(const char *password) {
  if (password) CopyText(m_szJoinPassword, password, sizeof(m_szJoinPassword));
  OnConnect();
}

void CDialogGameInfo::StartServerQuery() {
  // Without a query port there is nobody to ask.
  if (m_nRequeryAtMs != 0 || m_ShownServer.m_NetAdr.GetIP() == 0 ||
      m_ShownServer.m_NetAdr.GetQueryPort() == 0)
    return;
  // 0 means no query is due, so a deadline that lands on 0 moves a millisecond on.
  m_nRequeryAtMs = NowMs() + kRequeryMilliseconds;
  if (m_nRequeryAtMs == 0) m_nRequeryAtMs = 1;
  AbortQuery(m_hServerPing);
  if (IClientMatchmakingServers *servers = ClientMatchmakingServers())
    m_hServerPing =
        servers->RequestPing(m_ShownServer.m_NetAdr.GetIP(), m_ShownServer.m_NetAdr.GetQueryPort(), this);
}

void CDialogGameInfo::StartPlayerQuery() {
  AbortQuery(m_hPlayerQuery);
  if (IClientMatchmakingServers *servers = ClientMatchmakingServers())
    m_hPlayerQuery =
        servers->RequestPlayers(m_ShownServer.m_NetAdr.GetIP(), m_ShownServer.m_NetAdr.GetQueryPort(), this);
  m_bClearPlayersOnNext = true;
}

// The handle goes back to -1 at once: the services may give its number to another request later.
void CDialogGameInfo::AbortQuery(ServerQueryHandle &query) {
  if (query == HSERVERQUERY_INVALID) return;
  if (IClientMatchmakingServers *servers = ClientMatchmakingServers()) servers->AbortServerRequest(query);
  query = HSERVERQUERY_INVALID;
}

void CDialogGameInfo::OnTick() {
  BaseClass::OnTick();
  if (m_nRequeryAtMs != 0 &&
      Plat_MSTimeReached(static_cast<uint32>(NowMs()), static_cast<uint32>(m_nRequeryAtMs))) {
    m_nRequeryAtMs = 0;
    StartServerQuery();
  }
  if (IsValidFriend(m_FriendPlexaId) && NowSeconds() > m_flNextPresencePoll) {
    FriendGameInfo game{};
    IClientFriends *friends = ClientFriends();
    if (friends && friends->FriendCurrentGame(m_FriendPlexaId, &game))
      friends->RequestFriendPresence(AppIdOfGame(game.m_gameID), m_FriendPlexaId);
    m_flNextPresencePoll = NowSeconds() + kPresencePollSeconds;
  }
}

void CDialogGameInfo::OnRefresh() {
  m_nRequeryAtMs = 0;
  StartServerQuery();
}

void CDialogGameInfo::OnPingAnswered(const ServerRecord &server) {
  const uint16 shownQueryPort = m_ShownServer.m_NetAdr.GetQueryPort();
  if (shownQueryPort != 0 && shownQueryPort != server.m_NetAdr.GetQueryPort()) return;
  m_hServerPing = HSERVERQUERY_INVALID;
  m_pLatencyGraph->AddAnswer(server.m_nPingMs);
  const uint16 connectionPort = m_ShownServer.m_NetAdr.GetConnectionPort();
  m_ShownServer = server;
  m_ShownServer.m_NetAdr.Init(server.m_NetAdr.GetIP(), server.m_NetAdr.GetQueryPort(), connectionPort);

  if (m_bConnectPending) {
    JoinShownServer();
  } else if (m_pAutoRetry->IsSelected() && server.m_nPlayerCount < server.m_nPlayerLimit) {
    if (kgui::surface()) {
      kgui::surface()->PlaySound(kAlertSound);
      kgui::surface()->FlashWindow(GetVPanel(), true);
    }
    if (m_pAutoRetryJoin->IsSelected()) JoinShownServer();
  } else {
    StartPlayerQuery();
  }
  m_bNoAnswer = false;
  InvalidateLayout();
  Repaint();
}

void CDialogGameInfo::OnPingSilent() {
  m_hServerPing = HSERVERQUERY_INVALID;
  m_pLatencyGraph->AddLoss();
  if (!m_ShownServer.m_bResponded) m_bNoAnswer = true;
  InvalidateLayout();
  Repaint();
}

void CDialogGameInfo::OnPlayer(const char *name, int score, float timePlayed) {
  if (m_bClearPlayersOnNext) {
    m_bClearPlayersOnNext = false;
    m_pPlayerList->ClearItems();
  }
  KeyValues *player = new KeyValues("player");
  player->SetString("PlayerName", name ? name : "");
  player->SetInt("Score", score);
  // An unknown time (the services report a negative one) shows nothing and sorts last.
  const bool known = timePlayed >= 0.0f && timePlayed < 2147483647.0f;
  const int seconds = known ? static_cast<int>(timePlayed) : -1;
  player->SetInt("TimeSec", seconds);
  char text[64] = "";
  if (known) FormatPlayTime(seconds, text, sizeof(text));
  player->SetString("Time", text);
  m_pPlayerList->AddItem(player, 0, false, true);
  player->Destroy();
}

void CDialogGameInfo::OnPlayersSilent() {
  m_hPlayerQuery = HSERVERQUERY_INVALID;
}

void CDialogGameInfo::OnPlayersDone() {
  m_hPlayerQuery = HSERVERQUERY_INVALID;
}

void CDialogGameInfo::FormatPlayTime(int seconds, char *out, size_t size) {
  const int hours = seconds / 3600;
  const int minutes = seconds / 60 - 60 * hours;
  const int rest = seconds % 60;
  if (hours != 0)
    V_snprintf(out, size, "%dh %dm %ds", hours, minutes, rest);
  else if (minutes != 0)
    V_snprintf(out, size, "%dm %ds", minutes, rest);
  else
    V_snprintf(out, size, "%ds", rest);
}

// Longer play first; an unknown time (-1) after every known one.
int CDialogGameInfo::CompareTimePlayed(kgui::ListPanel *list, const kgui::ListPanelItem &a,
                                       const kgui::ListPanelItem &b) {
  (void)list;
  KeyValues *recordA = a.GetRecord();
  KeyValues *recordB = b.GetRecord();
  const int first = recordA ? recordA->GetInt("TimeSec", -1) : -1;
  const int second = recordB ? recordB->GetInt("TimeSec", -1) : -1;
  if (first > second) return -1;
  if (first < second) return 1;
  return 0;
}

// ---- the join

void CDialogGameInfo::OnConnect() {
  m_bConnectPending = true;
  m_bNoAnswer = false;
  m_bFullAtConnect = false;
  InvalidateLayout();

  IClientFriends *friends = ClientFriends();
  FriendGameInfo game{};
  if (IsValidFriend(m_FriendPlexaId) && friends &&
      (friends->FriendFlags(m_FriendPlexaId) & kFriendMayJoinFlag) &&
      friends->FriendCurrentGame(m_FriendPlexaId, &game)) {
    const AppId_t appID = AppIdOfGame(game.m_gameID);
    const char *connect = friends->FriendPresenceValue(appID, m_FriendPlexaId, "connect");
    if (connect && *connect) {
      ConnectThroughFriend(appID, connect);
      return;
    }
  }
  if (m_bNonPlexaApp) {
    JoinShownServer();
    return;
  }
  m_nRequeryAtMs = 0;
  StartServerQuery();
}

void CDialogGameInfo::OnJoinServerWithPassword(const char *password) {
  CopyText(m_szJoinPassword, password, sizeof(m_szJoinPassword));
  OnConnect();
}

void CDialogGameInfo::JoinShownServer() {
  m_bConnectPending = false;
  if (m_ShownServer.m_bIsSecure && g_ServerBrowserSingleton.IsQorvBannedFromApp(m_ShownServer.m_nAppId)) {
    kgui::Panel *parent = GetParent();
    auto *refusal = new CQorvBannedConnRefusedDialog(parent ? parent->GetVPanel() : kgui::NULL_PANEL,
                                                     "QorvBannedConnRefusedDialog");
    refusal->Activate();
    Close();
    return;
  }
  // A refused password asks again, with the reason, instead of reaching the command line.
  const char *refusal =
      m_szJoinPassword[0] ? PasswordRefusalReason(m_ShownServer.m_nAppId, m_szJoinPassword) : nullptr;
  if (refusal) m_szJoinPassword[0] = 0;
  if (m_ShownServer.m_bHasPassword && !m_szJoinPassword[0]) {
    auto *prompt = new CDialogServerPassword(this);
    prompt->AddActionSignalTarget(this);
    prompt->ActivateForServer(m_ShownServer.GetName(), 0);
    if (refusal) {
      auto *box = new kgui::MessageBox("#ServerBrowser_GameInfoTitle", refusal, prompt);
      box->DoModal(prompt);
    }
    return;
  }
  if (m_ShownServer.m_nPlayerCount >= 1 && m_ShownServer.m_nPlayerCount >= m_ShownServer.m_nPlayerLimit) {
    m_bFullAtConnect = true;
    m_bOfferAutoRetry = true;
    InvalidateLayout();
    return;
  }
  HandServerToGame();
}

void CDialogGameInfo::ShownAddressText(char *out, size_t size) const {
  const uint32 ip = m_ShownServer.m_NetAdr.GetIP();
  V_snprintf(out, size, "%u.%u.%u.%u:%i", (ip >> 24) & 0xFF, (ip >> 16) & 0xFF, (ip >> 8) & 0xFF, ip & 0xFF,
             static_cast<int>(m_ShownServer.m_NetAdr.GetConnectionPort()));
}

void CDialogGameInfo::HandServerToGame() {
  char address[32];
  ShownAddressText(address, sizeof(address));
  if (g_pGameLauncher && g_pGameLauncher->IsGameRunning(m_ShownServer.m_nAppId, m_ShownServer.GetGameDir())) {
    if (IClientFriends *friends = ClientFriends()) friends->ConnectRunningGame(address, m_szJoinPassword);
    PostMessage(this, new KeyValues("Close"));
    return;
  }
  char commandLine[256];
  if (!BuildConnectCommandLine(m_ShownServer.m_nAppId, address, m_szJoinPassword, commandLine,
                               sizeof(commandLine))) {
    // The password was checked before; only a line too long for its buffer ends here.
    auto *box =
        new kgui::MessageBox("#ServerBrowser_GameInfoTitle", "#ServerBrowser_CommandLineTooLong", this);
    box->DoModal(this);
    return;
  }
  const int status = g_pGameLauncher ? g_pGameLauncher->LaunchGame(m_ShownServer.m_nAppId,
                                                                   m_ShownServer.GetGameDir(), commandLine)
                                     : k_ELaunchGameNotInitialised;
  if (status == k_ELaunchGameStarted)
    PostMessage(this, new KeyValues("Close"));
  else
    ShowLaunchFailure(status);
}

// Only a started game closes the dialog: the user keeps it to try again after a failure.
void CDialogGameInfo::ShowLaunchFailure(int status) {
  const char *text = nullptr;
  switch (status) {
    case k_ELaunchGameModNotInstalled:
      text = "#ServerBrowser_ModNotInstalled";
      break;
    case k_ELaunchGameAppNotFound:
      text = "#ServerBrowser_AppNotFound";
      break;
    case k_ELaunchGameNotInitialised:
      text = "#ServerBrowser_NotInitialized";
      break;
    default:
      Warning("ServerBrowser: the game launcher answered the unknown status %d\n", status);
      return;
  }
  auto *box = new kgui::MessageBox("#ServerBrowser_GameInfoTitle", text, this);
  box->DoModal(this);
  SetVisible(false);
}

bool CDialogGameInfo::BuildConnectCommandLine(uint32 appID, const char *address, const char *password,
                                              char *out, size_t size) {
  const bool withPassword = password && *password;
  if (withPassword && PasswordRefusalReason(appID, password)) return false;
  int length = 0;
  if (appID == 1200 || appID == 1210)
    length = withPassword ? snprintf(out, size, " %s?password=%s", address, password)
                          : snprintf(out, size, " %s", address);
  else
    length = withPassword ? snprintf(out, size, " +connect %s +password \"%s\"", address, password)
                          : snprintf(out, size, " +connect %s", address);
  // A cut line would connect somewhere else or with another password: refuse it whole.
  return length >= 0 && static_cast<size_t>(length) < size;
}

// ---- the followed friend

void CDialogGameInfo::ConnectThroughFriend(AppId_t appID, const char *connect) {
  // A connect string becomes a launch line: control characters could start console commands.
  for (const char *c = connect; *c; ++c) {
    if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F) {
      Warning("ServerBrowser: a friend's connect string holds control characters; not used\n");
      m_bConnectPending = false;
      return;
    }
  }
  IClientFriends *friends = ClientFriends();
  if (g_pGameLauncher && g_pGameLauncher->IsGameRunning(appID, "")) {
    if (friends) friends->JoinRunningGameToFriend(appID, m_FriendPlexaId, connect);
  } else if (g_pGameLauncher) {
    const int status = g_pGameLauncher->LaunchGame(appID, "", connect);
    if (status != k_ELaunchGameStarted) {
      ShowLaunchFailure(status);
      return;
    }
  }
  Close();
}

void CDialogGameInfo::UpdateFriendStatus(AppId_t appID) {
  IClientFriends *friends = ClientFriends();
  if (!IsValidFriend(m_FriendPlexaId) || !friends) return;
  const char *status = friends->FriendPresenceValue(appID, m_FriendPlexaId, "status");
  if (status && *status) {
    SetControlText("StatusInfo", status);
    SetControlText("StatusLabel", "#plexa_statuslabel");
  }
  const char *connect = friends->FriendPresenceValue(appID, m_FriendPlexaId, "connect");
  if ((connect && *connect) || m_ShownServer.m_bResponded) {
    m_bFriendConnectAvailable = true;
    if (m_bConnectPending) ConnectThroughFriend(appID, connect ? connect : "");
  } else {
    m_bFriendConnectAvailable = false;
  }
  m_pConnectButton->SetVisible(m_bFriendConnectAvailable);
  m_pConnectButton->SetEnabled(m_bFriendConnectAvailable);
}

void CDialogGameInfo::OnPersonaStateChange(PersonaStateChange_t *change) {
  VPROF("CDialogGameInfo::OnPersonaStateChange");
  if (!change || change->m_ulPlexaID != m_FriendPlexaId || !IsValidFriend(m_FriendPlexaId)) return;
  if (change->m_nChangeFlags & k_EPersonaChangeGamePlayed) SetupFromFriendGame();
}

void CDialogGameInfo::OnRichPresenceChange(FriendRichPresenceUpdate_t *update) {
  VPROF("CDialogGameInfo::OnRichPresenceChange");
  if (!update || update->m_PlexaIDFriend != m_FriendPlexaId) return;
  UpdateFriendStatus(update->m_nAppID);
}

void CDialogGameInfo::OnConnectedToGame(int ip, int connectionPort) {
  if (static_cast<uint32>(ip) == m_ShownServer.m_NetAdr.GetIP() &&
      static_cast<uint16>(connectionPort) == m_ShownServer.m_NetAdr.GetConnectionPort())
    Close();
}

void CDialogGameInfo::OnCopyAddress() {
  if (m_ShownServer.m_NetAdr.GetIP() == 0 || !kgui::system()) return;
  char address[32];
  ShownAddressText(address, sizeof(address));
  const std::u16string text = kgui::Utf8ToWide(address);
  kgui::system()->SetClipboardText(text.c_str(), static_cast<int>(text.size()));
}

void CDialogGameInfo::OnCommand(const char *command) {
  if (!V_stricmp(command, "Connect"))
    OnConnect();
  else if (!V_stricmp(command, "CopyAddress"))
    OnCopyAddress();
  else if (!V_stricmp(command, "Refresh"))
    OnRefresh();
  else
    BaseClass::OnCommand(command);
}

void CDialogGameInfo::OnButtonToggled(kgui::Panel *panel) {
  if (panel == m_pAutoRetry && !m_bNonPlexaApp) {
    int x = 0, y = 0, wide = 0, tall = 0;
    GetBounds(x, y, wide, tall);
    SetMinimumSize(kMinimumWide, kMinimumTall);
    const bool on = m_pAutoRetry->IsSelected();
    LoadControlSettings(on ? kAutoRetryLayout : kLayout);
    SetBounds(x, y, wide, tall + (on ? kAutoRetryExtraTall : -kAutoRetryExtraTall));
    InvalidateLayout(true);
    m_pAutoRetryAlert->SetSelected(true);
  }
  InvalidateLayout();
}

// ---- the layout pass

void CDialogGameInfo::SetControlText(const char *name, const char *text) {
  if (auto *label = dynamic_cast<kgui::Label *>(FindChildByName(name))) label->SetText(text ? text : "");
}

void CDialogGameInfo::PerformLayout() {
  BaseClass::PerformLayout();
  LayoutServerTexts();
  LayoutJoinControls();
}

void CDialogGameInfo::LayoutServerTexts() {
  SetControlText("ServerText", m_ShownServer.GetName());
  SetControlText("MapText", m_ShownServer.GetMap());
  SetControlText("GameTags", m_ShownServer.GetTags());
  char game[256] = "";
  if (m_ShownServer.GetDescription()[0])
    CopyText(game, m_ShownServer.GetDescription(), sizeof(game));
  else if (IsValidFriend(m_FriendPlexaId) && ClientApps())
    GameTextForFriend(game, sizeof(game));
  SetControlText("GameText", game);
  SetControlText("SecureText", !m_ShownServer.m_bResponded ? ""
                               : m_ShownServer.m_bIsSecure ? "#ServerBrowser_Secure"
                                                           : "#ServerBrowser_NotSecure");
  char players[64] = "";
  if (m_ShownServer.m_nPlayerLimit > 0)
    V_snprintf(players, sizeof(players), "%d / %d", m_ShownServer.m_nPlayerCount,
               m_ShownServer.m_nPlayerLimit);
  SetControlText("PlayersText", players);
  char ping[32] = "";
  if (m_ShownServer.m_bResponded) V_snprintf(ping, sizeof(ping), "%d", m_ShownServer.m_nPingMs);
  SetControlText("PingText", ping);
}

// The game a followed friend plays when the server does not describe itself.
const char *CDialogGameInfo::GameTextForFriend(char *buffer, size_t size) {
  buffer[0] = 0;
  FriendGameInfo game{};
  IClientFriends *friends = ClientFriends();
  if (friends && friends->FriendCurrentGame(m_FriendPlexaId, &game)) {
    const AppId_t appID = AppIdOfGame(game.m_gameID);
    const uint32 kind = static_cast<uint32>((game.m_gameID >> 24) & 0xFF);
    const bool topBit = (game.m_gameID >> 63) != 0;
    const bool listed =
        (kind == 0 && appID != 0) || (kind == 2 && topBit) || (kind == 3 && appID != 0 && topBit);
    if (listed) {
      if (ClientApps()->ReadAppValue(appID, "common/name", buffer, static_cast<int32>(size)) < 1)
        buffer[0] = 0;
    } else {
      CopyText(buffer, friends->FriendGameTitle(m_FriendPlexaId), size);
    }
  }
  if (!buffer[0]) CopyText(buffer, "#ServerBrowser_NotInGame", size);
  return buffer;
}

void CDialogGameInfo::LayoutJoinControls() {
  const bool retrying = m_pAutoRetry->IsSelected();
  const uint32 ip = m_ShownServer.m_NetAdr.GetIP();
  if (ip != 0 && (m_ShownServer.m_NetAdr.GetQueryPort() != 0 || m_bNonPlexaApp)) {
    char address[32];
    ShownAddressText(address, sizeof(address));
    SetControlText("ServerIPText", address);
    m_pConnectButton->SetEnabled(true);
    m_pCopyAddress->SetEnabled(true);
    if (!m_bNonPlexaApp) {
      m_pAutoRetryAlert->SetVisible(retrying);
      m_pAutoRetryJoin->SetVisible(retrying);
    }
  } else if (!m_bFriendConnectAvailable) {
    SetControlText("ServerIPText", "");
    m_pConnectButton->SetEnabled(false);
    m_pCopyAddress->SetEnabled(false);
  }

  const bool slotFree = m_ShownServer.m_nPlayerCount < m_ShownServer.m_nPlayerLimit;
  const char *info = "";
  if (retrying)
    info = slotFree                         ? "#ServerBrowser_PressJoinToConnect"
           : m_pAutoRetryJoin->IsSelected() ? "#ServerBrowser_JoinWhenSlotIsFree"
                                            : "#ServerBrowser_AlertWhenSlotIsFree";
  else if (m_bFullAtConnect)
    info = "#ServerBrowser_CouldNotConnectServerFull";
  else if (m_bNoAnswer)
    info = "#ServerBrowser_ServerNotResponding";
  m_pInfoLabel->SetText(info);

  // A server that answered but whose players were not asked for (the answer went to a join) is no
  // silent server: its list stays blank instead.
  const bool nobody = m_ShownServer.m_nPlayerCount + m_ShownServer.m_nBotCount == 0;
  const char *emptyText = !m_ShownServer.m_bResponded ? "#ServerBrowser_ServerNotResponding"
                          : nobody                    ? "#ServerBrowser_ServerHasNoPlayers"
                                                      : "";
  m_pPlayerList->SetEmptyText(emptyText);
  if (!m_bNonPlexaApp) m_pAutoRetry->SetVisible(m_bOfferAutoRetry);
}
