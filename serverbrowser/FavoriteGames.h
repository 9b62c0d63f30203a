// The Favorites tab: the servers the user marked, kept by the services' store. Besides the list's
// own commands, addresses may be pasted onto it and the favourites exported to a file and
// imported from one.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "serverbrowser/BaseGamesPage.h"
#include "serverbrowser/FavoritesTransfer.h"

class CDialogAddServer;
class CFavoritesSnapshot;

class CFavoriteGames : public CBaseGamesPage {
  DECLARE_CLASS_SIMPLE(CFavoriteGames, CBaseGamesPage);

 public:
  explicit CFavoriteGames(kgui::Panel *parent);
  ~CFavoriteGames() override;

  bool OffersItem(int item) override;
  void OnListDone(ListRequestHandle request, EMatchMakingListOutcome outcome) override;

  // The main window tells the page whether the user plays on a server (adding it is offered).
  void SetConnectedToGame(bool connected);

  // The application pasted and imported addresses are stored for: the game the page is limited
  // to, else 0 (any application, as the add-server dialog stores them).
  AppId_t GetImportAppId() const;
  // Pastes, imports and exports waiting for the stored favourites to be fetched.
  int CountWaitingTransfers() const { return static_cast<int>(m_vecTransfers.size()); }

 protected:
  void OnCommand(const char *command) override;
  void OnPageHide() override;
  void OnKeyCodeTyped(kgui::KeyCode code) override;
  void AddPageMenuItems(CServerContextMenu *menu) override;

  virtual void OnOpenContextMenu(int itemID);
  // Asks the services to forget every selected server as a favourite; the rows go when the
  // services announce the change.
  virtual void OnRemoveFromFavorites();
  // Opens the dialog in which the user types a server's address.
  virtual void OnAddServerByName();
  // Stores the server the user plays on as a favourite.
  virtual void OnAddCurrentServer();
  // Adds the addresses on the host's clipboard (one, or a list) as favourites.
  virtual void OnPasteAddress();
  // Open the window that asks for the file.
  virtual void OnExportFavorites();
  virtual void OnImportFavorites();
  // The file window's answer.
  virtual void OnFavoritesFileChosen(const char *path, int mode);

 private:
  // A paste, import or export: each needs the stored favourites first.
  struct Transfer {
    enum class Kind { Paste, Import, Export } kind = Kind::Paste;
    std::string text;  // what was pasted or read
    std::string path;  // the file read or written
    bool plain = false;
  };
  void Queue(Transfer transfer);
  void OnStoredFavorites(const std::vector<FavoriteAddress> &stored);
  // Stores every new address of `transfer` and tells the user what came of it.
  void AddAddresses(const Transfer &transfer, std::vector<FavoriteAddress> &stored);
  void WriteExport(const Transfer &transfer, const std::vector<FavoriteAddress> &stored);
  void ShowReport(const char *title, const std::u16string &text);

  // Set only while the page opens a dialog: an open dialog is the user's and outlives the page's
  // interest (it deletes itself when closed), so hiding the page leaves it alone.
  CDialogAddServer *m_pAddServerDialog = nullptr;
  std::unique_ptr<CFavoritesSnapshot> m_pSnapshot;
  std::vector<Transfer> m_vecTransfers;
};
