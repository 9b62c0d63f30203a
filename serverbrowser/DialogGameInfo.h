// The window of one game server: its state and players, queried again every ten seconds, and
// the whole way into the game from there: the ban check, the password, waiting for a free slot
// (auto-retry), then handing the address to the running game or starting the game with a connect
// line. A dialog may follow a friend instead, showing the server the friend plays on.
#pragma once

#include "kgui_controls/Frame.h"
#include "plexa/callbacktypes.h"
#include "plexa/ccallback.h"
#include "plexa/matchmakingresponses.h"
#include "plexa/matchmakingtypes.h"

namespace kgui {
class Button;
class Label;
class ListPanel;
class RadioButton;
class ToggleButton;
struct ListPanelItem;
}  // namespace kgui

class CLatencyGraph;

class CDialogGameInfo : public kgui::Frame,
                        public IPlexaMatchmakingPlayersResponse,
                        public IPlexaMatchmakingPingResponse {
  DECLARE_CLASS_SIMPLE(CDialogGameInfo, kgui::Frame);

 public:
  // Seconds between two queries of the shown server.
  static constexpr int kRequeryMilliseconds = 10000;
  // Seconds between two asks for a followed friend's rich presence.
  static constexpr float kPresencePollSeconds = 5.0f;
  // Longest password kept, without the terminating NUL.
  static constexpr int kMaxPasswordLength = 63;

  // A server's dialog (address and ports), a join dialog (one port as both) or, with a valid
  // `friendID`, the dialog that follows that friend (address and ports 0).
  CDialogGameInfo(kgui::Panel *parent, uint32 ip, uint16 queryPort, uint16 connectionPort,
                  PlexaId_t friendID);
  ~CDialogGameInfo() override;

  // Names the game in the title when `gameTitle` is not empty, queries the server and shows the dialog.
  void ActivateWithTitle(const char *gameTitle);
  // Keeps `password` (when given) and starts the join.
  void ConnectWithPassword(const char *password);

  PlexaId_t GetFriendID() const { return m_FriendPlexaId; }
  const ServerRecord &GetShownServer() const { return m_ShownServer; }
  bool IsConnectPending() const { return m_bConnectPending; }
  // The shown server's latencies since the dialog opened, one sample per query.
  CLatencyGraph *GetLatencyGraph() const { return m_pLatencyGraph; }
  const char *GetJoinPassword() const { return m_szJoinPassword; }

  // The launch line of a join: " +connect a.b.c.d:port" (+ " +password "..."") for most
  // applications, " a.b.c.d:port" (+ "?password=...") for 1200 and 1210. False when the password
  // could smuggle arguments into the line or the line would not fit `size` bytes.
  static bool BuildConnectCommandLine(uint32 appID, const char *address, const char *password, char *out,
                                      size_t size);
  // "1h 2m 5s", "1m 1s" or "59s".
  static void FormatPlayTime(int seconds, char *out, size_t size);

  // ---- IPlexaMatchmakingPingResponse
  void OnPingAnswered(const ServerRecord &server) override;
  void OnPingSilent() override;
  // ---- IPlexaMatchmakingPlayersResponse
  void OnPlayer(const char *name, int score, float timePlayed) override;
  void OnPlayersSilent() override;
  void OnPlayersDone() override;

 protected:
  void OnCommand(const char *command) override;
  void OnTick() override;
  void PerformLayout() override;

  virtual void OnConnect();
  virtual void OnRefresh();
  virtual void OnButtonToggled(kgui::Panel *panel);
  virtual void OnJoinServerWithPassword(const char *password);
  virtual void OnConnectedToGame(int ip, int connectionPort);
  // Puts the shown address ("a.b.c.d:port") on the host's clipboard.
  virtual void OnCopyAddress();

 private:
  void CreateControls();
  // Shows `ip` with its ports; `gameID` names the application when it is known.
  void SetupServer(uint64 gameID, uint32 ip, uint16 queryPort, uint16 connectionPort);
  // The friend's current server, or no server when the friend plays none.
  void SetupFromFriendGame();
  // Asks the shown server for its state, unless a query is already due.
  void StartServerQuery();
  void StartPlayerQuery();
  void AbortQuery(ServerQueryHandle &query);
  // The join with the shown server's current data.
  void JoinShownServer();
  // Hands the server to the running game, or starts the game with a connect line.
  void HandServerToGame();
  void ShowLaunchFailure(int status);
  void ConnectThroughFriend(AppId_t appID, const char *connect);
  void UpdateFriendStatus(AppId_t appID);
  // The address as "a.b.c.d:port" with the shown connection port.
  void ShownAddressText(char *out, size_t size) const;
  const char *GameTextForFriend(char *buffer, size_t size);
  void LayoutServerTexts();
  void LayoutJoinControls();
  void SetControlText(const char *name, const char *text);
  void OnPersonaStateChange(PersonaStateChange_t *change);
  void OnRichPresenceChange(FriendRichPresenceUpdate_t *update);
  static int CompareTimePlayed(kgui::ListPanel *list, const kgui::ListPanelItem &a,
                               const kgui::ListPanelItem &b);

  int32 m_nRequeryAtMs = 0;
  kgui::Button *m_pConnectButton = nullptr;
  kgui::Button *m_pCloseButton = nullptr;
  kgui::Button *m_pRefreshButton = nullptr;
  kgui::Label *m_pInfoLabel = nullptr;
  kgui::ToggleButton *m_pAutoRetry = nullptr;
  kgui::RadioButton *m_pAutoRetryAlert = nullptr;
  kgui::RadioButton *m_pAutoRetryJoin = nullptr;
  kgui::ListPanel *m_pPlayerList = nullptr;
  kgui::Button *m_pCopyAddress = nullptr;
  CLatencyGraph *m_pLatencyGraph = nullptr;
  bool m_bConnectPending = false;
  char m_szJoinPassword[kMaxPasswordLength + 1] = {};
  bool m_bNoAnswer = false;
  bool m_bFullAtConnect = false;
  bool m_bOfferAutoRetry = false;
  bool m_bFriendConnectAvailable = false;
  PlexaId_t m_FriendPlexaId = 0;
  ServerRecord m_ShownServer{};
  ServerQueryHandle m_hServerPing = HSERVERQUERY_INVALID;
  ServerQueryHandle m_hPlayerQuery = HSERVERQUERY_INVALID;
  bool m_bClearPlayersOnNext = false;
  bool m_bNonPlexaApp = false;
  float m_flNextPresencePoll = 0.0f;

  CCallback<CDialogGameInfo, PersonaStateChange_t> m_PersonaCallback;
  CCallback<CDialogGameInfo, FriendRichPresenceUpdate_t> m_RichPresenceCallback;
};
