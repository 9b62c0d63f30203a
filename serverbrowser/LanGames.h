// The LAN tab: servers on the local network.
#pragma once

#include "serverbrowser/BaseGamesPage.h"

class CLanGames : public CBaseGamesPage {
  DECLARE_CLASS_SIMPLE(CLanGames, CBaseGamesPage);

 public:
  CLanGames(kgui::Panel *parent, bool autoRefresh, const char *customLayoutFile = nullptr);

  bool OffersItem(int item) override;
  void OnServerSilent(ListRequestHandle request, int index) override;
  void OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) override;

 protected:
  virtual void OnOpenContextMenu(int itemID);
  void OnPageShow() override;

 private:
  bool m_bAutoRefresh;
};
