// The Friends tab: servers the user's friends play on.
#pragma once

#include "serverbrowser/BaseGamesPage.h"

class CFriendsGames : public CBaseGamesPage {
  DECLARE_CLASS_SIMPLE(CFriendsGames, CBaseGamesPage);

 public:
  explicit CFriendsGames(kgui::Panel *parent);

  bool OffersItem(int item) override;
  void OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) override;

 protected:
  virtual void OnOpenContextMenu(int itemID);
};
