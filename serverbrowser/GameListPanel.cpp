#include "serverbrowser/GameListPanel.h"

#include "serverbrowser/BaseGamesPage.h"

DEFINE_EMPTY_MESSAGE_MAP(CGameListPanel, kgui::ListPanel)

CGameListPanel::CGameListPanel(IGameList *recordSource, CBaseGamesPage *page, kgui::Panel *parent,
                               const char *panelName)
    : BaseClass(parent, panelName), m_pRecordSource(recordSource), m_pOuter(page) {}

IGameList *CGameListPanel::RecordSourceOf(kgui::ListPanel *list) {
  auto *gameList = dynamic_cast<CGameListPanel *>(list);
  return gameList ? gameList->GetRecordSource() : nullptr;
}

// The page may claim Enter (to join the selected server, say) before the list acts on it.
void CGameListPanel::OnKeyCodeTyped(kgui::KeyCode code) {
  if (code == kgui::KEY_ENTER && m_pOuter && m_pOuter->OnListEnterKey()) return;
  BaseClass::OnKeyCodeTyped(code);
}
