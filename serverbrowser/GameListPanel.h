// The list widget of a server list: a ListPanel whose rows carry server indices of one record
// source (a page or a dialog), which the sort functions consult.
#pragma once

#include "kgui_controls/ListPanel.h"

class IGameList;
class CBaseGamesPage;

class CGameListPanel : public kgui::ListPanel {
  DECLARE_CLASS_SIMPLE(CGameListPanel, kgui::ListPanel);

 public:
  // `recordSource` answers GetServerRecord for the rows' indices; `page` (may be null) is offered
  // a typed Enter key before the list handles it.
  CGameListPanel(IGameList *recordSource, CBaseGamesPage *page, kgui::Panel *parent, const char *panelName);

  IGameList *GetRecordSource() const { return m_pRecordSource; }

  // The record source of a list that is a CGameListPanel, else null.
  static IGameList *RecordSourceOf(kgui::ListPanel *list);

 protected:
  void OnKeyCodeTyped(kgui::KeyCode code) override;

 private:
  IGameList *m_pRecordSource;
  CBaseGamesPage *m_pOuter;
};
