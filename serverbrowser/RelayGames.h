// The relay tab (CSpectateGames): an Internet page that lists only the relay servers spectators watch through.
#pragma once

#include "serverbrowser/InternetGames.h"

class CSpectateGames : public CInternetGames {
  DECLARE_CLASS_SIMPLE(CSpectateGames, CInternetGames);

 public:
  explicit CSpectateGames(kgui::Panel *parent);

  // Asks for relays only: one "proxy" pair on every new list.
  void BeginRefresh() override;
};
