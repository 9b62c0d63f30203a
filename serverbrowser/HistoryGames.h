// The History tab: the servers the user played on.
#pragma once

#include "serverbrowser/BaseGamesPage.h"

class CHistoryGames : public CBaseGamesPage {
  DECLARE_CLASS_SIMPLE(CHistoryGames, CBaseGamesPage);

 public:
  explicit CHistoryGames(kgui::Panel *parent);

  bool OffersItem(int item) override;
  void OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) override;
};
