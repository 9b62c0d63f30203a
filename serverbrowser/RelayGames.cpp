#include "serverbrowser/RelayGames.h"

#include <vector>

#include "kstdlib/strtools.h"

DEFINE_EMPTY_MESSAGE_MAP(CSpectateGames, CInternetGames)

CSpectateGames::CSpectateGames(kgui::Panel *parent)
    : CInternetGames(parent, "SpectateGames", eSpectateServer) {}

// F5, showing the tab, both refresh buttons and "GetNewServerList" all start a list here; the
// pair is dropped before it is added so that repeated refreshes never stack it.
void CSpectateGames::BeginRefresh() {
  std::erase_if(m_vecServerFilters,
                [](const MatchMakingKeyValuePair_t &pair) { return V_stricmp(pair.m_szKey, "proxy") == 0; });
  AddFilterPair("proxy", "1");
  BaseClass::BeginRefresh();
}
