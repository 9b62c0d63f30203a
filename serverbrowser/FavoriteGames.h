// The Favorites tab: the servers the user marked, kept by the services' store.
#pragma once

#include "serverbrowser/BaseGamesPage.h"

class CDialogAddServer;

class CFavoriteGames : public CBaseGamesPage {
  DECLARE_CLASS_SIMPLE(CFavoriteGames, CBaseGamesPage);

 public:
  explicit CFavoriteGames(kgui::Panel *parent);

  bool OffersItem(int item) override;
  void OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) override;

  // The main window tells the page whether the user plays on a server (adding it is offered).
  void SetConnectedToGame(bool connected);

 protected:
  void OnCommand(const char *command) override;
  void OnPageHide() override;

  virtual void OnOpenContextMenu(int itemID);
  // Asks the services to forget every selected server as a favourite; the rows go when the
  // services announce the change.
  virtual void OnRemoveFromFavorites();
  // Opens the dialog in which the user types a server's address.
  virtual void OnAddServerByName();
  // Stores the server the user plays on as a favourite.
  virtual void OnAddCurrentServer();

 private:
  // Set only while the page opens a dialog: an open dialog is the user's and outlives the page's
  // interest (it deletes itself when closed), so hiding the page leaves it alone.
  CDialogAddServer *m_pAddServerDialog = nullptr;
};
