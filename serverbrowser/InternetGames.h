// The Internet tab: every server of the selected game that the master server knows. Fetches its
// first list lazily once the browser is visible, re-sorts the growing list at most every 1.5 s,
// tells the four outcomes of a fetch apart, and does nothing in offline mode.
#pragma once

#include <set>

#include "serverbrowser/BaseGamesPage.h"

class CInternetGames : public CBaseGamesPage {
  DECLARE_CLASS_SIMPLE(CInternetGames, CBaseGamesPage);

 public:
  // Interval of the throttled re-sort.
  static constexpr float kMinResortSeconds = 1.5f;

  CInternetGames(kgui::Panel *parent, const char *pageName = "InternetGames",
                 EServerSource type = eInternetServer);
  ~CInternetGames() override;

  bool OffersItem(int item) override;
  void GetNewServerList() override;

  void OnServerAnswered(ListRequestHandle request, int index) override;
  void OnServerSilent(ListRequestHandle request, int index) override;
  void OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) override;

  bool IsOffline() const { return m_bOffline; }
  bool IsResortPending() const { return m_bResortPending; }

 protected:
  void PerformLayout() override;
  void OnPageShow() override;
  void OnTick() override;
  void OnRefreshServer(int serverID) override;

 private:
  void OnGetNewServerListMessage();
  void OnOpenContextMenu(int itemID);
  // A single server asked again has answered or gone silent: the status line's "getting" text
  // goes with the last of them.
  void EndServerRequery(int index);

  float m_flLastSortTime = 0.0f;
  bool m_bResortPending = false;
  bool m_bNeedFirstList = true;
  bool m_bAnyServerAnswered = false;
  bool m_bOffline = false;
  // Servers asked again one by one whose answer is still out.
  std::set<int> m_setRequeried;
};
