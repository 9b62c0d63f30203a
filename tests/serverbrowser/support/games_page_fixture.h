// A concrete server-list page for the page-core suites (the base page with the capability answers
// a test chooses and a list end that returns to idle), and a fixture that puts it under a host
// panel on the desktop and answers its requests through the fake services.
#pragma once

#include <set>
#include <string>

#include "kgui_controls/Button.h"
#include "kgui_controls/CheckButton.h"
#include "kgui_controls/ComboBox.h"
#include "kgui_controls/EditablePanel.h"
#include "kgui_controls/Label.h"
#include "kgui_controls/ListPanelColumnHeader.h"
#include "kgui_controls/TextEntry.h"
#include "kgui_controls/ToggleButton.h"
#include "serverbrowser/BaseGamesPage.h"
#include "serverbrowser/GameListPanel.h"
#include "support/browser_fixture.h"
#include "tier1/KeyValues.h"

class CTestGamesPage : public CBaseGamesPage {
 public:
  explicit CTestGamesPage(kgui::Panel *parent, EServerSource type = eFavoriteServer,
                          const char *name = "TestGames", const char *layoutFile = nullptr)
      : CBaseGamesPage(parent, name, type, layoutFile) {}

  bool OffersItem(int item) override { return m_Offered.count(item) != 0; }
  void OnListDone(ListRequestHandle, EMatchMakingListOutcome) override {
    ++m_nListDone;
    ShowRefreshState(false);
  }

  // Enter typed in the list: whether the page claims it, how often it was asked, and how often
  // the list passed it on to the page as an unhandled key.
  bool OnListEnterKey() override {
    ++m_nEnterAsked;
    return m_bClaimEnter;
  }
  void OnKeyCodeTyped(kgui::KeyCode code) override {
    if (code == kgui::KEY_ENTER) ++m_nEnterPassedOn;
    CBaseGamesPage::OnKeyCodeTyped(code);
  }

  std::set<int> m_Offered;
  int m_nListDone = 0;
  bool m_bClaimEnter = false;
  int m_nEnterAsked = 0;
  int m_nEnterPassedOn = 0;

  // What the suites inspect and drive directly.
  using CBaseGamesPage::ApplyServerAnswer;
  using CBaseGamesPage::m_bFilterPanelShown;
  using CBaseGamesPage::m_bGameBoxFilled;
  using CBaseGamesPage::m_bHideEmpty;
  using CBaseGamesPage::m_bHideFull;
  using CBaseGamesPage::m_bHidePassworded;
  using CBaseGamesPage::m_eSecureFilter;
  using CBaseGamesPage::m_LimitToGame;
  using CBaseGamesPage::m_nMaxPing;
  using CBaseGamesPage::m_pAddCurrentServer;
  using CBaseGamesPage::m_pAddServer;
  using CBaseGamesPage::m_pAddToFavoritesButton;
  using CBaseGamesPage::m_pConnect;
  using CBaseGamesPage::m_pFilter;
  using CBaseGamesPage::m_pFilterString;
  using CBaseGamesPage::m_pGameFilter;
  using CBaseGamesPage::m_pMapFilter;
  using CBaseGamesPage::m_pNoEmptyServersFilterCheck;
  using CBaseGamesPage::m_pNoFullServersFilterCheck;
  using CBaseGamesPage::m_pNoPasswordFilterCheck;
  using CBaseGamesPage::m_pPingFilter;
  using CBaseGamesPage::m_pRefreshAll;
  using CBaseGamesPage::m_pRefreshQuick;
  using CBaseGamesPage::m_pSecureFilter;
  using CBaseGamesPage::m_szGameDirFilter;
  using CBaseGamesPage::m_szMapFilter;
  using CBaseGamesPage::OnCommand;
  using CBaseGamesPage::OnKeyCodePressed;
  using CBaseGamesPage::PassesPrimaryFilters;
  using CBaseGamesPage::PassesSecondaryFilters;
};

class GamesPageTest : public BrowserTest {
 protected:
  GamesPageTest() {
    m_pHost = new kgui::EditablePanel(nullptr, "Host");
    m_pHost->SetParent(Runtime().Desktop());
    m_pHost->SetBounds(0, 0, 800, 600);
  }
  ~GamesPageTest() override {
    delete m_pHost;
    Runtime().RunFrame();
  }

  CTestGamesPage *MakePage(EServerSource type = eFavoriteServer, const char *name = "TestGames",
                           const char *layoutFile = nullptr) {
    auto *page = new CTestGamesPage(m_pHost, type, name, layoutFile);
    page->SetBounds(0, 0, 624, 278);
    return page;
  }

  // Starts a fetch on `page` and returns its request.
  ListRequestHandle Refresh(CTestGamesPage *page) {
    page->BeginRefresh();
    return page->GetListRequest();
  }

  // The record of the row that shows server `index`, or null when it has none.
  static KeyValues *RowOf(CTestGamesPage *page, int index) {
    auto found = page->GetServerMap().find(index);
    if (found == page->GetServerMap().end()) return nullptr;
    return page->GetGameList()->GetItemData(found->second.m_iRowID);
  }
  static bool IsRowShown(CTestGamesPage *page, int index) {
    auto found = page->GetServerMap().find(index);
    return found != page->GetServerMap().end() &&
           page->GetGameList()->GetRowOfItem(found->second.m_iRowID) >= 0;
  }

  // A game of the catalogue the game list reads.
  void AddGame(AppId_t appId, const char *gameDir, const char *name, uint64 gameID = 0) {
    m_Services.SetAppValue(appId, "gamedir", gameDir);
    m_Services.SetAppValue(appId, "serverbrowsername", name);
    m_Services.SetAppValue(appId, "gameid", std::to_string(gameID ? gameID : appId).c_str());
  }

  static std::string ButtonCommand(kgui::Button *button) {
    return button->GetCommand() ? button->GetCommand()->GetString("command") : "";
  }

  static std::string HeaderText(CTestGamesPage *page, int column) {
    return page->GetGameList()->GetColumnHeader(column)->GetText();
  }

  kgui::EditablePanel *m_pHost = nullptr;
};

// Addresses of the demo servers: 10.0.0.<n>.
inline uint32 TestIP(int lastOctet) {
  return (10u << 24) | static_cast<uint32>(lastOctet);
}
