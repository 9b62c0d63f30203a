// The History tab: the servers the user played on, the most recent visit first.
#pragma once

#include "serverbrowser/BaseGamesPage.h"

class CHistoryGames : public CBaseGamesPage {
  DECLARE_CLASS_SIMPLE(CHistoryGames, CBaseGamesPage);

 public:
  explicit CHistoryGames(kgui::Panel *parent);

  bool OffersItem(int item) override;
  void OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) override;

 protected:
  virtual void OnOpenContextMenu(int itemID);
  // Asks the services to forget every selected server's visit; the rows go when the services
  // announce the change.
  virtual void OnRemoveFromHistory();
};
