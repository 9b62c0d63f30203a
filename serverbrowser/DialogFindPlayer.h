// The find-a-player window: a typed name is looked for among the players of the servers the main
// window's current page lists. Their player lists are asked as the search begins, rows appear as
// answers come, and a result opens its server's details dialog, from which the user joins. The
// window deletes itself when closed; closing it aborts every query still open.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kgui_controls/Frame.h"
#include "serverbrowser/PlayerSearch.h"

namespace kgui {
class Button;
class Label;
class ListPanel;
class TextEntry;
}  // namespace kgui

class CDialogGameInfo;

class CDialogFindPlayer : public kgui::Frame {
  DECLARE_CLASS_SIMPLE(CDialogFindPlayer, kgui::Frame);

 public:
  // The search asks the process's services; `parent` may be null (a top-level window).
  explicit CDialogFindPlayer(kgui::Panel *parent);
  ~CDialogFindPlayer() override;

  // Shows the window and puts the caret in the name.
  void ActivateAndFocus();
  // Looks for `text` (UTF-8) as if typed.
  void SetSearchText(const char *text);
  // Reads the current page's servers again and asks every one of them anew.
  void SearchAgain();
  // Opens the details dialog of the selected result (the first row when none is selected); null
  // when there is no result.
  CDialogGameInfo *OpenSelectedResult();

  // Closed and only fading out or waiting to be deleted: its search has ended.
  bool IsClosing() const { return m_bClosing; }
  const CPlayerSearch &GetSearch() const { return *m_pSearch; }
  kgui::ListPanel *GetResultList() const { return m_pResults; }
  // The status line as shown (UTF-8).
  std::string GetStatusText() const;

  // The servers of the main window's current page that answered and pass its filters, as the
  // search takes them.
  static std::vector<PlayerSearchServer> CurrentPageServers();

 protected:
  void OnClose() override;
  void OnCommand(const char *command) override;
  void OnTick() override;

 private:
  void CreateControls();
  void OnTextChanged(kgui::Panel *panel);
  void OnItemSelected();
  // Takes the page's servers; the search begins (or goes on with the new ones) when there is text.
  void UpdateSearch();
  void RebuildRows();
  void AddRows(const std::vector<PlayerSearchMatch> &matches);
  void UpdateStatus();

  std::unique_ptr<CPlayerSearch> m_pSearch;
  kgui::TextEntry *m_pNameEntry = nullptr;
  kgui::ListPanel *m_pResults = nullptr;
  kgui::Label *m_pStatus = nullptr;
  kgui::Button *m_pOpenButton = nullptr;
  kgui::Button *m_pSearchButton = nullptr;
  std::string m_sSearchedText;  // the entry's text the rows were made for
  bool m_bAnswersWaiting = false;
  bool m_bClosing = false;  // set in the services' callback, drawn on the next tick
};
