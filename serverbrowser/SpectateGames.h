// The Spectate tab: the Internet page fed from the spectator-server list; every request carries
// one "proxy" pair.
#pragma once

#include "serverbrowser/InternetGames.h"

class CSpectateGames : public CInternetGames {
  DECLARE_CLASS_SIMPLE(CSpectateGames, CInternetGames);

 public:
  explicit CSpectateGames(kgui::Panel *parent);

  void BeginRefresh() override;
};
