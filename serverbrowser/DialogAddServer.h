// The window in which the user adds a server to the favourites by typing its address: at once
// ("OK"), or after testing the address on its port (or, without one, on the common query ports)
// and choosing one of the servers that answered ("addselected"). It deletes itself when closed.
#pragma once

#include <memory>
#include <vector>

#include "kgui_controls/Frame.h"
#include "plexa/matchmakingresponses.h"

class CGameListPanel;

namespace kgui {
class Button;
class PropertySheet;
class TextEntry;
}  // namespace kgui

class CDialogAddServer : public kgui::Frame, public IPlexaMatchmakingPingResponse {
  DECLARE_CLASS_SIMPLE(CDialogAddServer, kgui::Frame);

 public:
  explicit CDialogAddServer(kgui::Panel *parent);
  // Aborts the pings that have not finished: the services hold this dialog's answer faces.
  ~CDialogAddServer() override;

  // ---- IPlexaMatchmakingPingResponse: the answers of every test ping arrive here
  void OnPingAnswered(const ServerRecord &server) override;
  void OnPingSilent() override;

  CGameListPanel *GetServerList() const { return m_pServerList; }
  // The answers in arrival order; a row's user value is its index here.
  const std::vector<ServerRecord> &GetFoundServers() const { return m_vecFoundServers; }
  // Pings started by tests that have not answered, gone silent or been aborted.
  int CountRunningPings() const { return static_cast<int>(m_vecPingQueries.size()); }
  // The dialog's height once the results show.
  int GetExpandedTall() const { return m_nExpandedTall; }

 protected:
  void OnCommand(const char *command) override;
  void ApplySchemeSettings(kgui::IScheme *schemeInterface) override;

 private:
  class CFoundServers;
  class CTestPing;

  void CreateServerList();
  void BuildImageList();
  void OnTextChanged();
  void UpdateAddSelectedButton();
  // Stores the typed address as a favourite (the default port when none is typed), or says why
  // it cannot; then closes.
  void OnOK();
  // Shows the results and pings the typed address.
  void OnTestServers();
  // Stores the first selected result as a favourite and drops its row.
  void OnAddSelected();
  void PingAddress(uint32 ip, uint16 queryPort);
  // A test ping finished: it leaves the running pings and its handle is never used again.
  void ForgetPing(CTestPing *ping);

  kgui::Button *m_pTestServers = nullptr;
  kgui::Button *m_pOK = nullptr;
  kgui::Button *m_pAddSelected = nullptr;
  kgui::PropertySheet *m_pTabPanel = nullptr;
  kgui::TextEntry *m_pServerName = nullptr;
  CGameListPanel *m_pServerList = nullptr;
  int m_nExpandedTall = 0;
  std::vector<ServerRecord> m_vecFoundServers;
  // One answer face per running ping, holding its handle, so that a finished ping is told apart
  // from the running ones and only running ones are aborted.
  std::vector<std::unique_ptr<CTestPing>> m_vecPingQueries;
  // The result list's record source: it answers with m_vecFoundServers.
  std::unique_ptr<CFoundServers> m_pFoundServers;
};
